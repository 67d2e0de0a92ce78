// kvdpack, run in this process with its output captured.
#include "tools/kvdpack/Kvdpack.h"

#include <array>
#include <map>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "support/Package.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/TestFolder.h"

namespace {

struct Result {
    int exitCode;
    std::string out;
    std::string err;
};

Result RunTool(const std::vector<std::string>& arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    int exitCode = RunKvdpack(arguments, out, err);
    return {exitCode, out.str(), err.str()};
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A 64-bit DLL image holding nothing but a string table with strings (ids 0
// to 15): headers, one section of resources at file offset 0x200 and address
// 0x1000: the type, block and language directories, the data entry, then the
// block.
std::string LibraryBytes(const std::map<int, std::string>& strings)
{
    std::string bytes(0x258, '\0');
    for (int id = 0; id < 16; ++id) {
        std::string text = strings.count(id) ? strings.at(id) : "";
        PutLittleEndian(bytes, bytes.size(), static_cast<std::uint32_t>(text.size()), 2);
        for (char c : text) {
            PutLittleEndian(bytes, bytes.size(), static_cast<unsigned char>(c), 2);
        }
    }
    std::uint32_t size = static_cast<std::uint32_t>(bytes.size() - 0x200);
    for (auto [at, value, width] : std::vector<std::array<std::uint32_t, 3>>{
             {0, 0x5a4d, 2},         {0x3c, 0x40, 4},   {0x40, 0x4550, 4},      {0x44, 0x8664, 2}, {0x46, 1, 2},
             {0x54, 240, 2},         {0x56, 0x2022, 2}, {0x58, 0x20b, 2},       {0xc4, 16, 4},     {0xd8, 0x1000, 4},
             {0xdc, size, 4},        {0x150, size, 4},  {0x154, 0x1000, 4},     {0x158, size, 4},  {0x15c, 0x200, 4},
             {0x20e, 1, 2},          {0x210, 6, 4},     {0x214, 0x80000018, 4}, {0x226, 1, 2},     {0x228, 1, 4},
             {0x22c, 0x80000030, 4}, {0x23e, 1, 2},     {0x240, 0x409, 4},      {0x244, 0x48, 4},  {0x248, 0x1058, 4},
             {0x24c, size - 0x58, 4}}) {
        PutLittleEndian(bytes, at, value, width);
    }
    return bytes;
}

} // namespace

TEST(Kvdpack, PackageHoldsTheLibrarysNameAndUnpacksToItsBytes)
{
    TestFolder dir;
    std::string library = NoiseBytes(2 * 1024 * 1024 + 5, 11) + std::string(100000, 'z');
    WriteBytes(dir.File("Example.kvp"), library);

    Result packed = RunTool({dir.File("Example.kvp")});
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    EXPECT_EQ(ReadPackageName(dir.File("Example.kvd")), "Example.kvp");
    EXPECT_EQ(UnpackPackage(dir.File("Example.kvd"), dir.Path(), "Unpacked.kvp"), 1);
    EXPECT_EQ(ReadBytes(dir.File("Unpacked.kvp")), library);

    Result listed = RunTool({"--list", dir.File("Example.kvd")});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out,
              "name: Example.kvp\npayload: " + std::to_string(ReadBytes(dir.File("Example.kvd")).size() - 1024) +
                  " bytes of gzip data\ncontent: " + std::to_string(library.size()) + " bytes\ncrc: ok\n");
}

// The release date (string 4) and version (3) as the host reads them.
TEST(Kvdpack, PackingShowsTheNumbersTheHostCompares)
{
    TestFolder dir;
    using Row = std::tuple<std::map<int, std::string>, std::string, std::string>;
    for (auto [strings, compared, warning] : std::vector<Row>{
             {{{3, "2.5"}, {4, "8"}}, "date 8 (string 4 \"8\"), then version 2.5 (string 3 \"2.5\")", ""},
             {{{3, " 1.0"}, {4, "+7"}}, "7 (string 4 \"+7\"), then version 1 (string 3 \" 1.0\")", ""},
             {{{3, "1.10"}, {4, "7"}}, "then version 1.1 (", "\"1.10\" reads as the number 1.1: versions compare"},
             {{{3, "1.2.3"}, {4, "7"}}, "then version 1.2 (", "version \"1.2.3\" reads as the number 1.2"},
             {{{3, "2"}, {4, "2026-12-07"}}, "date 2026 (", "release date \"2026-12-07\" reads as the number 2026\n"},
             {{{4, "7"}, {5, "1.10"}}, "then version 0 (string 3 missing)", "string 3 (version) is missing or empty"},
             {{{3, "1"}, {4, ""}}, "date 0 (string 4 missing)", "string 4 (release date) is missing or empty"}}) {
        WriteBytes(dir.File("Lib.kvp"), LibraryBytes(strings));
        Result packed = RunTool({dir.File("Lib.kvp")});
        EXPECT_EQ(packed.exitCode, 0) << packed.err;
        EXPECT_TRUE(Contains(packed.out, "\ncompared: release date ")) << packed.out;
        EXPECT_TRUE(Contains(packed.out, compared)) << packed.out;
        EXPECT_EQ(packed.err.empty(), warning.empty()) << packed.err;
        EXPECT_TRUE(Contains(packed.err, warning)) << packed.err;
    }
}

// Files it refuses to pack or list, packs with a warning, and wrong command
// lines; nothing is written for a refused library.
TEST(Kvdpack, RefusalsAndWarningsGoToTheErrorOutput)
{
    TestFolder dir;
    std::string damaged = GzipBytes("library bytes");
    damaged[damaged.size() - 6] ^= 1;
    WriteBytes(dir.File("Bad.kvd"), PackageBytes("Bad.kvp", damaged));
    WriteBytes(dir.File("Evil.kvd"), PackageBytes("..\\Evil.kvp", GzipBytes("x")));
    WriteBytes(dir.File("Latin.kvd"), PackageBytes("K\xe4se.kvp", GzipBytes("x")));
    WriteBytes(dir.File("Short.kvd"), "too short");
    WriteBytes(dir.File("Two.dots.kvp"), "x");
    WriteBytes(dir.File("Text.kvp"), "x");
    using Row = std::tuple<std::vector<std::string>, int, std::string>;
    for (auto [arguments, exitCode, part] :
         std::vector<Row>{{{"--list", dir.File("Bad.kvd")}, 1, "payload is damaged"},
                          {{"--list", dir.File("Evil.kvd")}, 1, "not a plain file name"},
                          {{"--list", dir.File("Latin.kvd")}, 1, "not a plain file name"},
                          {{dir.File("K\xe4se.kvp")}, 1, "not a name the host can install a library under"},
                          {{"--list", dir.File("Short.kvd")}, 1, "shorter than a package's name block"},
                          {{"--list", dir.File("Absent.kvd")}, 1, "cannot open"},
                          {{dir.File("Two.dots.kvp")}, 1, "must be NAME.kvp"},
                          {{dir.File("Absent.kvp")}, 1, "cannot open"},
                          {{dir.File("Text.kvp")}, 0, "no MZ header), so the host cannot load it"},
                          {{}, 2, "usage: kvdpack"},
                          {{"--list"}, 2, "usage: kvdpack"},
                          {{"a.kvp", "b.kvp"}, 2, "usage: kvdpack"},
                          {{"--bogus"}, 2, "usage: kvdpack"},
                          {{"--list", "a", "b"}, 2, "usage: kvdpack"}}) {
        Result result = RunTool(arguments);
        EXPECT_EQ(result.exitCode, exitCode) << part;
        EXPECT_TRUE(Contains(result.err, part)) << result.err;
    }
    EXPECT_FALSE(FileExists(dir.File("Two.kvd")));
    EXPECT_FALSE(FileExists(dir.File("Absent.kvd")));
    EXPECT_EQ(RunTool({"--help"}).exitCode, 0);
}
