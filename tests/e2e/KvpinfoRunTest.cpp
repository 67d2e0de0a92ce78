// kvpinfo, run in this process on scratch plugins folders of test libraries:
// its report checked as text, and its predicted tree against what the real
// host then does with the same folder.
#include "tools/kvpinfo/Kvpinfo.h"

#include <algorithm>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "plugins/CrashNote.h"
#include "support/FileSystem.h"
#include "support/Registry.h"
#include "tests/support/HostProcess.h"
#include "tests/support/PackageBytes.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"

namespace {

const std::string kToy = "PillowmoorToy";
const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\" + kToy;
const std::string kTreeHeading = "Tree the host would build from these libraries:";

struct Result {
    int exitCode;
    std::string out;
    std::string err;
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The lines after the line heading, up to the next empty line.
std::vector<std::string> Section(const std::string& text, const std::string& heading)
{
    std::istringstream lines(text.substr(std::min(text.find(heading + "\n"), text.size())));
    std::vector<std::string> section;
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line) && !line.empty()) {
        section.push_back(line);
    }
    return section;
}

// Each library's lines of the text report, by file name.
std::map<std::string, std::string> LibraryBlocks(const std::string& report)
{
    std::map<std::string, std::string> blocks;
    std::string file;
    for (const std::string& line : Section(report, "Libraries, in the order the host finds them:")) {
        file = line[0] == ' ' ? file : line;
        blocks[file] += line + "\n";
    }
    return blocks;
}

// The predicted tree in preorder, one "file under owner" per plugin, the
// owner "-" for the toy: the order in which the host runs their hooks.
std::vector<std::string> PredictedPlacings(const std::string& report)
{
    std::vector<std::string> placings;
    std::vector<std::string> owners{"-"};
    for (const std::string& line : Section(report, kTreeHeading)) {
        std::size_t indent = line.find_first_not_of(' ');
        std::size_t bracket = line.find(" [");
        owners.resize(indent / 2);
        placings.push_back(line.substr(bracket + 2, line.size() - bracket - 3) + " under " + owners.back());
        owners.push_back(line.substr(indent, bracket - indent));
    }
    return placings;
}

// The same from the trace of a real run: each accepted plugin traces its hook
// with its owner's name.
std::vector<std::string> HostPlacings(const std::vector<std::string>& trace)
{
    std::vector<std::string> placings;
    for (const std::string& line : trace) {
        std::size_t hook = line.find(" hook parent=");
        if (hook != std::string::npos) {
            std::size_t start = hook + 13;
            placings.push_back(line.substr(0, hook) + ".kvp under " +
                               line.substr(start, line.find(' ', start) - start));
        }
    }
    return placings;
}

class KvpinfoRunTest : public ::testing::Test {
protected:
    // kvpinfo on the folder's Plugins, with the host of the test programs.
    Result Run(std::vector<std::string> options = {})
    {
        CurrentDirectoryScope scope(folder.Path());
        options.insert(options.begin(), {"--host", HostPath()});
        std::ostringstream out, err;
        int exitCode = RunKvpinfo(options, out, err);
        return {exitCode, out.str(), err.str()};
    }

    // kvpinfo must run no plugin code (the test libraries trace their
    // construction and every unload by FreeLibrary) and change no file.
    Result RunWithoutPluginCode(std::vector<std::string> options = {})
    {
        folder.ClearTrace();
        std::vector<std::string> before = FolderListing();
        Result result = Run(std::move(options));
        EXPECT_EQ(folder.Trace(), std::vector<std::string>{});
        EXPECT_EQ(FolderListing(), before);
        return result;
    }

    std::vector<std::string> FolderListing()
    {
        std::vector<std::string> listing;
        for (const WIN32_FIND_DATAA& entry : FindFiles(folder.PluginsPath(), "*")) {
            listing.push_back(std::string(entry.cFileName) + " " + std::to_string(entry.nFileSizeLow));
        }
        return listing;
    }

    // The text report, its library blocks and its predicted tree.
    void RunText(std::vector<std::string> options = {})
    {
        Result result = RunWithoutPluginCode(std::move(options));
        exitCode = result.exitCode;
        report = result.out;
        libraries = LibraryBlocks(report);
        placings = PredictedPlacings(report);
    }

    std::vector<std::string> RunHostPlacings()
    {
        folder.ClearTrace();
        EXPECT_EQ(RunHost(folder.Path(), 120000).exitCode, 0u);
        return HostPlacings(folder.Trace());
    }

    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
    int exitCode = -1;
    std::string report;
    std::map<std::string, std::string> libraries;
    std::vector<std::string> placings;
};

} // namespace

TEST_F(KvpinfoRunTest, EachLibraryThatLoadsNowhereIsGivenItsReason)
{
    folder.AddPlugins({"tp_good", "tp_nonew", "tp_otherarch", "tp_missingdll", "tp_missingdeeper", "tp_stranger",
                       "tp_count0", "tp_noowners", "tp_noname", "tp_noactive", "tp_noversion", "tp_count2",
                       "tp_wrongcase"});
    WriteBytes(folder.PluginsPath() + "Text.kvp", "A plugin library of the toy.");
    folder.AddPlugin("tp_good", "Clock.dll");
    WriteBytes(folder.PluginsPath() + "Notes.txt", "");
    folder.AddPlugin("tp_good", "Crashed.kvp");
    ASSERT_TRUE(WriteCrashNote(folder.PluginsPath() + "Crashed.kvp", "Crashed.kvp crashed: stack overflow", -3));
    RunText();
    EXPECT_EQ(exitCode, 1);
    const std::map<std::string, std::string> verdicts = {
        {"tp_good.kvp", "places:   1"},
        {"tp_nonew.kvp", "loads nowhere: does not export New, only _Z3Newv, the C++ name of a New declared without "
                         "extern \"C\""},
        {"tp_otherarch.kvp", "loads nowhere: built for x86, the host is x86-64"},
        {"tp_missingdll.kvp", "loads nowhere: needs kvpabsentdependency.dll, which the loader will not find"},
        {"tp_missingdeeper.kvp", "loads nowhere: needs kvpabsentdependency.dll (through kvpmiddledependency.dll), "
                                 "which the loader will not find"},
        {"Text.kvp", "loads nowhere: not an executable image (no MZ header)"},
        {"tp_stranger.kvp", "loads nowhere: owner list names Nobody, which is not loaded"},
        {"tp_count2.kvp", "loads nowhere: owner list names Alpha, which is not loaded"},
        {"tp_wrongcase.kvp", "loads nowhere: owner list names good, which is not loaded"},
        {"tp_count0.kvp", "loads nowhere: owner count is 0, so it names nobody"},
        {"tp_noowners.kvp", "loads nowhere: no owner count (string 1000), so it names nobody"},
        {"tp_noname.kvp", "loads nowhere: no name (string 1)"},
        {"tp_noactive.kvp", "loads nowhere: no Active value stored and no string 6 to set it from"},
        {"tp_noversion.kvp", "loads nowhere: first run under this toy, and string 3 is missing"},
        {"Crashed.kvp", "loads nowhere: left out after a crash (Crashed.kvp crashed: stack overflow); replace it or "
                        "delete Crashed.kvp.crashed to try it again"},
    };
    EXPECT_EQ(libraries.size(), verdicts.size());
    for (const auto& [file, verdict] : verdicts) {
        std::string block = libraries[file];
        EXPECT_EQ(block.substr(block.rfind("\n  ", block.size() - 2) + 3), verdict + "\n") << block;
    }
    EXPECT_EQ(libraries["tp_count2.kvp"], "tp_count2.kvp\n"
                                          "  library:  PE for x86-64 (this host), exports New\n"
                                          "  imports:  all found\n"
                                          "  header:   1=CountTwo 2=PLUGIN 3=1.0 4=1 5=Test plugin tp_count2 6=TRUE\n"
                                          "  owners:   count 2, names Alpha\n"
                                          "  compared: release date 1, version 1\n"
                                          "  loads nowhere: owner list names Alpha, which is not loaded\n");
    EXPECT_TRUE(Contains(libraries["tp_noversion.kvp"], " 3=(missing) "));
    EXPECT_TRUE(Contains(libraries["tp_wrongcase.kvp"],
                         "\n  hint:     owner good is not Good: owner names must match in letter case\n"));
    EXPECT_TRUE(Contains(report, "\n  Clock.dll: a plugin library? The host loads only *.kvp: name it Clock.kvp\n"));
    EXPECT_TRUE(Contains(report, "\n  Notes.txt: neither a plugin library (*.kvp) nor a package (*.kvd)\n"));
    EXPECT_TRUE(Contains(report, "\n14 of 15 libraries would load nowhere.\n")) << report;

    // The same for scripts.
    Result json = RunWithoutPluginCode({"--json"});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_TRUE(Contains(json.out, "{\"file\":\"tp_count2.kvp\",\"peProblem\":\"\",\"machine\":\"x86-64\""));
    EXPECT_TRUE(Contains(json.out,
                         ",\"ownerCount\":2,\"owners\":[\"Alpha\"],\"comparedVersion\":1,\"comparedReleaseDate\":1,"
                         "\"ownerHints\":[],\"places\":0,\"problem\":\"owner list names Alpha, which is not "
                         "loaded\"}"))
        << json.out;
    EXPECT_TRUE(Contains(json.out, "{\"file\":\"Notes.txt\",\"hint\":\"neither a plugin library (*.kvp) nor a package "
                                   "(*.kvd)\"}"));
    EXPECT_TRUE(Contains(json.out, ",\"allPlaced\":false}\n"));
}

TEST_F(KvpinfoRunTest, DependenciesAreLookedForBesideTheHostNotBesideThePlugin)
{
    const std::string dll = "kvpabsentdependency.dll";
    folder.AddPlugin("tp_missingdll");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "absent\\" + dll).c_str(), (folder.PluginsPath() + dll).c_str(), FALSE));
    RunText();
    EXPECT_TRUE(Contains(libraries["tp_missingdll.kvp"], "\n  imports:  not found: " + dll + "\n"));
    EXPECT_TRUE(Contains(report, "\n  " + dll + ": ")) << report;
    EXPECT_TRUE(Contains(report, "The loader does not look in the plugins")) << report;
    // The host's current folder is searched.
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "absent\\" + dll).c_str(), (folder.Path() + dll).c_str(), FALSE));
    RunText();
    EXPECT_TRUE(Contains(libraries["tp_missingdll.kvp"], "\n  imports:  all found\n"));
    EXPECT_TRUE(Contains(libraries["tp_missingdll.kvp"], "\n  loads nowhere: no name (string 1)\n"));
}

// With --registry the report mirrors each plugin's stored values, and creates
// no key for a plugin that has none.
TEST_F(KvpinfoRunTest, PredictedTreeIsTheTreeTheHostBuilds)
{
    folder.AddPlugins({"tp_x", "tp_p", "tp_q", "tp_r", "tp_t", "tp_s", "tp_shared", "tp_self", "tp_ring1", "tp_ring2",
                       "tp_noversion", "tp_noactive", "tp_nonew", "tp_otherarch", "tp_missingdll", "tp_stranger"});
    RunText();
    EXPECT_EQ(placings, RunHostPlacings());
    EXPECT_EQ(placings.size(), 11u);
    std::vector<std::string> refusals = Section(report, "Refused where the owner list would let them in:");
    EXPECT_EQ(refusals.size(), 4u);
    EXPECT_EQ(refusals.back(), "  tp_self.kvp under PillowmoorToy > Self: ring, Self already stands on the path");
    EXPECT_FALSE(Contains(report, "registry:"));

    // After one run the registry holds Executes for NoVersion, so it no
    // longer needs its header copied, and an Active value for NoActive
    // stands in for its missing string 6.
    ASSERT_TRUE(SetRegistryString(kToyKey + "\\NoActive", "Active", "TRUE"));
    RunText({"--registry"});
    EXPECT_TRUE(Contains(libraries["tp_x.kvp"], "\n  registry: Active TRUE, Executes 1\n"));
    EXPECT_TRUE(Contains(libraries["tp_noactive.kvp"], "\n  registry: Active TRUE, Executes (missing)\n"));
    EXPECT_TRUE(Contains(libraries["tp_stranger.kvp"], "\n  registry: Active (missing), Executes (missing)\n"));
    EXPECT_FALSE(RegistryKeyExists(kToyKey + "\\Stranger"));
    EXPECT_EQ(placings, RunHostPlacings());
    EXPECT_NE(std::find(placings.begin(), placings.end(), "tp_noversion.kvp under -"), placings.end());
    EXPECT_NE(std::find(placings.begin(), placings.end(), "tp_noactive.kvp under -"), placings.end());
}

TEST_F(KvpinfoRunTest, WideTreeIsPredictedInTheHostsOrder)
{
    folder.AddPlugins({"tp_chain3", "tp_chain1", "tp_chain4", "tp_chain2", "tp_quit"});
    RunText();
    EXPECT_EQ(placings.size(), 16u);
    EXPECT_EQ(placings, RunHostPlacings());
    EXPECT_EQ(exitCode, 0);
}

TEST_F(KvpinfoRunTest, PackagesAndLeftoversAreForecastAsTheNextStartDealsWithThem)
{
    folder.AddPlugins({"pk_base", "tp_good"});
    folder.AddPlugin("pk_base", "Versioned.kvp");
    folder.AddPlugin("pk_v19", "Older.dll");
    folder.AddPlugin("pk_other", "Spare.tmp");
    folder.AddPackage("pk_laterdate");
    folder.AddPackage("pk_v110", "Older.kvd", "Older.dll");
    folder.AddPackage("pk_other", "Other.kvd", "Other.kvp");
    folder.AddPackage("pk_other", "Other2.kvd", "Other.kvp");
    folder.AddPackage("pk_other", "Device.kvd", "CON.kvp");
    folder.AddPlugin("pk_base", "Damaged.kvp");
    WriteBytes(folder.PluginsPath() + "Damaged.kvd", PackageBytes("Damaged.kvp", "\x1f\x8b damaged"));
    folder.AddPackage("pk_other", "Writing.kvd", "Writing.kvp");
    FileHandle writer(CreateFileA((folder.PluginsPath() + "Writing.kvd").c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    ASSERT_TRUE(writer);
    WriteBytes(folder.PluginsPath() + "gztemp.tmp", "partial");
    Result result = RunWithoutPluginCode();
    EXPECT_EQ(result.exitCode, 1) << result.out; // Older.kvd and Device.kvd go unused
    for (const char* line : {
             "Versioned.kvd (stored name Versioned.kvp): replace, Versioned.kvp (release date 5, version 1) by "
             "Versioned.kvp (release date 6, version 0.5)",
             "Older.kvd (stored name Older.dll): keep the installed copy, delete the package, the new copy (release "
             "date 5, version 1.1) is older than Older.dll (release date 5, version 1.9)",
             "(stored name Other.kvp): install, as Other.kvp", // the first of the two, then the second
             "(stored name Other.kvp): replace, Other.kvp (release date",
             "Device.kvd (stored name (none)): reject name, no stored name that the pass installs; the package is "
             "set aside as Device.kvd.failed",
             "Damaged.kvd (stored name Damaged.kvp): set aside, the payload does not unpack; Damaged.kvp is kept and "
             "the package is set aside as Damaged.kvd.failed",
             "Writing.kvd (stored name (none)): wait, still being written (another program has it open); left for a "
             "later start",
             "gztemp.tmp: delete, a working file of an unpack",
             "Spare.tmp: keep, not a file of the installation pass",
         }) {
        EXPECT_TRUE(Contains(result.out, std::string(" ") + line)) << line << "\n" << result.out;
    }

    // The real pass agrees.
    folder.AddPlugin("tp_quit");
    RunHostPlacings();
    EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Versioned.kvp", "pk_laterdate"));
    EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Older.dll", "pk_v19"));
    EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Other.kvp", "pk_other"));
    EXPECT_TRUE(FileExists(folder.PluginsPath() + "Device.kvd.failed"));
    EXPECT_TRUE(FileExists(folder.PluginsPath() + "Damaged.kvd.failed"));
    EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Damaged.kvp", "pk_base"));
    EXPECT_TRUE(FileExists(folder.PluginsPath() + "Writing.kvd"));
    EXPECT_FALSE(FileExists(folder.PluginsPath() + "Writing.kvp"));
}

// A folder of packages only: each is judged by the library it holds, placed
// as the next start would place it, beside the others it installs.
TEST_F(KvpinfoRunTest, PackagesAreJudgedByWhereTheLibraryTheyHoldWouldLoad)
{
    folder.AddPackage("tp_sibling", "Sibling.kvd", "Sibling.kvp");
    folder.AddPackage("tp_parent", "Parent.kvd", "Parent.kvp");
    folder.AddPackage("tp_stranger", "Stranger.kvd", "Stranger.kvp");
    folder.AddPackage("tp_good", "Good.kvd", "Good.dll");
    Result result = RunWithoutPluginCode();
    EXPECT_EQ(result.exitCode, 1);
    for (const char* lines : {
             "  Sibling.kvd (stored name Sibling.kvp): install, as Sibling.kvp\n"
             "    holds:    Sibling, PE for x86-64 (this host), exports New\n"
             "    next start: places: 1\n",
             "  Parent.kvd (stored name Parent.kvp): install, as Parent.kvp\n"
             "    holds:    Parent, PE for x86-64 (this host), exports New\n"
             "    next start: places: 1\n",
             "    next start: loads nowhere: owner list names Nobody, which is not loaded\n",
             "    next start: loads nowhere: installed as Good.dll, and the host loads only *.kvp\n",
             "\n0 of 0 libraries would load nowhere.\n"
             "2 of 4 packages would not be installed, or would install a library that loads nowhere.\n",
         }) {
        EXPECT_TRUE(Contains(result.out, lines)) << lines << "\n" << result.out;
    }
    Result json = RunWithoutPluginCode({"--json"});
    EXPECT_TRUE(Contains(json.out,
                         "\"holds\":\"Parent, PE for x86-64 (this host), exports New\",\"nextStart\":\"places: "
                         "1\",\"loadsNextStart\":true}"))
        << json.out;

    // Once the packages that place their library are the only ones, all is well.
    ASSERT_TRUE(DeleteFileA((folder.PluginsPath() + "Stranger.kvd").c_str()));
    ASSERT_TRUE(DeleteFileA((folder.PluginsPath() + "Good.kvd").c_str()));
    EXPECT_EQ(RunWithoutPluginCode().exitCode, 0);
}

TEST_F(KvpinfoRunTest, BadUsageEndsWithTwo)
{
    folder.AddPlugin("tp_good");
    EXPECT_EQ(Run().exitCode, 0);
    for (const auto& [options, message] : std::map<std::vector<std::string>, std::string>{
             {{"--bogus"}, "usage"},
             {{"--toy"}, "usage"},
             {{"Plugins", "Other"}, "usage"},
             {{"NoSuchFolder"}, "no folder NoSuchFolder"},
             {{"--toy", kToy, "--host", folder.Path() + "None.exe"}, "no host executable"}}) {
        Result result = Run(options);
        EXPECT_EQ(result.exitCode, 2) << options[0];
        EXPECT_EQ(result.out, "") << options[0];
        EXPECT_TRUE(Contains(result.err, message)) << result.err;
    }

    // Without --host the toy comes from an executable beside the folder;
    // there is none here.
    CurrentDirectoryScope scope(folder.Path());
    std::ostringstream out, err;
    EXPECT_EQ(RunKvpinfo({}, out, err), 2);
    EXPECT_TRUE(Contains(err.str(), "no toy name")) << err.str();
    // Named with --toy, the toy's tree is predicted, but the loader would
    // look for the plugin's runtime beside a host that is not there.
    EXPECT_EQ(RunKvpinfo({"--toy", kToy}, out, err), 1);
    EXPECT_TRUE(Contains(out.str(), "Toy: PillowmoorToy\n")) << out.str();
    EXPECT_TRUE(Contains(out.str(), "  loads nowhere: needs ")) << out.str();
}
