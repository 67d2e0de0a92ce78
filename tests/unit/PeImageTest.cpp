#include "support/PeImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// A small PE32+ DLL laid out by hand: one section holding an export table
// with the name "New" and an import table naming a.dll and b.dll, whose
// name ends the file, so that any cut of the file cuts a table or a name.
class ImageBuilder {
public:
    static constexpr std::size_t kPe = 0x40;
    static constexpr std::size_t kOptional = kPe + 24;
    static constexpr std::size_t kSections = kOptional + 240;
    static constexpr std::size_t kRaw = 0x200;
    static constexpr std::uint32_t kBase = 0x1000;

    ImageBuilder() : bytes(kRaw + 124, '\0')
    {
        bytes.replace(0, 2, "MZ");
        Put32(0x3c, kPe);
        bytes.replace(kPe, 4, std::string("PE\0\0", 4));
        Put16(kPe + 4, PeMachineAmd64);
        Put16(kPe + 6, 1);
        Put16(kPe + 20, 240);
        Put16(kPe + 22, 0x2022);
        Put16(kOptional, 0x20b);
        Put32(kOptional + 108, 16);
        Put32(kOptional + 112, kBase);      // export table
        Put32(kOptional + 120, kBase + 52); // import table
        Put32(kSections + 8, 124);
        Put32(kSections + 12, kBase);
        Put32(kSections + 16, 124);
        Put32(kSections + 20, kRaw);
        Put32(kRaw + 24, 1);
        Put32(kRaw + 32, kBase + 40);
        Put32(kRaw + 40, kBase + 48);
        bytes.replace(kRaw + 48, 4, std::string("New\0", 4));
        Put32(kRaw + 52 + 12, kBase + 112);
        Put32(kRaw + 72 + 12, kBase + 118);
        bytes.replace(kRaw + 112, 12, std::string("a.dll\0b.dll\0", 12));
    }

    void Put16(std::size_t at, std::uint32_t value) { PutBytes(at, value, 2); }
    void Put32(std::size_t at, std::uint32_t value) { PutBytes(at, value, 4); }

    std::string bytes;

private:
    void PutBytes(std::size_t at, std::uint32_t value, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i) {
            bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
        }
    }
};

} // namespace

TEST(ReadPeImage, ReadsMachineExportsAndImports)
{
    PeImage image = ReadPeImage(ImageBuilder().bytes);
    EXPECT_EQ(image.problem, "");
    EXPECT_EQ(image.machine, PeMachineAmd64);
    EXPECT_TRUE(image.isDll);
    EXPECT_EQ(image.exports, std::vector<std::string>{"New"});
    EXPECT_EQ(image.imports, (std::vector<std::string>{"a.dll", "b.dll"}));
}

TEST(ReadPeImage, EveryCutOfTheFileIsAProblemNotACrash)
{
    std::string whole = ImageBuilder().bytes;
    for (std::size_t size = 0; size < whole.size(); ++size) {
        EXPECT_NE(ReadPeImage(std::string_view(whole).substr(0, size)).problem, "") << size;
    }
}

TEST(ReadPeImage, TellsTextAndForeignHeadersApart)
{
    EXPECT_EQ(ReadPeImage("A plugin library of the toy.").problem, "not an executable image (no MZ header)");
    ImageBuilder noSignature;
    noSignature.bytes[ImageBuilder::kPe] = 'N';
    EXPECT_EQ(ReadPeImage(noSignature.bytes).problem, "not a PE image (no PE signature)");
    ImageBuilder farSignature;
    farSignature.Put32(0x3c, 0xfffffff0);
    EXPECT_EQ(ReadPeImage(farSignature.bytes).problem, "not a PE image (no PE signature)");
    ImageBuilder badMagic;
    badMagic.Put16(ImageBuilder::kOptional, 0x107);
    EXPECT_EQ(ReadPeImage(badMagic.bytes).problem, "damaged PE image (optional header)");
}

TEST(ReadPeImage, TablesThatPointOutsideTheFileAreProblems)
{
    ImageBuilder manyNames;
    manyNames.Put32(ImageBuilder::kRaw + 24, 0xffffffff);
    EXPECT_EQ(ReadPeImage(manyNames.bytes).problem, "damaged PE image (export table)");

    ImageBuilder nameOutside;
    nameOutside.Put32(ImageBuilder::kRaw + 72 + 12, 0x7fff0000);
    PeImage image = ReadPeImage(nameOutside.bytes);
    EXPECT_EQ(image.problem, "damaged PE image (import table)");
    EXPECT_EQ(image.imports, std::vector<std::string>{"a.dll"});

    ImageBuilder manySections;
    manySections.Put16(ImageBuilder::kPe + 6, 0xffff);
    EXPECT_EQ(ReadPeImage(manySections.bytes).problem, "damaged PE image (section table)");
}

TEST(ReadPeImage, ImageWithoutTablesHasNoExportsOrImports)
{
    ImageBuilder bare;
    bare.Put32(ImageBuilder::kOptional + 108, 0);
    PeImage image = ReadPeImage(bare.bytes);
    EXPECT_EQ(image.problem, "");
    EXPECT_TRUE(image.exports.empty());
    EXPECT_TRUE(image.imports.empty());
}

TEST(PeMachineName, NamesTheTwoHostMachines)
{
    EXPECT_EQ(PeMachineName(PeMachineI386), "x86");
    EXPECT_EQ(PeMachineName(PeMachineAmd64), "x86-64");
    EXPECT_EQ(PeMachineName(0xaa64), "0xaa64");
}
