// kvdpack, run in this process with its output captured.
#include "tools/kvdpack/Kvdpack.h"

#include <array>
#include <functional>
#include <map>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "support/Package.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/TestFolder.h"
#include "tools/kvdpack/LibraryCheck.h"
#ifdef _WIN32
#include "tests/support/ToyFolder.h"
#endif

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

// The lines of err other than those that start with prefix.
std::string LinesWithout(const std::string& err, const std::string& prefix)
{
    std::istringstream lines(err);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        kept += line.rfind(prefix, 0) == 0 ? "" : line + "\n";
    }
    return kept;
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

    Result packed = RunTool({"--force", dir.File("Example.kvp")});
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

// The release date (string 4) and version (3) as the host reads them. The
// libraries made here carry no New and no owner list, so they are forced.
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
        Result packed = RunTool({"--force", dir.File("Lib.kvp")});
        EXPECT_EQ(packed.exitCode, 0) << packed.err;
        EXPECT_TRUE(Contains(packed.out, "\ncompared: release date ")) << packed.out;
        EXPECT_TRUE(Contains(packed.out, compared)) << packed.out;
        packed.err = LinesWithout(packed.err, "kvdpack: warning: Lib.kvp: ");
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
                          {{dir.File("Text.kvp")},
                           1,
                           "Text.kvp: it is not a library the toy can load: not an "
                           "executable image (no MZ header)\nkvdpack: Text.kvp not packed"},
                          {{"--force", dir.File("Text.kvp")}, 0, "warning: Text.kvp: it is not a library"},
                          {{"--arch", "arm", dir.File("Text.kvp")}, 2, "usage: kvdpack"},
                          {{"--force"}, 2, "usage: kvdpack"},
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
    EXPECT_TRUE(FileExists(dir.File("Text.kvd"))); // forced
    EXPECT_FALSE(FileExists(dir.File("Absent.kvd")));
    EXPECT_EQ(RunTool({"--help"}).exitCode, 0);
}

// A library the toy would load nowhere, one fault at a time, and the fix
// named for each.
TEST(Kvdpack, LibraryTheToyWouldLoadNowhereIsRefusedWithItsFix)
{
    PeImage plugin;
    plugin.machine = PeMachineAmd64;
    plugin.isDll = true;
    plugin.exports = {"Other", "New"};
    plugin.strings = {{1, "Clock"}, {2, "PLUGIN"}, {3, "1.0"},  {4, "20261207"},
                      {5, "Clock"}, {6, "TRUE"},   {1000, "1"}, {1001, "Pillow"}};
    EXPECT_EQ(PluginLibraryProblems(plugin, PeMachineAmd64), std::vector<std::string>{});
    const std::string declaration = "extern \"C\" __declspec(dllexport) CToyPlugin* New();";
    const std::string owners = ": give the number of owners in string 1000 and their names from string 1001 on";
    using Fault = std::pair<std::function<void(PeImage&)>, std::string>;
    for (const auto& [fault, problem] : std::vector<Fault>{
             {[](PeImage& image) { image.problem = "damaged PE image (export table)"; },
              "it is not a library the toy can load: damaged PE image (export table)"},
             {[](PeImage& image) { image.machine = PeMachineI386; },
              "it is built for x86, the toy is x86-64: build it with the SDK and toolchain file of the x86-64 toy"},
             {[](PeImage& image) { image.isDll = false; }, "it is a program, not a DLL: build it as a MODULE library"},
             {[](PeImage& image) {
                  image.exports = {"new", "NewPlugin"};
              },
              "it does not export New: define " + declaration},
             {[](PeImage& image) { image.exports = {"_Z3Newv"}; },
              "it exports New only under its C++ name _Z3Newv: declare it " + declaration},
             {[](PeImage& image) { image.exports = {"_ZN5Clock3NewEv"}; }, "only under its C++ name _ZN5Clock3NewEv"},
             {[](PeImage& image) { image.strings.erase(1); }, "string 1 (name) of its header is missing or empty: add "
                                                              "it to the STRINGTABLE of its .rc file"},
             {[](PeImage& image) { image.strings.erase(6); }, "string 6 (active by default) of its header is missing"},
             {[](PeImage& image) { image.strings.erase(3), image.strings.erase(4); },
              "strings 3 (version), 4 (release date) of its header are missing or empty: add them to the STRINGTABLE"},
             {[](PeImage& image) { image.strings.erase(1000); },
              "it has no owner list (string 1000 is missing)" + owners},
             {[](PeImage& image) { image.strings[1000] = "-1"; },
              "its owner count (string 1000) is \"-1\", so it runs under no owner" + owners},
             {[](PeImage& image) { image.strings[1000] = "0"; },
              "its owner count (string 1000) is \"0\", so it runs under no owner" + owners},
             {[](PeImage& image) { image.strings.erase(1001); }, "owner list names nobody (string 1001 is missing)"}}) {
        PeImage image = plugin;
        fault(image);
        std::vector<std::string> problems = PluginLibraryProblems(image, PeMachineAmd64);
        ASSERT_EQ(problems.size(), 1u) << problem;
        EXPECT_TRUE(Contains(problems[0], problem)) << problems[0];
    }
    // The architecture asked for decides.
    EXPECT_EQ(PluginLibraryProblems(plugin, PeMachineI386).size(), 1u);
}

#ifdef _WIN32
// Real libraries: a plugin as the SDK builds it packs without a word; one
// whose New has a C++ name, or that is built for the other architecture, is
// refused unless forced or asked for.
TEST(Kvdpack, RealLibrariesArePackedOrRefusedAsTheToyWouldLoadThem)
{
    TestFolder dir;
    for (const char* label : {"tp_good", "tp_nonew", "tp_otherarch"}) {
        WriteBytes(dir.File(std::string(label) + ".kvp"), ReadBytes(TestPluginPath(label)));
    }
    Result good = RunTool({dir.File("tp_good.kvp")});
    EXPECT_EQ(good.exitCode, 0);
    EXPECT_EQ(good.err, "");
    Result mangled = RunTool({dir.File("tp_nonew.kvp")});
    EXPECT_EQ(mangled.exitCode, 1);
    EXPECT_TRUE(Contains(mangled.err, "tp_nonew.kvp: it exports New only under its C++ name _Z3Newv")) << mangled.err;
    EXPECT_FALSE(FileExists(dir.File("tp_nonew.kvd")));
    Result other = RunTool({dir.File("tp_otherarch.kvp")});
    EXPECT_TRUE(Contains(other.err, "tp_otherarch.kvp: it is built for x86, the toy is x86-64")) << other.err;
    other = RunTool({"--arch", "x86", dir.File("tp_otherarch.kvp")});
    EXPECT_FALSE(Contains(other.err, "it is built for")) << other.err;
}
#endif
