// The installation pass on a scratch plugins folder with real plugin
// libraries of different versions and release dates.
#include "plugins/PluginInstall.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

#include <gtest/gtest.h>

#include "plugins/ToyPlugin.h"
#include "support/FileSystem.h"
#include "support/Win32Handles.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/ToyFolder.h"

namespace {

class PluginInstallTest : public ::testing::Test {
protected:
    std::vector<std::string> Install()
    {
        CToyPlugin loader;
        return loader.InstallPackages();
    }

    std::string Plugins(const std::string& name) const { return folder.PluginsPath() + name; }

    // The plugins folder's entries, sorted.
    std::vector<std::string> Entries() const { return ListFolder(folder.PluginsPath()); }

    void EmptyPluginsFolder()
    {
        RemoveTree(folder.PluginsPath());
        CreateDirectoryA(folder.PluginsPath().c_str(), nullptr);
    }

    ToyFolder folder;
    CurrentDirectoryScope inFolder{folder.Path()};
};

} // namespace

// A later date wins over a lower version and an earlier one loses to a higher
// version; versions compare as numbers (1.10 is below 1.9); a copy without
// identity counts as date 0 and version 0, and a new copy without release date
// or identity loses. Package and installed copy are read-only, which the pass
// must not mind.
TEST_F(PluginInstallTest, NewerCopyIsKeptAndOlderRolledBack)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"pk_base", "pk_same", true},       {"pk_base", "pk_laterdate", true}, {"pk_base", "pk_earlierdate", false},
        {"pk_v19", "pk_v110", false},       {"pk_v110", "pk_v19", true},       {"pk_noidentity", "pk_zero", true},
        {"pk_noidentity", "pk_base", true}, {"pk_base", "pk_nodate", false},   {"pk_base", "pk_noidentity", false}};
    for (auto [installed, incoming, kept] : cases) {
        SCOPED_TRACE(std::string(installed) + " then " + incoming);
        EmptyPluginsFolder();
        folder.AddPlugin(installed, "Versioned.kvp");
        folder.AddPackage(incoming);
        for (const char* name : {"Versioned.kvp", "Versioned.kvd"}) {
            SetFileAttributesA(Plugins(name).c_str(), FILE_ATTRIBUTE_READONLY);
        }
        std::vector<std::string> listed = Install();
        EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), kept ? incoming : installed));
        EXPECT_EQ(listed.size(), kept ? 1u : 0u);
        EXPECT_EQ(Entries(), std::vector<std::string>{"Versioned.kvp"});
    }
}

// Only a backup that the journal names goes back; other "*.tmp" files are
// not the pass's and stay, and a backup without a journal belongs to a
// finished update and goes, read-only or not.
TEST_F(PluginInstallTest, SweepPutsBackOnlyTheBackupItsJournalNames)
{
    folder.AddPlugin("pk_other", "Other.kvp");
    WriteBytes(Plugins("Other.tmp"), "8 bytes!");
    WriteBytes(Plugins("readme.tmp"), "notes");
    ASSERT_TRUE(CreateDirectoryA(Plugins("folder.tmp").c_str(), nullptr));
    folder.AddPlugin("pk_base", InstallBackupFile);
    ASSERT_TRUE(WriteInstallJournal(folder.PluginsPath(), "Versioned.kvp"));
    WriteBytes(Plugins("Versioned.kvp"), "half a library");
    WriteBytes(Plugins("gztemp.tmp"), "payload");
    WriteBytes(Plugins("GZOUTPUT.TMP"), "half a library");
    const std::vector<std::string> kept = {"Other.kvp", "Other.tmp", "Versioned.kvp", "folder.tmp", "readme.tmp"};
    EXPECT_TRUE(Install().empty());
    EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), "pk_base"));
    EXPECT_TRUE(IsCopyOf(Plugins("Other.kvp"), "pk_other"));
    EXPECT_EQ(Entries(), kept);

    folder.AddPlugin("pk_laterdate", InstallBackupFile);
    SetFileAttributesA(Plugins(InstallBackupFile).c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(Install().empty());
    EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), "pk_base"));
    EXPECT_EQ(Entries(), kept);
}

TEST_F(PluginInstallTest, PackagesAreTakenInFolderOrder)
{
    folder.AddPackage("pk_base");
    folder.AddPackage("pk_other", "Other.kvd", "Other.kvp");
    std::vector<std::string> expected;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder.PluginsPath(), "*.kvd")) {
        expected.push_back(Plugins(entry.cFileName));
    }
    EXPECT_EQ(Install(), expected);
    EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), "pk_base"));
    EXPECT_TRUE(IsCopyOf(Plugins("Other.kvp"), "pk_other"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Other.kvp", "Versioned.kvp"}));
}

// The file compared, backed up and restored is the one under the stored
// name, never one found by the package's own name; and of two packages for
// one library the newer wins in either folder order.
TEST_F(PluginInstallTest, StoredNameIsTheLibraryThatIsComparedAndReplaced)
{
    folder.AddPlugin("pk_base", "Versioned.kvp");
    folder.AddPlugin("pk_other", "Other.kvp");
    folder.AddPackage("pk_earlierdate", "Versioned.kvd", "Other.kvp");
    folder.AddPackage("pk_earlierdate", "Evil.kvd", "Versioned.kvp");
    EXPECT_EQ(Install(), std::vector<std::string>{Plugins("Versioned.kvd")});
    EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), "pk_base"));
    EXPECT_TRUE(IsCopyOf(Plugins("Other.kvp"), "pk_earlierdate"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Other.kvp", "Versioned.kvp"}));

    for (const char* newer : {"A.kvd", "B.kvd"}) {
        SCOPED_TRACE(newer);
        folder.AddPackage("pk_laterdate", newer, "Same.kvp");
        folder.AddPackage("pk_base", newer == std::string("A.kvd") ? "B.kvd" : "A.kvd", "Same.kvp");
        Install();
        EXPECT_TRUE(IsCopyOf(Plugins("Same.kvp"), "pk_laterdate"));
        DeleteFileA(Plugins("Same.kvp").c_str());
    }
}

TEST_F(PluginInstallTest, InstalledCopyHeldOpenStaysAndSoDoesThePackage)
{
    folder.AddPlugin("pk_base", "Versioned.kvp");
    folder.AddPackage("pk_laterdate");
    KernelHandle held(CreateFileA(Plugins("Versioned.kvp").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(held.Get(), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Install().empty());
    held.Reset();
    EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), "pk_base"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Versioned.kvd", "Versioned.kvp"}));

    // Once the copy is free, the next start installs the package.
    EXPECT_EQ(Install().size(), 1u);
    EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), "pk_laterdate"));
}

// A package that does not unpack leaves no working files and the installed
// copies as they were; without one it is set aside, not tried again at the
// next start, and over one it is rolled back.
TEST_F(PluginInstallTest, PackageThatDoesNotUnpackLeavesNothingNew)
{
    std::string damaged = GzipBytes(ReadBytes(TestPluginPath("pk_base")));
    damaged[damaged.size() - 8] ^= 1;
    WriteBytes(Plugins("Versioned.kvd"), PackageBytes("Versioned.kvp", damaged));
    EXPECT_TRUE(Install().empty());
    EXPECT_TRUE(Install().empty());
    EXPECT_EQ(Entries(), std::vector<std::string>{"Versioned.kvd.failed"});

    EmptyPluginsFolder();
    folder.AddPlugin("pk_base", "Versioned.kvp");
    folder.AddPlugin("pk_other", "Other.kvp");
    WriteBytes(Plugins("Versioned.kvd"), PackageBytes("Other.kvp", "\x1f\x8b damaged"));
    EXPECT_TRUE(Install().empty());
    EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), "pk_base"));
    EXPECT_TRUE(IsCopyOf(Plugins("Other.kvp"), "pk_other"));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Other.kvp", "Versioned.kvp"}));
}

// Names that are no plain file (a few; PackageTest has them all), that the
// pass keeps for its own files or for packages, or that are too long for the
// folder are refused before anything is written; their packages are set aside.
TEST_F(PluginInstallTest, NamesThePassCannotInstallAreRefused)
{
    const std::string names[] = {"..\\x.kvp",     "C:\\x.kvp",     "CON.kvp",    "",
                                 "x.TMP",         "x.KVD",         "Sub.kvp",    "\\\\srv\\s\\x.kvp",
                                 "Versioned.tmp", "Versioned.kvd", "gzlock.tmp", std::string(300, 'x') + ".kvp"};
    std::string library = ReadBytes(TestPluginPath("pk_laterdate"));
    for (const std::string& name : names) {
        SCOPED_TRACE("stored name '" + name + "'");
        EmptyPluginsFolder();
        folder.AddPlugin("pk_base", "Versioned.kvp");
        ASSERT_TRUE(CreateDirectoryA(Plugins("Sub.kvp").c_str(), nullptr));
        WriteBytes(Plugins("Versioned.kvd"), PackageBytes(name, GzipBytes(library)));
        WriteBytes(Plugins("Fresh.kvd"), PackageBytes(name, GzipBytes(library)));
        EXPECT_TRUE(Install().empty());
        EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), "pk_base"));
        // Nothing was unpacked anywhere, and nothing moved.
        EXPECT_EQ(Entries(),
                  (std::vector<std::string>{"Fresh.kvd.failed", "Sub.kvp", "Versioned.kvd.failed", "Versioned.kvp"}));
        EXPECT_FALSE(FileExists(folder.Path() + "x.kvp"));
    }
}
