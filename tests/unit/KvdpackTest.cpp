// kvdpack, run in this process with its output captured.
#include "tools/kvdpack/Kvdpack.h"

#include <sstream>

#include <gtest/gtest.h>

#include "support/Package.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/ScratchDir.h"

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

} // namespace

TEST(Kvdpack, PackageHoldsTheLibrarysNameAndUnpacksToItsBytes)
{
    ScratchDir dir;
    ScratchDir plugins;
    std::string library = NoiseBytes(2 * 1024 * 1024 + 5, 11) + std::string(100000, 'z');
    WriteBytes(dir.File("Example.kvp"), library);

    Result packed = RunTool({dir.File("Example.kvp")});
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    ASSERT_TRUE(Exists(dir.File("Example.kvd")));
    EXPECT_EQ(ReadPackageName(dir.File("Example.kvd")), "Example.kvp");
    EXPECT_EQ(UnpackPackage(dir.File("Example.kvd"), plugins.Folder(), ""), 1);
    EXPECT_EQ(ReadBytes(plugins.File("Example.kvp")), library);

    Result listed = RunTool({"--list", dir.File("Example.kvd")});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_TRUE(Contains(listed.out, "name: Example.kvp\n")) << listed.out;
    EXPECT_TRUE(Contains(listed.out, "content: " + std::to_string(library.size()) + " bytes\n")) << listed.out;
    EXPECT_TRUE(Contains(listed.out, "crc: ok\n")) << listed.out;
    std::string payloadLine = "payload: " + std::to_string(ReadBytes(dir.File("Example.kvd")).size() - 1024);
    EXPECT_TRUE(Contains(listed.out, payloadLine + " bytes of gzip data\n")) << listed.out;
}

TEST(Kvdpack, ListTellsADamagedPackage)
{
    ScratchDir dir;
    std::string gzip = GzipBytes("library bytes");
    gzip[gzip.size() - 6] ^= 1;
    WriteBytes(dir.File("Bad.kvd"), PackageBytes("Bad.kvp", gzip));
    Result listed = RunTool({"--list", dir.File("Bad.kvd")});
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_TRUE(Contains(listed.out, "crc: damaged or cut short\n")) << listed.out;
    EXPECT_TRUE(Contains(listed.err, "will not install")) << listed.err;
}

TEST(Kvdpack, ListTellsANameTheHostRefuses)
{
    ScratchDir dir;
    WriteBytes(dir.File("Evil.kvd"), PackageBytes("..\\Evil.kvp", GzipBytes("x")));
    Result listed = RunTool({"--list", dir.File("Evil.kvd")});
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_TRUE(Contains(listed.err, "not a plain file name")) << listed.err;
}

TEST(Kvdpack, ListRefusesFilesThatAreNoPackage)
{
    ScratchDir dir;
    WriteBytes(dir.File("Short.kvd"), "too short");
    EXPECT_EQ(RunTool({"--list", dir.File("Short.kvd")}).exitCode, 1);
    EXPECT_EQ(RunTool({"--list", dir.File("Absent.kvd")}).exitCode, 1);
}

TEST(Kvdpack, RefusesLibrariesItCannotPackUsefully)
{
    ScratchDir dir;
    WriteBytes(dir.File("Two.dots.kvp"), "x");
    Result dotted = RunTool({dir.File("Two.dots.kvp")});
    EXPECT_EQ(dotted.exitCode, 1);
    EXPECT_TRUE(Contains(dotted.err, "NAME.kvp")) << dotted.err;
    EXPECT_FALSE(Exists(dir.File("Two.kvd")));

    Result missing = RunTool({dir.File("Absent.kvp")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Contains(missing.err, "cannot open")) << missing.err;
    EXPECT_FALSE(Exists(dir.File("Absent.kvd")));
}

TEST(Kvdpack, WrongCommandLinesShowTheUsage)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, {"--list"}, {"a.kvp", "b.kvp"}, {"--bogus"}, {"--list", "a", "b"}}) {
        Result result = RunTool(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(Contains(result.err, "usage: kvdpack")) << result.err;
    }
    EXPECT_EQ(RunTool({"--help"}).exitCode, 0);
}
