// The package opener's judgement of packages that lie outside the toy's
// folder, against what stands in its Plugins folder: what it shows and what
// it refuses, without touching that folder or running plugin code.
#include "app/PackageReview.h"

#include <map>

#include <gtest/gtest.h>

#include "support/Win32Handles.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"
#include "tools/kvdpack/PackageWriter.h"

namespace {

const std::string kToy = "PillowmoorToy";

struct Installed {
    const char* label;
    const char* file;
};

struct Case {
    const char* what;
    std::vector<Installed> installed;
    const char* label; // the test plugin packed; empty: a damaged payload
    const char* storedName;
    const char* refusal; // part of the refusal; empty when Install is offered
    const char* replaces;
};

const Case kCases[] = {
    {"a new plugin under the toy", {}, "pk_other", "Other.kvp", "", "nothing: a new plugin"},
    {"a newer copy of an installed plugin",
     {{"pk_base", "Versioned.kvp"}},
     "pk_laterdate",
     "Versioned.kvp",
     "",
     "Versioned.kvp in Plugins\\, Versioned version 1.0, release date 5"},
    {"an older copy",
     {{"pk_laterdate", "Versioned.kvp"}},
     "pk_base",
     "Versioned.kvp",
     "The toy would not install it: the new copy (release date 5, version 1) is older than Versioned.kvp "
     "(release date 6, version 0.5).",
     "Versioned.kvp in Plugins\\, Versioned version 0.5, release date 6"},
    {"a device name", {}, "pk_other", "CON.kvp", "The package names no plugin file that the toy installs.", "nothing"},
    {"a damaged payload",
     {{"pk_base", "Damaged.kvp"}},
     "",
     "Damaged.kvp",
     "the payload does not unpack.",
     "Damaged.kvp in Plugins\\, Versioned version 1.0"},
    {"a child of an installed plugin", {{"tp_parent", "Parent.kvp"}}, "tp_sibling", "Sibling.kvp", "", "nothing"},
    {"an owner the toy does not load",
     {},
     "tp_stranger",
     "Stranger.kvp",
     "The plugin would not load: owner list names Nobody, which is not loaded.",
     "nothing"},
    {"a library the host does not load", {}, "tp_good", "Good.dll", "the host loads only *.kvp", "nothing"},
    {"a DLL the plugin needs is missing", {}, "tp_missingdll", "Missing.kvp", "kvpabsentdependency.dll", "nothing"},
};

// The review of the package at packagePath for the toy in folder, which
// must leave that folder as it is and run none of the plugins' code.
PackageReview Review(const ToyFolder& folder, const std::string& packagePath)
{
    folder.ClearTrace();
    std::vector<std::string> before = ListFolder(folder.PluginsPath());
    PackageReview review =
        ReviewPackage(packagePath, folder.PluginsPath(), kToy, DependencySearch(ProgramFolder(), folder.Path()));
    EXPECT_EQ(ListFolder(folder.PluginsPath()), before);
    EXPECT_EQ(folder.Trace(), std::vector<std::string>{});
    return review;
}

class PackageReviewTest : public ::testing::Test {
protected:
    ScopedRegistryKey toyKey{"Software\\Quillfen Ltd\\Wimbleset\\" + kToy};
    ToyFolder folder;
    TestFolder downloads;
};

TEST_F(PackageReviewTest, PackagesAreOfferedOnlyWhenTheNextStartWouldInstallAndLoadThem)
{
    for (const Case& test : kCases) {
        SCOPED_TRACE(test.what);
        ToyFolder toy;
        for (const Installed& plugin : test.installed) {
            toy.AddPlugin(plugin.label, plugin.file);
        }
        std::string package = downloads.File("Package.kvd");
        std::string error;
        if (*test.label == '\0') {
            WriteBytes(package, PackageBytes(test.storedName, "\x1f\x8b damaged"));
        } else {
            ASSERT_TRUE(WritePackage(TestPluginPath(test.label), package, test.storedName, error)) << error;
        }
        PackageReview review = Review(toy, package);
        if (*test.refusal == '\0') {
            EXPECT_EQ(review.refusal, "");
        } else {
            EXPECT_NE(review.refusal.find(test.refusal), std::string::npos) << review.refusal;
        }
        std::map<std::string, std::string> facts;
        for (const auto& [label, value] : DescribePackage(review)) {
            facts[label] = value;
        }
        EXPECT_EQ(facts["Package"], "Package.kvd");
        EXPECT_EQ(facts["Replaces"].rfind(test.replaces, 0), 0u) << facts["Replaces"];
    }
}

TEST_F(PackageReviewTest, TheDialogShowsTheHeaderOfThePluginInThePackage)
{
    std::string package = downloads.File("Other.kvd");
    std::string error;
    ASSERT_TRUE(WritePackage(TestPluginPath("pk_other"), package, "Other.kvp", error)) << error;
    std::vector<std::pair<std::string, std::string>> expected{
        {"Package", "Other.kvd"},
        {"Plugin", "Other"},
        {"Version", "1.0"},
        {"Release date", "1"},
        {"Details", "Test plugin pk_other"},
        {"Runs under", "PillowmoorToy"},
        {"Replaces", "nothing: a new plugin"},
    };
    EXPECT_EQ(DescribePackage(Review(folder, package)), expected);
}

TEST_F(PackageReviewTest, APackageStillBeingWrittenIsRefusedUntilItIsComplete)
{
    std::string package = downloads.File("Other.kvd");
    std::string error;
    ASSERT_TRUE(WritePackage(TestPluginPath("pk_other"), package, "Other.kvp", error)) << error;
    {
        FileHandle writer(CreateFileA(package.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer);
        EXPECT_NE(Review(folder, package).refusal.find("still being written"), std::string::npos);
    }
    EXPECT_EQ(Review(folder, package).refusal, "");
}

} // namespace
