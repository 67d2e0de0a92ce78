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
// identity counts as date 0 and version 0. An older copy's package is deleted
// (the installed copy is the newer one); a new copy without release date or
// identity cannot be installed, and its package is set aside whole. Package
// and installed copy are read-only, which the pass must not mind.
TEST_F(PluginInstallTest, NewerCopyIsKeptOlderRolledBackAndIncompleteSetAside)
{
    enum Ending { Kept, Older, SetAside };
    const std::tuple<const char*, const char*, Ending> cases[] = {
        {"pk_base", "pk_same", Kept},       {"pk_base", "pk_laterdate", Kept},  {"pk_base", "pk_earlierdate", Older},
        {"pk_v19", "pk_v110", Older},       {"pk_v110", "pk_v19", Kept},        {"pk_noidentity", "pk_zero", Kept},
        {"pk_noidentity", "pk_base", Kept}, {"pk_base", "pk_nodate", SetAside}, {"pk_base", "pk_noidentity", SetAside}};
    for (auto [installed, incoming, ending] : cases) {
        SCOPED_TRACE(std::string(installed) + " then " + incoming);
        EmptyPluginsFolder();
        folder.AddPlugin(installed, "Versioned.kvp");
        folder.AddPackage(incoming);
        std::string package = ReadBytes(Plugins("Versioned.kvd"));
        for (const char* name : {"Versioned.kvp", "Versioned.kvd"}) {
            SetFileAttributesA(Plugins(name).c_str(), FILE_ATTRIBUTE_READONLY);
        }
        std::vector<std::string> listed = Install();
        EXPECT_TRUE(IsCopyOf(Plugins("Versioned.kvp"), ending == Kept ? incoming : installed));
        EXPECT_EQ(listed.size(), ending == Kept ? 1u : 0u);
        if (ending == SetAside) {
            EXPECT_TRUE(ReadBytes(Plugins("Versioned.kvd.failed")) == package);
            EXPECT_EQ(Entries(), (std::vector<std::string>{"Versioned.kvd.failed", "Versioned.kvp"}));
        } else {
            EXPECT_EQ(Entries(), std::vector<std::string>{"Versioned.kvp"});
        }
    }
}

// A journal counts only when whole (its line feed written) and naming a
// library the pass could have written; a path must stay below MAX_PATH.
TEST_F(PluginInstallTest, JournalAndStoredNamesHoldOnlyWhatCanBeWhole)
{
    for (auto [bytes, name] : {std::pair{"Versioned.kvp\n", "Versioned.kvp"},
                               {"Versioned.kvp", ""},
                               {"\n", ""},
                               {"..\\Versioned.kvp\n", ""}}) {
        WriteBytes(Plugins(InstallJournalFile), bytes);
        EXPECT_EQ(ReadInstallJournal(folder.PluginsPath()), name) << bytes;
    }
    std::string longest(MAX_PATH - 1 - folder.PluginsPath().size() - 4, 'n');
    EXPECT_TRUE(IsInstallableName(folder.PluginsPath(), longest + ".kvp"));
    EXPECT_FALSE(IsInstallableName(folder.PluginsPath(), longest + "n.kvp"));
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

// A package that cannot be installed (a payload that does not unpack, or over
// an installed copy one that unpacks to no library) is set aside whole and not
// tried again; installed copies stay as they were. When the set-aside name is
// taken, the package stays as it is and so does the file under that name.
TEST_F(PluginInstallTest, PackageThatCannotBeInstalledIsSetAsideWhole)
{
    std::string library = ReadBytes(TestPluginPath("pk_laterdate"));
    std::string badCrc = GzipBytes(library);
    badCrc[badCrc.size() - 8] ^= 1;
    const std::tuple<const char*, std::string, bool> cases[] = {
        {"bad CRC", badCrc, false},
        {"bad CRC", badCrc, true},
        {"cut short", GzipBytes(library).substr(0, 5000), false},
        {"cut short", GzipBytes(library).substr(0, 5000), true},
        {"no library", GzipBytes("plain text, no library"), true},
        {"raw bytes", "MZ but nothing more", true}};
    for (const auto& [what, payload, installed] : cases) {
        SCOPED_TRACE(std::string(what) + (installed ? " over an installed copy" : ""));
        EmptyPluginsFolder();
        folder.AddPlugin("pk_other", "Other.kvp");
        std::vector<std::string> expected = {"Other.kvp", "Versioned.kvd.failed"};
        if (installed) {
            folder.AddPlugin("pk_base", "Versioned.kvp");
            expected.push_back("Versioned.kvp");
        }
        std::string package = PackageBytes("Versioned.kvp", payload);
        WriteBytes(Plugins("Versioned.kvd"), package);
        EXPECT_TRUE(Install().empty());
        EXPECT_TRUE(Install().empty());
        EXPECT_TRUE(ReadBytes(Plugins("Versioned.kvd.failed")) == package);
        EXPECT_TRUE(IsCopyOf(Plugins("Other.kvp"), "pk_other"));
        EXPECT_TRUE(!installed || IsCopyOf(Plugins("Versioned.kvp"), "pk_base"));
        EXPECT_EQ(Entries(), expected);

        std::string second = PackageBytes("Versioned.kvp", payload + "x");
        WriteBytes(Plugins("Versioned.kvd"), second);
        EXPECT_TRUE(Install().empty());
        EXPECT_TRUE(ReadBytes(Plugins("Versioned.kvd")) == second);
        EXPECT_TRUE(ReadBytes(Plugins("Versioned.kvd.failed")) == package);
        EXPECT_TRUE(!installed || IsCopyOf(Plugins("Versioned.kvp"), "pk_base"));
        EXPECT_EQ(Entries().size(), expected.size() + 1);
    }
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

// Only a lock that another start holds, or is letting go, is waited for;
// nothing else under its name ever becomes one, and a folder that takes no
// file takes no lock either.
TEST(InstallLock, OnlyALockHeldOrBeingLetGoIsWaitedFor)
{
    const std::tuple<DWORD, DWORD, LockRefusal> cases[] = {
        {ERROR_SHARING_VIOLATION, FILE_ATTRIBUTE_HIDDEN, LockRefusal::Wait},
        {ERROR_ACCESS_DENIED, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, LockRefusal::Wait},
        {ERROR_ACCESS_DENIED, FILE_ATTRIBUTE_DIRECTORY, LockRefusal::GoOn},
        {ERROR_ACCESS_DENIED, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, LockRefusal::GoOn},
        {ERROR_ACCESS_DENIED, INVALID_FILE_ATTRIBUTES, LockRefusal::GoOn},
        {ERROR_PATH_NOT_FOUND, INVALID_FILE_ATTRIBUTES, LockRefusal::GoOn},
        {ERROR_WRITE_PROTECT, FILE_ATTRIBUTE_NORMAL, LockRefusal::GoOn}};
    for (auto [error, attributes, expected] : cases) {
        EXPECT_EQ(JudgeLockRefusal(error, attributes), expected) << "error " << error << ", attributes " << attributes;
    }
}
