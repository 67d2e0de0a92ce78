// Building and releasing plugin trees in this process, with real test
// plugin libraries in a scratch Plugins folder and the registry of the prefix.
#include "plugins/ToyPlugin.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "support/FileNames.h"
#include "support/Library.h"
#include "tests/support/HeaderStamp.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";

// The tree as text, each plugin's children in order in brackets: "X(P(R) Q)".
std::string Tree(const std::vector<CToyPlugin*>& plugins)
{
    std::vector<std::string> parts;
    for (const CToyPlugin* plugin : plugins) {
        parts.push_back(plugin->name + (plugin->children.empty() ? "" : "(" + Tree(plugin->children) + ")"));
    }
    return JoinBetween(parts, " ");
}

CToyPlugin* Child(CToyPlugin* plugin, const std::string& name)
{
    auto named = [&](const CToyPlugin* child) { return child->name == name; };
    auto child = std::find_if(plugin->children.begin(), plugin->children.end(), named);
    return child == plugin->children.end() ? nullptr : *child;
}

class ToyPluginTest : public ::testing::Test {
protected:
    ToyPluginTest()
    {
        app.toyName = "PillowmoorToy";
        app.registryKey = kToyKey;
    }

    ~ToyPluginTest() override { app.Shutdown(); }

    // Loads the tree into the application, which releases it at the end.
    std::vector<CToyPlugin*>& Load()
    {
        CToyPlugin loader;
        app.plugins = loader.LoadPlugins(&app, nullptr);
        return app.plugins;
    }

    bool IsLoaded(const std::string& label)
    {
        return GetModuleHandleA((folder.PluginsPath() + label + ".kvp").c_str());
    }

    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
    CurrentDirectoryScope inFolder{folder.Path()};
    CToyApp app;
};

} // namespace

// Children follow the folder order, CollectPlugins goes children first, and
// every plugin's key stands side by side under the toy's key.
TEST_F(ToyPluginTest, TreeFollowsTheOwnerListsAndTheFolderOrder)
{
    folder.AddPlugins({"tp_x", "tp_p", "tp_q", "tp_r", "tp_t", "tp_s"});
    std::vector<CToyPlugin*>& top = Load();
    std::vector<std::string> files = folder.PluginFileOrder();
    bool pFirst = std::find(files.begin(), files.end(), "tp_p.kvp") < std::find(files.begin(), files.end(), "tp_q.kvp");
    ASSERT_EQ(Tree(top), pFirst ? "X(P(R(T)) Q(S))" : "X(Q(S) P(R(T)))");
    CToyPlugin* x = top[0];
    CToyPlugin* p = Child(x, "P");
    EXPECT_EQ(x->parent, nullptr);
    EXPECT_EQ(x->selfRef, x);
    EXPECT_EQ(p->parent, x);
    EXPECT_EQ(Tree(x->CollectPlugins()), pFirst ? "P(R(T)) Q(S) R(T) T S" : "Q(S) P(R(T)) S R(T) T");
    EXPECT_EQ(p->registryKey, kToyKey + "\\P");
    for (const char* name : {"X", "P", "R", "T", "S"}) {
        EXPECT_EQ(RegistryText(kToyKey + "\\" + name, "Executes"), "1") << name;
    }
    EXPECT_FALSE(RegistryKeyExists(kToyKey + "\\X\\P") || RegistryKeyExists(kToyKey + "\\P\\R"));
}

TEST_F(ToyPluginTest, LibraryUnderTwoOwnersIsLoadedTwiceAndCountedTwice)
{
    folder.AddPlugins({"tp_x", "tp_q", "tp_shared"});
    CToyPlugin* x = Load().at(0);
    CToyPlugin* underX = Child(x, "Shared");
    CToyPlugin* underQ = Child(Child(x, "Q"), "Shared");
    ASSERT_TRUE(underX && underQ);
    EXPECT_EQ(RegistryText(kToyKey + "\\Shared", "Executes"), "2");
    EXPECT_EQ(std::minmax(underX->runCount, underQ->runCount), std::minmax(1, 2));
}

TEST_F(ToyPluginTest, RingsOfOwnerListsEnd)
{
    folder.AddPlugins({"tp_self", "tp_ring1", "tp_ring2"});
    std::string tree = Tree(Load());
    EXPECT_TRUE(tree == "Ring1(Ring2) Self" || tree == "Self Ring1(Ring2)") << tree;
}

// Shutdown releases depth first, each object destroyed before its library is
// unloaded, and a second Shutdown finds nothing to do. The host holds every
// library of the folder while it builds the tree: the calls on the plugins and
// their order stay exactly the same, but each library is mapped once, so it is
// unloaded once, after the last of its objects.
TEST_F(ToyPluginTest, ReleaseIsDepthFirstAndHoldingTheLibrariesChangesOnlyTheUnloads)
{
    const std::vector<std::string> labels{"tp_x", "tp_p", "tp_q", "tp_r", "tp_t", "tp_s", "tp_stranger"};
    folder.AddPlugins(labels);
    auto run = [&](bool hold) {
        std::vector<ModuleHandle> held;
        if (hold) {
            held = HoldLibraries(folder.PluginsPath(), "*.kvp");
            EXPECT_EQ(held.size(), labels.size());
        }
        Load();
        held.clear();
        app.Shutdown();
        std::vector<std::string> trace = folder.Trace();
        app.Shutdown();
        EXPECT_EQ(folder.Trace(), trace);
        auto last = [&](const std::string& label, const char* event) { return LastIndexOf(trace, label + event); };
        for (const std::string& label : labels) {
            EXPECT_LT(last(label, " destroy"), last(label, " unload")) << label;
            EXPECT_FALSE(IsLoaded(label)) << label;
        }
        // A plugin's ReleaseHook runs after all of its descendants are gone.
        for (auto [child, parent] :
             {std::pair{"tp_t", "tp_r"}, {"tp_r", "tp_p"}, {"tp_s", "tp_q"}, {"tp_p", "tp_x"}, {"tp_q", "tp_x"}}) {
            EXPECT_LT(last(child, " unload"), last(parent, " releasehook")) << child;
            EXPECT_LT(last(parent, " releasehook"), last(parent, " destroy")) << parent;
        }
        folder.ClearTrace();
        DeleteRegistryTree(kToyKey);
        std::vector<std::string> calls = trace;
        std::erase_if(calls, [](const std::string& line) { return line.ends_with(" unload"); });
        return std::pair{trace, calls};
    };
    auto [unheld, unheldCalls] = run(false);
    auto [heldTrace, heldCalls] = run(true);
    EXPECT_EQ(heldCalls, unheldCalls);
    // Unheld, the library that no one keeps is mapped again by every pass.
    EXPECT_EQ(CountLines(unheld, "tp_stranger unload"), 7);
    for (const std::string& label : labels) {
        EXPECT_EQ(CountLines(heldTrace, label + " unload"), 1) << label;
        EXPECT_EQ(LastIndexStartingWith(heldTrace, label + " "), LastIndexOf(heldTrace, label + " unload")) << label;
    }
}

// Release with a child takes it out of children, and releases one that is not
// there all the same.
TEST_F(ToyPluginTest, ReleaseOfOneChildReleasesItWhereverItStands)
{
    folder.AddPlugins({"tp_x", "tp_p", "tp_q", "tp_r"});
    CToyPlugin* x = Load().at(0);
    folder.ClearTrace();
    EXPECT_NE(x->Release(Child(x, "P")), 0);
    EXPECT_EQ(Tree(x->children), "Q");
    std::vector<std::string> trace = folder.Trace();
    EXPECT_EQ(trace.front(), "tp_r releasehook");
    EXPECT_EQ(CountLines(trace, "tp_p destroy"), 1);
    EXPECT_FALSE(IsLoaded("tp_p"));

    HMODULE module = nullptr;
    CToyPlugin loader;
    CToyPlugin* stray = loader.CreateFromLibrary(TestPluginPath("tp_good"), module);
    ASSERT_NE(stray, nullptr);
    stray->module = module;
    folder.ClearTrace();
    EXPECT_NE(x->Release(stray), 0);
    EXPECT_EQ(Tree(x->children), "Q");
    EXPECT_EQ(folder.Trace(),
              (std::vector<std::string>{"tp_good releasehook refused", "tp_good destroy", "tp_good unload"}));
}

// Children whose ReleaseHook throws, one of the toy's framework and one of a
// literal one, do not stop their parent's Release: every child is released in
// order, the parent's hook runs, the first record goes on and the second is
// logged. The throwers stay alive and loaded (their windows could still run
// their code); the parent's Release is not called again by the next Shutdown.
TEST_F(ToyPluginTest, ReleaseGoesOnPastFailingChildrenInOrderAndPassesTheFirstOn)
{
    folder.AddPlugins({"tp_parent", "tp_sibling", "tp_releasechild", "lit_releasechild"});
    app.logFile = folder.Path() + "run.log";
    CToyPlugin* parent = Load().at(0);
    std::vector<std::string> order;
    for (const CToyPlugin* child : parent->children) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(child->module, path, MAX_PATH);
        std::string file = path;
        order.push_back(file.substr(file.rfind('\\') + 1, file.size() - file.rfind('\\') - 5));
    }
    ASSERT_EQ(order.size(), 3u);
    std::string first = order[0] == "tp_sibling" ? order[1] : order[0];
    std::string second = order[2] == "tp_sibling" ? order[1] : order[2];
    folder.ClearTrace();
    try {
        app.Shutdown();
        FAIL() << "no record arrived";
    } catch (CKVErr record) {
        EXPECT_EQ(record.text, first + " failed in ReleaseHook");
    }
    app.Shutdown();
    std::vector<std::string> trace = folder.Trace();
    std::vector<std::string> hooks;
    for (const std::string& line : trace) {
        if (line.ends_with(" releasehook")) {
            hooks.push_back(line.substr(0, line.find(' ')));
        }
    }
    order.push_back("tp_parent");
    EXPECT_EQ(hooks, order);
    EXPECT_NE(ReadBytes(app.logFile).find(second + " failed in ReleaseHook"), std::string::npos);
    EXPECT_EQ(CountLines(trace, "tp_sibling unload"), 1);
    EXPECT_EQ(CountLines(trace, "tp_parent unload"), 1);
    for (const std::string& thrower : {first, second}) {
        EXPECT_EQ(CountLines(trace, thrower + " destroy"), 0) << thrower;
        EXPECT_TRUE(IsLoaded(thrower)) << thrower;
    }
}

// Libraries that yield no object are skipped and unloaded; rejected
// candidates are released, destroyed and unloaded.
TEST_F(ToyPluginTest, CandidatesThatYieldNoObjectOrAreRejectedAreDiscarded)
{
    folder.AddPlugins({"tp_nonew", "tp_newnull", "tp_otherarch", "tp_stranger", "tp_refuse", "tp_noname", "tp_good"});
    WriteBytes(folder.PluginsPath() + "notalibrary.kvp", "this is text, not a library");
    ASSERT_TRUE(CreateDirectoryA((folder.PluginsPath() + "folder.kvp").c_str(), nullptr));
    EXPECT_EQ(Tree(Load()), "Good");
    std::vector<std::string> trace = folder.Trace();
    EXPECT_GE(CountLines(trace, "tp_newnull new gives null"), 1);
    for (const char* label : {"tp_nonew", "tp_newnull"}) {
        EXPECT_FALSE(IsLoaded(label)) << label;
    }
    EXPECT_TRUE(IsLoaded("tp_good"));
    for (std::string l : {"tp_stranger", "tp_refuse", "tp_noname"}) {
        EXPECT_LT(IndexOf(trace, l + " releasehook refused"), IndexOf(trace, l + " destroy")) << l;
        EXPECT_LT(IndexOf(trace, l + " destroy"), IndexOf(trace, l + " unload")) << l;
    }
    EXPECT_EQ(LastIndexStartingWith(trace, "tp_stranger hook"), -1);
    EXPECT_FALSE(RegistryKeyExists(kToyKey + "\\Stranger"));
    // Refused by its hook after the header steps: what they wrote stays.
    EXPECT_EQ(RegistryText(kToyKey + "\\Refuse", "Executes"), "1");
}

TEST_F(ToyPluginTest, RecordFromANestedInitialiseReleasesEverythingAndPassesOn)
{
    folder.AddPlugins({"tp_parent", "tp_sibling", "tp_throwchild", "tp_good"});
    try {
        Load();
        FAIL() << "no record arrived";
    } catch (CKVErr record) {
        EXPECT_EQ(record.text, "tp_throwchild failed in Initialise");
        EXPECT_EQ(record.code, -7);
    }
    std::vector<std::string> trace = folder.Trace();
    for (std::string l : {"tp_parent", "tp_sibling", "tp_throwchild", "tp_good"}) {
        EXPECT_EQ(CountLines(trace, l + " construct"), CountLines(trace, l + " destroy")) << l;
        EXPECT_FALSE(IsLoaded(l)) << l;
    }
    EXPECT_EQ(CountLines(trace, "tp_throwchild releasehook refused"), 1);
}

namespace {

// What a leak per load would grow: the lowest free thread-local slot (a
// library that leaked slots would push it up) and the handle count.
std::pair<DWORD, DWORD> LowestFreeTlsSlotAndHandles()
{
    DWORD slot = TlsAlloc();
    TlsFree(slot);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return {slot, handles};
}

std::size_t CountTree(const std::vector<CToyPlugin*>& plugins)
{
    std::size_t count = plugins.size();
    for (CToyPlugin* plugin : plugins) {
        count += plugin->CollectPlugins().size();
    }
    return count;
}

} // namespace

TEST_F(ToyPluginTest, LargeTreeLoadsAndReleasesWithoutLeaking)
{
    for (int i = 1; i <= 8; ++i) {
        folder.AddPlugin("tp_chain" + std::to_string(i));
    }
    auto round = [&] {
        EXPECT_EQ(CountTree(Load()), 255u);
        app.Shutdown();
        folder.ClearTrace();
    };
    round();
    auto [slot, handles] = LowestFreeTlsSlotAndHandles();
    // Each round makes 255 plugins from 2048 library loads.
    for (int i = 0; i < 4; ++i) {
        round();
    }
    auto [slotAfter, handlesAfter] = LowestFreeTlsSlotAndHandles();
    EXPECT_EQ(slotAfter, slot);
    EXPECT_LE(handlesAfter, handles + 8);
    for (int i = 1; i <= 8; ++i) {
        EXPECT_FALSE(IsLoaded("tp_chain" + std::to_string(i)));
    }
}

// Each plugin's library is held once, by the plugin itself, so each release
// ends with that library's unload before its parent's turn.
TEST_F(ToyPluginTest, ChainThirtyDeepIsBuiltAndReleasedDeepestFirst)
{
    std::string owner = app.toyName;
    std::string tree;
    std::vector<std::string> release;
    for (int i = 1; i <= 30; ++i) {
        std::string name = "C" + std::to_string(100 + i).substr(1);
        folder.AddPlugin("tp_named", name + ".kvp");
        ASSERT_TRUE(StampPluginHeader(folder.PluginsPath() + name + ".kvp", name, {owner}));
        owner = name;
        tree += (i > 1 ? "(" : "") + name;
        release.insert(release.begin(),
                       {"tp_named releasehook " + name, "tp_named destroy " + name, "tp_named unload"});
    }
    ASSERT_EQ(Tree(Load()), tree + std::string(29, ')'));
    folder.ClearTrace();
    app.Shutdown();
    EXPECT_EQ(folder.Trace(), release);
}
