// kvpinfo, run in this process on scratch plugins folders of test libraries,
// checked line by line and against what the real host then does with the
// same folder.
#include "tools/kvpinfo/Kvpinfo.h"

#include <algorithm>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "support/FileSystem.h"
#include "tests/support/HostProcess.h"
#include "tests/support/PackageFolder.h"
#include "tests/support/PluginFolder.h"
#include "tests/support/RegistryCleanup.h"

namespace {

const std::string kToy = "PillowmoorToy";
const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\" + kToy;

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
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

// Just enough JSON to check a report's structure: objects, arrays, strings,
// and the other scalars kept as their text.
struct Json {
    char kind = 0; // '{', '[', '"' or 's' for numbers, true, false and null
    std::string text;
    std::map<std::string, Json> members;
    std::vector<Json> items;

    const Json& operator[](const std::string& key) const
    {
        static const Json missing;
        auto found = members.find(key);
        return found == members.end() ? missing : found->second;
    }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : text_(text) {}

    bool Parse(Json& value)
    {
        bool ok = Value(value);
        Blanks();
        return ok && at_ == text_.size();
    }

private:
    void Blanks()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
            ++at_;
        }
    }

    bool Take(char c)
    {
        Blanks();
        bool taken = at_ < text_.size() && text_[at_] == c;
        at_ += taken ? 1 : 0;
        return taken;
    }

    // Escapes are kept as the escaped character; the reports hold no \\u.
    bool String(std::string& out)
    {
        if (!Take('"')) {
            return false;
        }
        while (at_ < text_.size() && text_[at_] != '"') {
            at_ += text_[at_] == '\\' ? 1 : 0;
            out += text_[at_++];
        }
        return Take('"');
    }

    bool Value(Json& value)
    {
        Blanks();
        if (at_ >= text_.size()) {
            return false;
        }
        value.kind = text_[at_];
        if (value.kind == '"') {
            return String(value.text);
        }
        if (Take('{')) {
            if (Take('}')) {
                return true;
            }
            do {
                std::string key;
                if (!String(key) || !Take(':') || !Value(value.members[key])) {
                    return false;
                }
            } while (Take(','));
            return Take('}');
        }
        if (Take('[')) {
            if (Take(']')) {
                return true;
            }
            do {
                if (!Value(value.items.emplace_back())) {
                    return false;
                }
            } while (Take(','));
            return Take(']');
        }
        value.kind = 's';
        while (at_ < text_.size() && std::string(",]} \n").find(text_[at_]) == std::string::npos) {
            value.text += text_[at_++];
        }
        return !value.text.empty();
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

// The predicted tree in preorder, one "file under owner" per plugin, the
// owner "-" for the toy: the order in which the host runs their hooks.
void CollectPlacings(const Json& plugins, const std::string& owner, std::vector<std::string>& placings)
{
    for (const Json& plugin : plugins.items) {
        placings.push_back(plugin["file"].text + " under " + owner);
        CollectPlacings(plugin["children"], plugin["name"].text, placings);
    }
}

class KvpinfoRunTest : public ::testing::Test {
protected:
    // kvpinfo on the folder's Plugins, with the host of the test programs.
    Result Run(std::vector<std::string> options = {})
    {
        CurrentDirectoryScope scope(folder.Path());
        options.insert(options.begin(), {"--host", ProgramFolder() + "PillowmoorToy.exe"});
        std::ostringstream out, err;
        Result result;
        result.exitCode = RunKvpinfo(options, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
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

    // The JSON report, its libraries by file name, and the predicted tree.
    void RunJson(std::vector<std::string> options = {})
    {
        options.push_back("--json");
        Result result = RunWithoutPluginCode(std::move(options));
        exitCode = result.exitCode;
        report = Json();
        ASSERT_TRUE(JsonParser(result.out).Parse(report)) << result.out << result.err;
        libraries.clear();
        for (const Json& library : report["libraries"].items) {
            libraries[library["file"].text] = library;
        }
        placings.clear();
        CollectPlacings(report["tree"], "-", placings);
    }

    std::vector<std::string> RunHostPlacings()
    {
        folder.ClearTrace();
        HostRun run = RunHost(folder.Path(), 120000);
        EXPECT_TRUE(run.finished) << "the host did not end";
        return HostPlacings(folder.Trace());
    }

    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
    int exitCode = -1;
    Json report;
    std::map<std::string, Json> libraries;
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
    RunJson();
    EXPECT_EQ(exitCode, 1);
    const std::map<std::string, std::string> reasons = {
        {"tp_good.kvp", "null"},
        {"tp_nonew.kvp", "does not export New, only _Z3Newv, the C++ name of a New declared without extern \"C\""},
        {"tp_otherarch.kvp", "built for x86, the host is x86-64"},
        {"tp_missingdll.kvp", "needs kvpabsentdependency.dll, which the loader will not find"},
        {"tp_missingdeeper.kvp",
         "needs kvpabsentdependency.dll (through kvpmiddledependency.dll), which the loader will not find"},
        {"Text.kvp", "not an executable image (no MZ header)"},
        {"tp_stranger.kvp", "owner list names Nobody, which is not loaded"},
        {"tp_count2.kvp", "owner list names Alpha, which is not loaded"},
        {"tp_wrongcase.kvp", "owner list names good, which is not loaded"},
        {"tp_count0.kvp", "owner count is 0, so it names nobody"},
        {"tp_noowners.kvp", "no owner count (string 1000), so it names nobody"},
        {"tp_noname.kvp", "no name (string 1)"},
        {"tp_noactive.kvp", "no Active value stored and no string 6 to set it from"},
        {"tp_noversion.kvp", "first run under this toy, and string 3 is missing"},
    };
    EXPECT_EQ(libraries.size(), reasons.size());
    for (const auto& [file, reason] : reasons) {
        EXPECT_EQ(libraries[file]["problem"].text, reason) << file;
    }
    EXPECT_EQ(libraries.at("tp_good.kvp")["places"].text, "1");
    EXPECT_EQ(libraries.at("tp_count2.kvp")["ownerCount"].text, "2");
    EXPECT_EQ(libraries.at("tp_noversion.kvp")["header"]["version"].text, "null");
    EXPECT_EQ(libraries.at("tp_wrongcase.kvp")["ownerHints"].items.at(0).text,
              "owner good is not Good: owner names must match in letter case");
    ASSERT_EQ(report["otherFiles"].items.size(), 2u);
    EXPECT_EQ(report["otherFiles"].items[0]["hint"].text,
              "a plugin library? The host loads only *.kvp: name it Clock.kvp");
    EXPECT_EQ(report["otherFiles"].items[1]["hint"].text, "neither a plugin library (*.kvp) nor a package (*.kvd)");

    // The same for people: one block per library, in folder order.
    Result text = RunWithoutPluginCode();
    EXPECT_TRUE(Contains(text.out, "tp_count2.kvp\n"
                                   "  library:  PE for x86-64 (this host), exports New\n"
                                   "  imports:  all found\n"
                                   "  header:   1=CountTwo 2=PLUGIN 3=1.0 4=1 5=Test plugin tp_count2 6=TRUE\n"
                                   "  owners:   count 2, names Alpha\n"
                                   "  compared: release date 1, version 1\n"
                                   "  loads nowhere: owner list names Alpha, which is not loaded\n"))
        << text.out;
    EXPECT_TRUE(Contains(text.out, "\n  hint:     owner good is not Good: owner names must match in letter case\n"));
    EXPECT_TRUE(Contains(text.out, "Other files, which the host ignores:\n  Clock.dll: a plugin library? "));
    EXPECT_TRUE(Contains(text.out, "\n13 of 14 libraries would load nowhere.\n")) << text.out;
}

TEST_F(KvpinfoRunTest, DependenciesAreLookedForBesideTheHostNotBesideThePlugin)
{
    const std::string dll = "kvpabsentdependency.dll";
    folder.AddPlugin("tp_missingdll");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "absent\\" + dll).c_str(), (folder.PluginsPath() + dll).c_str(), FALSE));
    RunJson();
    EXPECT_EQ(libraries.at("tp_missingdll.kvp")["missingImports"].items.at(0).text, dll);
    EXPECT_TRUE(Contains(report["otherFiles"].items.at(0)["hint"].text, "The loader does not look in the plugins"));
    // The host's current folder is searched.
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "absent\\" + dll).c_str(), (folder.Path() + dll).c_str(), FALSE));
    RunJson();
    EXPECT_TRUE(libraries.at("tp_missingdll.kvp")["missingImports"].items.empty());
    EXPECT_EQ(libraries.at("tp_missingdll.kvp")["problem"].text, "no name (string 1)");
}

TEST_F(KvpinfoRunTest, PredictedTreeIsTheTreeTheHostBuilds)
{
    folder.AddPlugins({"tp_x", "tp_p", "tp_q", "tp_r", "tp_t", "tp_s", "tp_shared", "tp_self", "tp_ring1", "tp_ring2",
                       "tp_noversion", "tp_noactive", "tp_nonew", "tp_otherarch", "tp_missingdll", "tp_stranger"});
    RunJson();
    EXPECT_EQ(placings, RunHostPlacings());
    EXPECT_EQ(placings.size(), 11u);
    ASSERT_EQ(report["refusals"].items.size(), 4u);
    const Json& ring = report["refusals"].items[3];
    EXPECT_EQ(ring["file"].text, "tp_self.kvp");
    EXPECT_EQ(ring["path"].items.size(), 2u);
    EXPECT_EQ(ring["reason"].text, "Self already stands on the path");

    // After one run the registry holds Executes for NoVersion, so it no
    // longer needs its header copied, and an Active value for NoActive
    // stands in for its missing string 6.
    WriteRegistryRaw(kToyKey + "\\NoActive", "Active", REG_SZ, std::string("TRUE", 5));
    RunJson();
    EXPECT_EQ(placings, RunHostPlacings());
    EXPECT_NE(std::find(placings.begin(), placings.end(), "tp_noversion.kvp under -"), placings.end());
    EXPECT_NE(std::find(placings.begin(), placings.end(), "tp_noactive.kvp under -"), placings.end());
}

TEST_F(KvpinfoRunTest, WideTreeIsPredictedInTheHostsOrder)
{
    folder.AddPlugins({"tp_chain3", "tp_chain1", "tp_chain4", "tp_chain2", "tp_quit"});
    RunJson();
    EXPECT_EQ(placings.size(), 16u);
    EXPECT_EQ(placings, RunHostPlacings());
    EXPECT_EQ(exitCode, 0);
}

TEST_F(KvpinfoRunTest, RegistryMirrorIsReadWithoutCreatingKeys)
{
    folder.AddPlugins({"tp_x", "tp_p"});
    WriteRegistryRaw(kToyKey + "\\X", "Executes", REG_SZ, std::string("41", 3));
    RunJson({"--registry"});
    EXPECT_EQ(libraries.at("tp_x.kvp")["registry"]["Executes"].text, "41");
    EXPECT_EQ(libraries.at("tp_x.kvp")["registry"]["Active"].text, "null");
    EXPECT_EQ(libraries.at("tp_p.kvp")["registry"]["Executes"].text, "null");
    EXPECT_FALSE(RegistryKeyExists(kToyKey + "\\P"));
    RunJson();
    EXPECT_EQ(libraries.at("tp_x.kvp")["registry"].kind, 0) << "the mirror only with --registry";
}

TEST_F(KvpinfoRunTest, PackagesAndLeftoversAreForecastAsTheNextStartDealsWithThem)
{
    folder.AddPlugins({"pk_base", "tp_good"});
    folder.AddPlugin("pk_base", "Versioned.kvp");
    folder.AddPlugin("pk_v19", "Older.dll");
    folder.AddPlugin("pk_other", "Spare.tmp");
    AddPackage(folder, "pk_laterdate");
    AddPackage(folder, "pk_v110", "Older.kvd", "Older.dll");
    AddPackage(folder, "pk_other", "Other.kvd", "Other.kvp");
    AddPackage(folder, "pk_other", "Other2.kvd", "Other.kvp");
    AddPackage(folder, "pk_other", "Device.kvd", "CON.kvp");
    WriteBytes(folder.PluginsPath() + "gztemp.tmp", "partial");
    Result result = RunWithoutPluginCode();
    EXPECT_EQ(result.exitCode, 0) << result.out;
    for (const char* line : {
             "Versioned.kvd (stored name Versioned.kvp): replace, Versioned.kvp (release date 5, version 1) by "
             "Versioned.kvp (release date 6, version 0.5)",
             "Older.kvd (stored name Older.dll): roll back, the new copy (release date 5, version 1.1) is older "
             "than Older.dll (release date 5, version 1.9)",
             "(stored name Other.kvp): install, as Other.kvp", // the first of the two, then the second
             "(stored name Other.kvp): replace, Other.kvp (release date",
             "Device.kvd (stored name (none)): reject name, no stored name that the pass installs; the package is "
             "set aside as Device.kvd.failed",
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
