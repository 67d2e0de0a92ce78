// kvpinfo, run in this process on scratch plugins folders of test libraries,
// checked line by line and against what the real host then does with the
// same folder.
#include "tools/kvpinfo/Kvpinfo.h"

#include <map>
#include <sstream>

#include <gtest/gtest.h>

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

std::vector<std::string> Lines(const std::string& text)
{
    std::istringstream stream(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// The indented lines that follow each library's file name in the text report.
std::map<std::string, std::vector<std::string>> LibrarySections(const std::string& report)
{
    std::map<std::string, std::vector<std::string>> sections;
    std::string current;
    bool inLibraries = false;
    for (const std::string& line : Lines(report)) {
        if (line == "Libraries, in the order the host finds them:") {
            inLibraries = true;
        } else if (inLibraries && line.empty()) {
            break;
        } else if (inLibraries && StartsWith(line, "  ")) {
            sections[current].push_back(line.substr(2));
        } else if (inLibraries) {
            current = line;
        }
    }
    return sections;
}

// The line of a library's section that starts with label, without the label.
std::string Field(const std::map<std::string, std::vector<std::string>>& sections, const std::string& file,
                  const std::string& label)
{
    auto found = sections.find(file);
    if (found == sections.end()) {
        return "<no library " + file + ">";
    }
    for (const std::string& line : found->second) {
        if (StartsWith(line, label)) {
            return line.substr(label.size());
        }
    }
    return "<no " + label + ">";
}

// The predicted tree in preorder, one "file under owner" per plugin, the
// owner "-" for the toy: the order in which the host runs their hooks.
std::vector<std::string> PredictedPlacings(const std::string& report)
{
    std::vector<std::string> placings;
    std::vector<std::string> owners;
    bool inTree = false;
    for (const std::string& line : Lines(report)) {
        if (line == "Tree the host would build from these libraries:") {
            inTree = true;
            continue;
        }
        if (!inTree || line.empty()) {
            if (inTree) {
                break;
            }
            continue;
        }
        std::size_t depth = line.find_first_not_of(' ') / 2 - 1;
        std::size_t open = line.find(" [");
        std::string name = line.substr(2 * (depth + 1), open - 2 * (depth + 1));
        std::string file = line.substr(open + 2, line.size() - open - 3);
        owners.resize(depth);
        placings.push_back(file + " under " + (owners.empty() ? "-" : owners.back()));
        owners.push_back(name);
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
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool String(std::string& out)
    {
        if (!Take('"')) {
            return false;
        }
        while (at_ < text_.size() && text_[at_] != '"') {
            if (text_[at_] == '\\') {
                ++at_;
                if (at_ < text_.size() && text_[at_] == 'u') {
                    out += static_cast<char>(std::stoi(text_.substr(at_ + 1, 4), nullptr, 16));
                    at_ += 5;
                    continue;
                }
            }
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

class KvpinfoRunTest : public ::testing::Test {
protected:
    // kvpinfo on the folder's Plugins, with the host of the test programs.
    Result Run(std::vector<std::string> options = {})
    {
        CurrentDirectoryScope scope(folder.Path());
        options.insert(options.begin(), {"--host", ProgramFolder() + "PillowmoorToy.exe"});
        std::ostringstream out;
        std::ostringstream err;
        Result result;
        result.exitCode = RunKvpinfo(options, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    // kvpinfo must run no plugin code: the test libraries trace their
    // construction and every unload by FreeLibrary.
    Result RunWithoutPluginCode(std::vector<std::string> options = {})
    {
        folder.ClearTrace();
        Result result = Run(std::move(options));
        EXPECT_EQ(folder.Trace(), std::vector<std::string>{});
        return result;
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
};

} // namespace

TEST_F(KvpinfoRunTest, EachLibraryThatLoadsNowhereIsGivenItsReason)
{
    folder.AddPlugins({"tp_good", "tp_nonew", "tp_otherarch", "tp_missingdll", "tp_stranger", "tp_count0",
                       "tp_noowners", "tp_noname", "tp_noactive", "tp_noversion", "tp_count2"});
    WriteBytes(folder.PluginsPath() + "Text.kvp", "A plugin library of the toy.");
    Result result = RunWithoutPluginCode();
    EXPECT_EQ(result.exitCode, 1) << result.err;
    auto sections = LibrarySections(result.out);
    const std::map<std::string, std::string> reasons = {
        {"tp_nonew.kvp", "does not export New"},
        {"tp_otherarch.kvp", "built for x86, the host is x86-64"},
        {"tp_missingdll.kvp", "needs kvpabsentdependency.dll, which the loader will not find"},
        {"Text.kvp", "not an executable image (no MZ header)"},
        {"tp_stranger.kvp", "owner list names Nobody, which is not loaded"},
        {"tp_count2.kvp", "owner list names Alpha, which is not loaded"},
        {"tp_count0.kvp", "owner count is 0, so it names nobody"},
        {"tp_noowners.kvp", "no owner count (string 1000), so it names nobody"},
        {"tp_noname.kvp", "no name (string 1)"},
        {"tp_noactive.kvp", "no Active value stored and no string 6 to set it from"},
        {"tp_noversion.kvp", "first run under this toy, and string 3 is missing"},
    };
    for (const auto& [file, reason] : reasons) {
        EXPECT_EQ(Field(sections, file, "loads nowhere: "), reason) << file;
    }
    EXPECT_EQ(Field(sections, "tp_good.kvp", "places:"), "   1");
    EXPECT_EQ(Field(sections, "tp_otherarch.kvp", "library:"), "  PE for x86 (not this host), exports New");
    EXPECT_EQ(Field(sections, "tp_missingdll.kvp", "imports:"), "  not found: kvpabsentdependency.dll");
    EXPECT_EQ(Field(sections, "tp_count2.kvp", "owners:"), "   count 2, names Alpha");
    EXPECT_EQ(Field(sections, "tp_noversion.kvp", "compared:"), " release date 1, version 0 (string 3 or 4 missing)");
    EXPECT_NE(result.out.find("\n11 of 12 libraries would load nowhere.\n"), std::string::npos) << result.out;
}

TEST_F(KvpinfoRunTest, DependenciesAreLookedForBesideTheHostNotBesideThePlugin)
{
    const std::string dll = "kvpabsentdependency.dll";
    folder.AddPlugin("tp_missingdll");
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "absent\\" + dll).c_str(), (folder.PluginsPath() + dll).c_str(), FALSE));
    EXPECT_EQ(Field(LibrarySections(RunWithoutPluginCode().out), "tp_missingdll.kvp", "imports:"),
              "  not found: " + dll);
    // The host's current folder is searched.
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "absent\\" + dll).c_str(), (folder.Path() + dll).c_str(), FALSE));
    auto sections = LibrarySections(RunWithoutPluginCode().out);
    EXPECT_EQ(Field(sections, "tp_missingdll.kvp", "imports:"), "  all found");
    EXPECT_EQ(Field(sections, "tp_missingdll.kvp", "loads nowhere: "), "no name (string 1)");
}

TEST_F(KvpinfoRunTest, PredictedTreeIsTheTreeTheHostBuilds)
{
    folder.AddPlugins({"tp_x", "tp_p", "tp_q", "tp_r", "tp_t", "tp_s", "tp_shared", "tp_self", "tp_ring1", "tp_ring2",
                       "tp_noversion", "tp_noactive", "tp_nonew", "tp_otherarch", "tp_missingdll", "tp_stranger"});
    Result first = RunWithoutPluginCode();
    std::vector<std::string> predicted = PredictedPlacings(first.out);
    EXPECT_EQ(predicted, RunHostPlacings());
    EXPECT_EQ(predicted.size(), 11u) << first.out;
    EXPECT_NE(first.out.find("  tp_self.kvp under PillowmoorToy > Self: ring, Self already stands on the path\n"),
              std::string::npos)
        << first.out;

    // After one run the registry holds Executes for NoVersion, so it no
    // longer needs its header copied, and an Active value for NoActive
    // stands in for its missing string 6.
    WriteRegistryRaw(kToyKey + "\\NoActive", "Active", REG_SZ, std::string("TRUE", 5));
    Result second = RunWithoutPluginCode();
    predicted = PredictedPlacings(second.out);
    EXPECT_EQ(predicted, RunHostPlacings());
    EXPECT_NE(std::find(predicted.begin(), predicted.end(), "tp_noversion.kvp under -"), predicted.end());
    EXPECT_NE(std::find(predicted.begin(), predicted.end(), "tp_noactive.kvp under -"), predicted.end());
}

TEST_F(KvpinfoRunTest, WideTreeIsPredictedInTheHostsOrder)
{
    folder.AddPlugins({"tp_chain3", "tp_chain1", "tp_chain4", "tp_chain2", "tp_quit"});
    std::vector<std::string> predicted = PredictedPlacings(RunWithoutPluginCode().out);
    EXPECT_EQ(predicted.size(), 16u);
    EXPECT_EQ(predicted, RunHostPlacings());
}

TEST_F(KvpinfoRunTest, JsonCarriesTheReportAndTheRegistryMirror)
{
    folder.AddPlugins({"tp_x", "tp_p", "tp_nonew"});
    WriteRegistryRaw(kToyKey + "\\X", "Executes", REG_SZ, std::string("41", 3));
    Result result = RunWithoutPluginCode({"--registry", "--json"});
    EXPECT_EQ(result.exitCode, 1);
    Json report;
    ASSERT_TRUE(JsonParser(result.out).Parse(report)) << result.out;
    EXPECT_EQ(report["toy"].text, kToy);
    EXPECT_EQ(report["allPlaced"].text, "false");
    ASSERT_EQ(report["libraries"].items.size(), 3u);
    std::map<std::string, const Json*> libraries;
    for (const Json& library : report["libraries"].items) {
        libraries[library["file"].text] = &library;
    }
    const Json& x = *libraries.at("tp_x.kvp");
    EXPECT_EQ(x["header"]["name"].text, "X");
    EXPECT_EQ(x["owners"].items.at(0).text, kToy);
    EXPECT_EQ(x["registry"]["Executes"].text, "41");
    EXPECT_EQ(x["registry"]["Active"].text, "null");
    EXPECT_EQ(x["places"].text, "1");
    EXPECT_EQ(x["problem"].text, "null");
    EXPECT_EQ((*libraries.at("tp_nonew.kvp"))["problem"].text, "does not export New");
    ASSERT_EQ(report["tree"].items.size(), 1u);
    EXPECT_EQ(report["tree"].items[0]["children"].items.at(0)["file"].text, "tp_p.kvp");
    EXPECT_FALSE(RegistryKeyExists(kToyKey + "\\P")) << "reading the mirror must create no key";
}

TEST_F(KvpinfoRunTest, PackagesAndLeftoversAreForecastAsTheNextStartDealsWithThem)
{
    folder.AddPlugins({"pk_base", "tp_good"});
    folder.AddPlugin("pk_base", "Versioned.kvp");
    folder.AddPlugin("pk_v19", "Older.kvp");
    AddPackage(folder, "pk_laterdate");
    AddPackage(folder, "pk_v110", "Older.kvd", "Older.kvp");
    AddPackage(folder, "pk_other", "Other.kvd", "Other.kvp");
    AddPackage(folder, "pk_other", "Device.kvd", "CON.kvp");
    WriteBytes(folder.PluginsPath() + "gztemp.tmp", "partial");
    Result result = RunWithoutPluginCode();
    EXPECT_EQ(result.exitCode, 0) << result.out;
    auto has = [&](const std::string& line) { return result.out.find("\n  " + line) != std::string::npos; };
    EXPECT_TRUE(has("Versioned.kvd (stored name Versioned.kvp): replace, Versioned.kvp")) << result.out;
    EXPECT_TRUE(has("Older.kvd (stored name Older.kvp): roll back, the new copy (release date 5, version 1.1) is "
                    "older than Older.kvp (release date 5, version 1.9)"))
        << result.out;
    EXPECT_TRUE(has("Other.kvd (stored name Other.kvp): install, as Other.kvp")) << result.out;
    EXPECT_TRUE(has("Device.kvd (stored name (none)): reject name, no usable stored name; the package stays"))
        << result.out;
    EXPECT_TRUE(has("gztemp.tmp: delete, a working file of an unpack")) << result.out;
    EXPECT_EQ(folder.Trace(), std::vector<std::string>{});

    // The real pass agrees.
    folder.AddPlugin("tp_quit");
    RunHostPlacings();
    EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Versioned.kvp", "pk_laterdate"));
    EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Older.kvp", "pk_v19"));
    EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Other.kvp", "pk_other"));
    EXPECT_TRUE(FileExists(folder.PluginsPath() + "Device.kvd"));
    EXPECT_FALSE(FileExists(folder.PluginsPath() + "gztemp.tmp"));
}

TEST_F(KvpinfoRunTest, BackupOfAnUnfinishedPassIsForecastAsRestored)
{
    folder.AddPlugin("pk_base", "Versioned.tmp");
    Result result = Run({"--toy", "SomeToy"});
    EXPECT_NE(result.out.find("  Versioned.tmp: restore, the backup of an unfinished installation; put back as "
                              "Versioned.kvp, replacing what stands there\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("Toy: SomeToy\n"), std::string::npos);
    EXPECT_EQ(result.exitCode, 0) << "an empty folder has no library that loads nowhere";
}

TEST_F(KvpinfoRunTest, BadUsageEndsWithTwo)
{
    folder.AddPlugin("tp_good");
    EXPECT_EQ(Run().exitCode, 0);
    EXPECT_EQ(Run({"--bogus"}).exitCode, 2);
    EXPECT_EQ(Run({"--toy"}).exitCode, 2);
    EXPECT_EQ(Run({"Plugins", "Other"}).exitCode, 2);
    Result missing = Run({"NoSuchFolder"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("no folder NoSuchFolder"), std::string::npos) << missing.err;

    Result noHost = Run({"--toy", kToy, "--host", folder.Path() + "None.exe"});
    EXPECT_EQ(noHost.exitCode, 2);
    EXPECT_NE(noHost.err.find("no host executable"), std::string::npos) << noHost.err;

    // Without --host the toy comes from an executable beside the folder;
    // there is none here.
    CurrentDirectoryScope scope(folder.Path());
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunKvpinfo({}, out, err), 2);
    EXPECT_NE(err.str().find("no toy name"), std::string::npos) << err.str();
    // Named with --toy, the toy's tree is predicted, but the loader would
    // look for the plugin's runtime beside a host that is not there.
    EXPECT_EQ(RunKvpinfo({"--toy", kToy}, out, err), 1);
    EXPECT_NE(out.str().find("  loads nowhere: needs "), std::string::npos) << out.str();
}
