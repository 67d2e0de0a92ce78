// The package reader against packages built byte by byte. Portable: runs
// natively under the sanitizers and under Wine.
#include "support/Package.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "tests/support/PackageBytes.h"
#include "tests/support/TestFolder.h"

using namespace std::string_literals;

namespace {

const std::string kLibrary = "MZ pretend library\0with zero bytes\xff\x01"s + std::string(5000, 'L');
// The largest library an unpack writes, as one gzip member.
const std::string kLargestGzip = GzipBytes(std::string(PackageMaxLibrarySize, 'L'));

class PackageTest : public ::testing::Test {
protected:
    std::int32_t Unpack(const std::string& bytes, const std::string& outputName = "")
    {
        WriteBytes(package, bytes);
        return UnpackPackage(package, plugins.Path(), outputName);
    }

    TestFolder source;
    TestFolder plugins;
    const std::string package = source.File("Example.kvd");
};

} // namespace

// Each over a stale output and stale working files, which it replaces and
// removes: gzip (of one member or two, up to the largest library) or raw
// payloads, under the stored name or a chosen one.
TEST_F(PackageTest, PayloadUnpacksWholeUnderTheStoredOrChosenName)
{
    struct Case {
        std::string block;
        std::string payload;
        std::string outputName;
        std::string library;
    };
    const std::string raw = "not gzip at all" + NoiseBytes(3000, 1);
    const std::string large = NoiseBytes(3 * 1024 * 1024 + 17, 7);
    std::vector<Case> cases = {
        {"Example.kvp", GzipBytes(kLibrary), "", kLibrary},
        {"Empty.kvp", "", "", ""},
        {"Raw.kvp", raw, "", raw},
        {"Two.kvp", GzipBytes("first part, ") + GzipBytes("second part"), "", "first part, second part"},
        {"Large.kvp", GzipBytes(large), "", large},
        {"Largest.kvp", kLargestGzip, "", std::string(PackageMaxLibrarySize, 'L')},
        {"Stored.kvp", GzipBytes(kLibrary), "Chosen.kvp", kLibrary},
        {"Example.kvp\0"s + NoiseBytes(900, 3), GzipBytes(kLibrary), "", kLibrary}};
    for (const char* name :
         {"a.kvp", "My Plugin.kvp", "x", ".hidden", "com10.kvp", "console.kvp", "K\xc3\xa4se.kvp",
          "\xd0\x9f\xd0\xb0\xd0\xba\xd0\xb5\xd1\x82.kvp", "\xf0\x9f\x90\xbb.kvp", "com\xc2\xb2x.kvp"}) {
        cases.push_back({name, GzipBytes("x"), "", "x"});
    }
    for (const Case& c : cases) {
        std::string stored = c.block.substr(0, c.block.find('\0'));
        std::string output = plugins.File(c.outputName.empty() ? stored : c.outputName);
        WriteBytes(output, std::string(100000, 'o'));
        WriteBytes(plugins.File(PackageTempFile), std::string(100000, 't'));
        WriteBytes(plugins.File(PackageOutputFile), std::string(100000, 'w'));
        EXPECT_EQ(Unpack(PackageBytes(c.block, c.payload), c.outputName), 1) << stored;
        EXPECT_EQ(ReadBytes(output), c.library) << stored;
        EXPECT_EQ(plugins.Entries(), std::vector<std::string>{output.substr(plugins.Path().size())});
        EXPECT_EQ(ReadPackageName(package), stored);
        std::remove(output.c_str());
    }
}

// A missing or short package, one without a name or with one that is no plain
// file (bytes that are not UTF-8 among them: Windows would store another
// name) or is a working file's, a damaged payload or one larger than a library
// may be: each fails before it changes the installed copy and leaves no
// working files.
TEST_F(PackageTest, RefusedPackagesLeaveTheInstalledCopyAlone)
{
    std::string gzip = GzipBytes(kLibrary);
    std::string badCrc = gzip;
    badCrc[badCrc.size() - 8] ^= 0x55;
    std::string garbled = gzip;
    garbled[20] ^= 0x7f;
    struct Case {
        std::string bytes;
        std::string outputName;
        std::string storedName;
    };
    std::vector<Case> cases = {{PackageBytes("", gzip), "", ""},
                               {std::string(1024, 'n') + gzip, "", ""},
                               {"Short.kvp\0"s, "", ""},
                               {"Short.kvp\0"s, "Chosen.kvp", ""},
                               {"", "", ""}};
    for (const std::string& payload : {badCrc, garbled, gzip.substr(0, gzip.size() / 2),
                                       gzip.substr(0, gzip.size() - 3), kLargestGzip + GzipBytes("L")}) {
        cases.push_back({PackageBytes("Example.kvp", payload), "", "Example.kvp"});
    }
    for (const std::string name : {"..\\x.kvp",
                                   "../x.kvp",
                                   "a/b.kvp",
                                   "C:x.kvp",
                                   "C:\\x.kvp",
                                   "\\\\srv\\s\\x.kvp",
                                   "x.kvp:s",
                                   "CON.kvp",
                                   "nul",
                                   "COM1.kvp",
                                   "CONIN$",
                                   "lpt9",
                                   "x.kvp.",
                                   "x.kvp ",
                                   "a\tb.kvp",
                                   "a\x1f.kvp",
                                   "..",
                                   ".",
                                   "aux .kvp",
                                   "<x>.kvp",
                                   "x|y.kvp",
                                   "x?.kvp",
                                   "com\xb9.kvp",
                                   "COM\xc2\xb9.kvp",
                                   "lpt\xc2\xb3",
                                   "K\xe4se.kvp",
                                   "\xc0\xaf.kvp",
                                   "\xed\xa0\x80.kvp",
                                   "x\xe2\x82.kvp",
                                   "\xf4\x90\x80\x80.kvp",
                                   "\xe0\x80\xaf.kvp",
                                   "\xf0\x80\x80\xaf.kvp",
                                   "x\x80.kvp"}) {
        cases.push_back({PackageBytes(name, gzip), "", ""});
    }
    // A name up to the block's last byte is read but too long for any folder.
    for (const std::string& name : std::vector<std::string>{"gztemp.tmp", "GZOUTPUT.TMP", std::string(1023, 'n')}) {
        cases.push_back({PackageBytes(name, gzip), "", name});
    }
    EXPECT_EQ(UnpackPackage(source.File("absent.kvd"), plugins.Path(), ""), 0);
    EXPECT_EQ(ReadPackageName(source.File("absent.kvd")), "");
    for (const Case& c : cases) {
        SCOPED_TRACE("name block '" + c.bytes.substr(0, c.bytes.find('\0')).substr(0, 40) + "'");
        WriteBytes(plugins.File("Example.kvp"), "the installed library");
        EXPECT_EQ(Unpack(c.bytes, c.outputName), 0);
        EXPECT_EQ(ReadBytes(plugins.File("Example.kvp")), "the installed library");
        EXPECT_EQ(plugins.Entries(), std::vector<std::string>{"Example.kvp"});
        EXPECT_EQ(ReadPackageName(package), c.storedName);
    }
}
