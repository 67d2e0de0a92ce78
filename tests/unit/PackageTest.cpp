// The package reader against packages built byte by byte. Portable: runs
// natively under the sanitizers and under Wine.
#include "support/Package.h"

#include <gtest/gtest.h>

#include "tests/support/PackageBytes.h"
#include "tests/support/ScratchDir.h"

namespace {

const std::string kLibrary = "MZ pretend library\0with zero bytes\xff\x01" + std::string(5000, 'L');

class PackageTest : public ::testing::Test {
protected:
    std::string Package(const std::string& bytes)
    {
        std::string path = source.File("Example.kvd");
        WriteBytes(path, bytes);
        return path;
    }

    std::int32_t Unpack(const std::string& bytes, const std::string& outputName = "")
    {
        return UnpackPackage(Package(bytes), plugins.Folder(), outputName);
    }

    ScratchDir source;
    ScratchDir plugins;
};

const std::vector<std::string> kOnlyTemp = {"gztemp.tmp"};

} // namespace

TEST_F(PackageTest, GzipPayloadUnpacksUnderTheStoredName)
{
    EXPECT_EQ(Unpack(PackageBytes("Example.kvp", GzipBytes(kLibrary))), 1);
    EXPECT_EQ(ReadBytes(plugins.File("Example.kvp")), kLibrary);
    EXPECT_EQ(plugins.Entries(), std::vector<std::string>{"Example.kvp"});
    EXPECT_EQ(ReadPackageName(source.File("Example.kvd")), "Example.kvp");
}

TEST_F(PackageTest, PackageOfExactlyTheNameBlockGivesAnEmptyLibrary)
{
    EXPECT_EQ(Unpack(PackageBytes("Empty.kvp", "")), 1);
    EXPECT_TRUE(Exists(plugins.File("Empty.kvp")));
    EXPECT_EQ(ReadBytes(plugins.File("Empty.kvp")), "");
}

TEST_F(PackageTest, PayloadThatIsNotGzipIsCopiedUnchanged)
{
    std::string raw = "not gzip at all" + NoiseBytes(3000, 1);
    EXPECT_EQ(Unpack(PackageBytes("Raw.kvp", raw)), 1);
    EXPECT_EQ(ReadBytes(plugins.File("Raw.kvp")), raw);
}

TEST_F(PackageTest, GzipMembersAreJoined)
{
    EXPECT_EQ(Unpack(PackageBytes("Two.kvp", GzipBytes("first part, ") + GzipBytes("second part"))), 1);
    EXPECT_EQ(ReadBytes(plugins.File("Two.kvp")), "first part, second part");
}

TEST_F(PackageTest, LargePayloadUnpacksWhole)
{
    std::string large = NoiseBytes(3 * 1024 * 1024 + 17, 7);
    EXPECT_EQ(Unpack(PackageBytes("Large.kvp", GzipBytes(large))), 1);
    EXPECT_EQ(ReadBytes(plugins.File("Large.kvp")), large);
}

// A damaged payload, or one larger than a library may be, leaves neither
// output nor working files, and the existing output untouched.
TEST_F(PackageTest, DamagedOrOversizedPayloadsLeaveNothingAndTheExistingOutputUntouched)
{
    std::string gzip = GzipBytes(kLibrary);
    std::string badCrc = gzip;
    badCrc[badCrc.size() - 8] ^= 0x55;
    std::string cutInData = gzip.substr(0, gzip.size() / 2);
    std::string cutInTrailer = gzip.substr(0, gzip.size() - 3);
    std::string garbledData = gzip;
    garbledData[20] ^= 0x7f;
    std::string oversized = GzipBytes(std::string(PackageMaxLibrarySize + 1, '\0'));
    for (const std::string& payload : {badCrc, cutInData, cutInTrailer, garbledData, oversized}) {
        WriteBytes(plugins.File("Example.kvp"), "the installed library");
        EXPECT_EQ(Unpack(PackageBytes("Example.kvp", payload)), 0);
        EXPECT_EQ(ReadBytes(plugins.File("Example.kvp")), "the installed library");
        EXPECT_EQ(plugins.Entries(), std::vector<std::string>{"Example.kvp"});
    }
}

TEST_F(PackageTest, NonEmptyOutputNameWins)
{
    EXPECT_EQ(Unpack(PackageBytes("Stored.kvp", GzipBytes(kLibrary)), "Chosen.kvp"), 1);
    EXPECT_EQ(plugins.Entries(), std::vector<std::string>{"Chosen.kvp"});
    EXPECT_EQ(ReadBytes(plugins.File("Chosen.kvp")), kLibrary);
}

TEST_F(PackageTest, OldOutputAndWorkingFilesAreOverwritten)
{
    WriteBytes(plugins.File("Example.kvp"), std::string(100000, 'o'));
    WriteBytes(plugins.File("gztemp.tmp"), std::string(100000, 't'));
    WriteBytes(plugins.File("gzoutput.tmp"), std::string(100000, 'w'));
    EXPECT_EQ(Unpack(PackageBytes("Example.kvp", GzipBytes("short"))), 1);
    EXPECT_EQ(ReadBytes(plugins.File("Example.kvp")), "short");
    EXPECT_EQ(plugins.Entries(), std::vector<std::string>{"Example.kvp"});
}

TEST_F(PackageTest, MissingPackageCreatesNothing)
{
    EXPECT_EQ(UnpackPackage(source.File("absent.kvd"), plugins.Folder(), ""), 0);
    EXPECT_EQ(ReadPackageName(source.File("absent.kvd")), "");
    EXPECT_TRUE(plugins.Entries().empty());
}

TEST_F(PackageTest, BytesAfterTheZeroInTheNameBlockChangeNothing)
{
    std::string block = std::string("Example.kvp") + '\0' + NoiseBytes(900, 3);
    EXPECT_EQ(Unpack(PackageBytes(block, GzipBytes(kLibrary))), 1);
    EXPECT_EQ(plugins.Entries(), std::vector<std::string>{"Example.kvp"});
    EXPECT_EQ(ReadPackageName(source.File("Example.kvd")), "Example.kvp");
}

TEST_F(PackageTest, PackagesWithoutANameCreateNothing)
{
    std::string noZero(1024, 'n');
    for (const std::string& bytes : {PackageBytes("", GzipBytes(kLibrary)), noZero + GzipBytes(kLibrary),
                                     std::string("Short.kvp\0", 10), std::string()}) {
        EXPECT_EQ(Unpack(bytes), 0);
        EXPECT_EQ(ReadPackageName(source.File("Example.kvd")), "");
        EXPECT_TRUE(plugins.Entries().empty());
    }
}

TEST_F(PackageTest, ShortPackageFailsEvenWithAnOutputName)
{
    EXPECT_EQ(Unpack(std::string("Short.kvp\0", 10), "Chosen.kvp"), 0);
    EXPECT_TRUE(plugins.Entries().empty());
}

TEST_F(PackageTest, NamesThatAreNotPlainFilesCreateNothing)
{
    const std::string names[] = {"..\\x.kvp", "../x.kvp", "a/b.kvp",  "C:x.kvp",    "C:\\x.kvp", "\\\\srv\\s\\x.kvp",
                                 "x.kvp:s",   "CON.kvp",  "nul",      "COM1.kvp",   "CONIN$",    "lpt9",
                                 "x.kvp.",    "x.kvp ",   "a\tb.kvp", "..",         ".",         "aux .kvp",
                                 "<x>.kvp",   "x|y.kvp",  "x?.kvp",   "com\xb9.kvp"};
    for (const std::string& name : names) {
        EXPECT_EQ(Unpack(PackageBytes(name, GzipBytes(kLibrary))), 0) << name;
        EXPECT_EQ(ReadPackageName(source.File("Example.kvd")), "") << name;
        EXPECT_TRUE(plugins.Entries().empty()) << name;
    }
}

TEST_F(PackageTest, NamesOfTheWorkingFilesCreateNothing)
{
    for (std::string name : {"gztemp.tmp", "GZOUTPUT.TMP"}) {
        EXPECT_EQ(Unpack(PackageBytes(name, GzipBytes(kLibrary))), 0) << name;
        EXPECT_TRUE(plugins.Entries().empty()) << name;
    }
}

TEST_F(PackageTest, OrdinaryNamesAreAccepted)
{
    for (std::string name : {"a.kvp", "My Plugin.kvp", "x", ".hidden", "com10.kvp", "console.kvp"}) {
        EXPECT_EQ(Unpack(PackageBytes(name, GzipBytes("x"))), 1) << name;
        EXPECT_EQ(ReadPackageName(source.File("Example.kvd")), name);
    }
}
