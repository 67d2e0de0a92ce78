// Runs of the real host with the sample toy's plugins: the creature's window,
// its menu, its place between runs, one toy at a time, and its dreams.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <memory>

#include "errors/ReportFormat.h"
#include "errors/ToyError.h"
#include "plugins/ToyChannel.h"
#include "support/Registry.h"
#include "tests/support/HostProcess.h"
#include "tests/support/PluginFolder.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ScreenCapture.h"
#include "toys/Pillow/StartWithWindows.h"
#include "toys/Pillow/ToyMenu.h"

namespace {

const std::string kToyKey = "Software\\Quillfen Ltd\\Wimbleset\\PillowmoorToy";
const std::string kPillowKey = kToyKey + "\\Pillow";
const std::string kDreamsKey = kToyKey + "\\Dreams";
const char* kCreatureClass = "PillowmoorPillow";
const char* kDreamsClass = "PillowmoorDreams";

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT PrimaryWorkArea()
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info.rcWork;
}

// A visible window of this class, of any process.
bool VisibleWindowOfClass(const char* className)
{
    HWND window = FindWindowA(className, nullptr);
    return window != nullptr && IsWindowVisible(window);
}

class ToyRunTest : public ::testing::Test {
protected:
    // Adds the sample toy's plugins and the test plugins to the folder, starts
    // the toy there and waits for the creature.
    void Start(const std::vector<std::string>& toyPlugins, const std::vector<std::string>& testPlugins = {})
    {
        for (const std::string& name : toyPlugins) {
            folder.AddToyPlugin(name);
        }
        folder.AddPlugins(testPlugins);
        host = std::make_unique<RunningHost>(folder.Path());
        creature = host->WaitForWindow(kCreatureClass);
        ASSERT_NE(creature, nullptr) << "the creature did not appear";
    }

    // Chooses "Exit" as the menu would, and expects a clean end.
    void ExitThroughMenu()
    {
        PostMessageA(creature, WM_COMMAND, TOY_COMMAND_EXIT, 0);
        ExpectCleanExit();
    }

    void ExpectCleanExit()
    {
        unsigned long exitCode = 1;
        ASSERT_TRUE(host->WaitForExit(exitCode)) << "the toy did not end";
        EXPECT_EQ(exitCode, 0u);
    }

    bool TraceHas(const std::string& line)
    {
        return WaitUntil([&] { return CountLines(folder.Trace(), line) > 0; });
    }

    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
    std::unique_ptr<RunningHost> host;
    HWND creature = nullptr;
};

// The shortcut's target program and working folder.
std::pair<std::wstring, std::wstring> ReadShortcut(const std::wstring& path)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    wchar_t target[MAX_PATH] = L"", folder[MAX_PATH] = L"";
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        link->GetPath(target, MAX_PATH, nullptr, 0);
        link->GetWorkingDirectory(folder, MAX_PATH);
    }
    for (IUnknown* object : {static_cast<IUnknown*>(file), static_cast<IUnknown*>(link)}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    CoUninitialize();
    return {target, folder};
}

} // namespace

TEST_F(ToyRunTest, CreatureIsALayeredTopmostToolWindowThatAnimates)
{
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}));

    LONG_PTR extended = GetWindowLongPtrA(creature, GWL_EXSTYLE);
    EXPECT_EQ(extended & (WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
              WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    EXPECT_EQ(extended & WS_EX_APPWINDOW, 0);
    EXPECT_EQ(GetWindowLongPtrA(creature, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    RECT rect = WindowRect(creature);
    EXPECT_EQ(rect.right - rect.left, 128);
    EXPECT_EQ(rect.bottom - rect.top, 128);

    // The window exists a moment before it is shown with its first frame.
    std::vector<std::uint32_t> first;
    EXPECT_TRUE(WaitUntil([&] {
        first = CaptureScreenArea(creature);
        return std::any_of(first.begin(), first.end(), [](std::uint32_t p) { return (p & 0xFFFFFF) != 0; });
    })) << "nothing of the creature is on the screen";
    EXPECT_TRUE(WaitUntil([&] { return CaptureScreenArea(creature) != first; })) << "the creature stands still";
    ExitThroughMenu();
}

// Exit from the menu and closing the window end the toy the same way.
TEST_F(ToyRunTest, EndingTheToyCountsTheRunAndReleasesEveryPlugin)
{
    folder.AddToyPlugin("Dreams");
    for (auto [message, wParam] : {std::pair<UINT, WPARAM>{WM_COMMAND, TOY_COMMAND_EXIT}, {WM_CLOSE, 0}}) {
        folder.ClearTrace();
        ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}, {"tp_listener"}));
        PostMessageA(creature, message, wParam, 0);
        ExpectCleanExit();
        // The listener library is offered to every plugin and accepted under
        // the pillow only; every object made of it is gone, the library last.
        std::vector<std::string> trace = folder.Trace();
        EXPECT_EQ(CountLines(trace, "tp_listener releasehook"), 1);
        EXPECT_EQ(CountLines(trace, "tp_listener construct"), CountLines(trace, "tp_listener destroy"));
        EXPECT_EQ(trace.back(), "tp_listener unload");
    }
    EXPECT_EQ(RegistryText(kToyKey, "Executes"), "2");
    EXPECT_EQ(RegistryText(kDreamsKey, "Executes"), "2");
}

// The place where the creature is dropped is stored, and the next start
// shows it there.
TEST_F(ToyRunTest, DraggingMovesTheCreatureAndItsPlaceSurvivesARestart)
{
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}));
    // The mouse grabs the creature at (60, 70), moves 300 left and 200 up
    // (a point left of and above the window, as the captured mouse reports
    // it), and lets go.
    RECT before = WindowRect(creature);
    SendMessageA(creature, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 70));
    SendMessageA(creature, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-240, -130));
    SendMessageA(creature, WM_LBUTTONUP, 0, MAKELPARAM(60, 70));

    RECT after = WindowRect(creature);
    EXPECT_EQ(after.left, before.left - 300);
    EXPECT_EQ(after.top, before.top - 200);
    EXPECT_EQ(RegistryText(kPillowKey + "\\Position", "Left"), std::to_string(after.left));
    EXPECT_EQ(RegistryText(kPillowKey + "\\Position", "Top"), std::to_string(after.top));
    ExitThroughMenu();

    ASSERT_NO_FATAL_FAILURE(Start({}));
    RECT again = WindowRect(creature);
    EXPECT_EQ(std::make_pair(again.left, again.top), std::make_pair(after.left, after.top));
    ExitThroughMenu();

    // A place off every screen is brought back onto the nearest one.
    ASSERT_TRUE(SetRegistryString(kPillowKey + "\\Position", "Left", "-5000"));
    ASSERT_TRUE(SetRegistryString(kPillowKey + "\\Position", "Top", "99999"));
    ASSERT_NO_FATAL_FAILURE(Start({}));
    RECT rect = WindowRect(creature);
    RECT area = PrimaryWorkArea();
    EXPECT_EQ(rect.left, area.left);
    EXPECT_EQ(rect.bottom, area.bottom);
    ExitThroughMenu();
}

TEST_F(ToyRunTest, SecondStartReportsTheToyRunningAndLeavesTheFirstAlone)
{
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}));

    // The box recorder must be loaded before the pillow refuses to start;
    // the system lists files in an order of its own, so the recorder's file
    // name is changed until it comes first.
    ToyFolder second;
    second.AddToyPlugin("Pillow");
    bool recorderFirst = false;
    for (char initial = 'A'; initial <= 'Z' && !recorderFirst; ++initial) {
        std::string name = std::string(1, initial) + "Recorder.kvp";
        second.AddPlugin("tp_good", name);
        recorderFirst = second.PluginFileOrder().front() == name;
        if (!recorderFirst) {
            DeleteFileA((second.PluginsPath() + name).c_str());
        }
    }
    ASSERT_TRUE(recorderFirst);

    HostRun run = RunHost(second.Path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    ErrorReport report{"Toy", 0, ERR_TOY_ALREADY_RUNNING.text, ERR_TOY_ALREADY_RUNNING.code, "Toy shutdown"};
    EXPECT_EQ(CountLines(second.Trace(), "box|Error|" + FormatErrorBoxText(report) + "|OK|no icon"), 1);

    EXPECT_TRUE(host->Running());
    EXPECT_TRUE(IsWindowVisible(creature));
    ExitThroughMenu();
}

TEST_F(ToyRunTest, InactivePillowEndsTheRunAtOnce)
{
    folder.AddToyPlugin("Pillow");
    ASSERT_TRUE(SetRegistryString(kPillowKey, "Active", "FALSE"));
    HostRun run = RunHost(folder.Path());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.showedWindow);
    EXPECT_EQ(RegistryText(kPillowKey, "Executes"), "1");
}

// The menu as it really opens, read inside the host by the menu reader.
class ToyMenuTest : public ToyRunTest {
protected:
    void OpenMenu(HWND creature)
    {
        folder.ClearTrace();
        PostMessageA(creature, WM_RBUTTONUP, 0, 0);
        ASSERT_TRUE(TraceHas("menu end"));
        for (const std::string& line : folder.Trace()) {
            if (line.rfind("tree ", 0) == 0) {
                tree = line.substr(5);
            } else if (line.rfind("menu item ", 0) == 0) {
                items.push_back(line.substr(10));
            } else if (line.rfind("menu plugin ", 0) == 0) {
                std::string entry = line.substr(12);
                std::size_t bar = entry.find('|');
                std::size_t lastBar = entry.rfind('|');
                std::string text = entry.substr(0, bar);
                std::string name = text.substr(0, text.find(' '));
                names += (names.empty() ? "" : ",") + name;
                checked[name] = entry.substr(bar + 1, lastBar - bar - 1) == "checked";
                ids[name] = static_cast<UINT>(std::stoul(entry.substr(lastBar + 1)));
                texts[name] = text;
            }
        }
    }

    std::string tree;
    std::string names;
    std::vector<std::string> items;
    std::map<std::string, bool> checked;
    std::map<std::string, UINT> ids;
    std::map<std::string, std::string> texts;
};

// The menu lists the whole tree with each plugin's state; a plugin's entry
// switches its stored Active value, "Start with Windows" makes and removes
// the shortcut, and About shows the version and the run.
TEST_F(ToyMenuTest, MenuListsTheTreeAndItsCommandsWork)
{
    const std::wstring shortcut = StartupShortcutPath();
    DeleteFileW(shortcut.c_str());
    ASSERT_TRUE(SetRegistryString(kToyKey, "Executes", "6"));
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow", "Dreams"}, {"tp_menureader", "tp_listener", "tp_inactive"}));
    OpenMenu(creature);

    EXPECT_EQ(names, tree);
    std::vector<std::string> listed(ids.size());
    std::transform(ids.begin(), ids.end(), listed.begin(), [](const auto& entry) { return entry.first; });
    EXPECT_EQ(listed, (std::vector<std::string>{"Dreams", "Inactive", "Listener", "MenuReader", "Pillow"}));
    EXPECT_EQ(texts["Dreams"], "Dreams 1.0: Letters z drift up while the creature sleeps");
    EXPECT_EQ(texts["Listener"], "Listener 1.0: Test plugin tp_listener");
    EXPECT_TRUE(checked["Pillow"]);
    EXPECT_TRUE(checked["Listener"]);
    EXPECT_FALSE(checked["Inactive"]);
    EXPECT_EQ(items, (std::vector<std::string>{"Plugins", "A change takes effect at the next start", "Go to sleep",
                                               "Start with Windows", "About Pillowmoor Toy", "Exit"}));

    const UINT dreams = ids["Dreams"];
    for (bool off : {true, false}) {
        PostMessageA(creature, WM_COMMAND, dreams, 0);
        PostMessageA(creature, WM_COMMAND, TOY_COMMAND_START_WITH_WINDOWS, 0);
        EXPECT_TRUE(WaitUntil([&] {
            return RegistryText(kDreamsKey, "Active") == (off ? "FALSE" : "TRUE") && StartsWithWindows() == off;
        }));
        items.clear();
        OpenMenu(creature);
        EXPECT_EQ(checked["Dreams"], !off);
        EXPECT_EQ(std::count(items.begin(), items.end(), off ? "Start with Windows (checked)" : "Start with Windows"),
                  1);
        if (off) {
            std::string here = folder.Path().substr(0, folder.Path().size() - 1);
            std::string program = ProgramFolder() + "PillowmoorToy.exe";
            EXPECT_EQ(ReadShortcut(shortcut), std::make_pair(std::wstring(program.begin(), program.end()),
                                                             std::wstring(here.begin(), here.end())));
        }
    }
    EXPECT_EQ(RegistryText(kPillowKey, "Active"), "TRUE");
    PostMessageA(creature, WM_COMMAND, TOY_COMMAND_ABOUT, 0);
    EXPECT_TRUE(TraceHas("box|About Pillowmoor Toy|Pillowmoor Toy, version 1.0. This is run 7.|OK|icon"));
    ExitThroughMenu();
    DeleteFileW(shortcut.c_str());
}

TEST_F(ToyRunTest, AsleepTheCreatureDreamsAClickWakesItAndInactiveDreamsShowNothing)
{
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow", "Dreams"}, {"tp_listener"}));
    EXPECT_TRUE(TraceHas("tp_listener channel window=PillowmoorPillow state=1"));
    EXPECT_FALSE(VisibleWindowOfClass(kDreamsClass));

    SendMessageA(creature, WM_COMMAND, TOY_COMMAND_SLEEP, 0);
    EXPECT_TRUE(TraceHas("tp_listener told state=" + std::to_string(TOY_STATE_ASLEEP)));
    HWND dreams = host->WaitForWindow(kDreamsClass);
    ASSERT_NE(dreams, nullptr);
    EXPECT_NE(GetWindowLongPtrA(dreams, GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
    RECT above = WindowRect(dreams);
    EXPECT_LT(above.top, WindowRect(creature).top);

    SendMessageA(creature, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(creature, WM_LBUTTONUP, 0, 0);
    EXPECT_TRUE(TraceHas("tp_listener told state=" + std::to_string(TOY_STATE_AWAKE)));
    EXPECT_FALSE(IsWindowVisible(dreams));
    ExitThroughMenu();

    // Inactive, the dreams show no letters, though they are told.
    ASSERT_TRUE(SetRegistryString(kDreamsKey, "Active", "FALSE"));
    folder.ClearTrace();
    ASSERT_NO_FATAL_FAILURE(Start({}));
    SendMessageA(creature, WM_COMMAND, TOY_COMMAND_SLEEP, 0);
    EXPECT_TRUE(TraceHas("tp_listener told state=" + std::to_string(TOY_STATE_ASLEEP)));
    EXPECT_FALSE(VisibleWindowOfClass(kDreamsClass));
    EXPECT_EQ(RegistryText(kDreamsKey, "Executes"), "2");
    ExitThroughMenu();
}
