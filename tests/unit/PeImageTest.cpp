#include "support/PeImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/PackageBytes.h"

namespace {

constexpr std::uint32_t kPe = 0x40;
constexpr std::uint32_t kOptional = kPe + 24;
constexpr std::uint32_t kRaw = 0x200;

// A small PE32+ DLL laid out by hand: one section holding an export table
// with the name "New" and an import table naming a.dll and b.dll, whose
// name ends the file, so that any cut of the file cuts a table or a name.
std::string ImageBytes()
{
    std::string bytes(kRaw + 124, '\0');
    bytes.replace(0, 2, "MZ");
    bytes.replace(kPe, 4, std::string("PE\0\0", 4));
    bytes.replace(kRaw + 48, 4, std::string("New\0", 4));
    bytes.replace(kRaw + 112, 12, std::string("a.dll\0b.dll\0", 12));
    // Offset, value, size: the headers, the one section (address 0x1000 at
    // file offset 0x200), the export directory and the two import entries.
    const std::uint32_t fields[][3] = {{0x3c, kPe, 4},     {0x44, PeMachineAmd64, 2},
                                       {0x46, 1, 2},       {0x54, 240, 2},
                                       {0x56, 0x2022, 2},  {0x58, 0x20b, 2},
                                       {0xc4, 16, 4},      {0xc8, 0x1000, 4},
                                       {0xd0, 0x1034, 4},  {0x150, 124, 4},
                                       {0x154, 0x1000, 4}, {0x158, 124, 4},
                                       {0x15c, kRaw, 4},   {0x218, 1, 4},
                                       {0x220, 0x1028, 4}, {0x228, 0x1030, 4},
                                       {0x240, 0x1070, 4}, {0x254, 0x1076, 4}};
    for (const auto& [at, value, size] : fields) {
        PutLittleEndian(bytes, at, value, size);
    }
    return bytes;
}

} // namespace

TEST(ReadPeImage, ReadsAndNamesTheMachineAndReadsExportsAndImports)
{
    PeImage image = ReadPeImage(ImageBytes());
    EXPECT_EQ(image.problem, "");
    EXPECT_EQ(image.machine, PeMachineAmd64);
    EXPECT_TRUE(image.isDll);
    EXPECT_EQ(image.exports, std::vector<std::string>{"New"});
    EXPECT_EQ(image.imports, (std::vector<std::string>{"a.dll", "b.dll"}));
    EXPECT_EQ(PeMachineName(PeMachineI386), "x86");
    EXPECT_EQ(PeMachineName(PeMachineAmd64), "x86-64");
    EXPECT_EQ(PeMachineName(0xaa64), "0xaa64");
}

TEST(ReadPeImage, EveryCutOfTheFileIsAProblemNotACrash)
{
    std::string whole = ImageBytes();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        EXPECT_NE(ReadPeImage(std::string_view(whole).substr(0, size)).problem, "") << size;
    }
}

// One field changed at a time and the problem it makes, with what was read
// before it kept; without tables there is none.
TEST(ReadPeImage, ForeignHeadersAndTablesOutsideTheFileAreProblems)
{
    EXPECT_EQ(ReadPeImage("A plugin library of the toy.").problem, "not an executable image (no MZ header)");
    using Change = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::string>;
    for (auto [at, value, size, problem] :
         std::vector<Change>{{kPe, 'N', 1, "not a PE image (no PE signature)"},
                             {0x3c, 0xfffffff0, 4, "not a PE image (no PE signature)"},
                             {kOptional, 0x107, 2, "damaged PE image (optional header)"},
                             {kRaw + 24, 0xffffffff, 4, "damaged PE image (export table)"},
                             {kRaw + 84, 0x7fff0000, 4, "damaged PE image (import table)"},
                             {kPe + 6, 0xffff, 2, "damaged PE image (section table)"},
                             {0x158, 118, 4, "damaged PE image (import table)"}, // b.dll past the file data
                             {kOptional + 108, 0, 4, ""}}) {
        std::string bytes = ImageBytes();
        PutLittleEndian(bytes, at, value, size);
        PeImage image = ReadPeImage(bytes);
        EXPECT_EQ(image.problem, problem) << at;
        EXPECT_EQ(image.imports.size(), problem.find("import") != std::string::npos ? 1u : 0u) << at;
    }
}
