// Runs of the real host with the sample toy's plugins: the creature's window,
// its menu, its place between runs, one toy at a time, and its dreams.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <wtsapi32.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "ToyVersion.h"
#include "errors/ReportFormat.h"
#include "errors/ToyError.h"
#include "plugins/ToyChannel.h"
#include "support/Registry.h"
#include "support/Win32Handles.h"
#include "tests/support/HostProcess.h"
#include "tests/support/RegistryCleanup.h"
#include "tests/support/ToyFolder.h"
#include "tools/kvdpack/PackageWriter.h"
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

// The 32-bit pixels of the screen inside window's rectangle, row by row from
// the top, as another program would see them; empty when they cannot be read.
std::vector<std::uint32_t> CaptureScreenArea(HWND window)
{
    RECT rect = WindowRect(window);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    GdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDc memory(CreateCompatibleDC(nullptr));
    HGDIOBJ previous = SelectObject(memory.Get(), bitmap.Get());
    HDC screen = GetDC(nullptr);
    bool copied = bitmap && memory &&
                  BitBlt(memory.Get(), 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    SelectObject(memory.Get(), previous);
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    return copied ? std::vector<std::uint32_t>(pixels, pixels + static_cast<std::size_t>(width) * height)
                  : std::vector<std::uint32_t>();
}

// How many pixels of window's rectangle on the screen are drawn: not the
// empty screen's black.
long DrawnArea(HWND window)
{
    std::vector<std::uint32_t> pixels = CaptureScreenArea(window);
    return static_cast<long>(
        std::count_if(pixels.begin(), pixels.end(), [](std::uint32_t pixel) { return (pixel & 0xFFFFFF) != 0; }));
}

// The system dpi as the registry of the test's prefix gives it to the
// programs started from now on; Wine's default again when the object dies.
class ScopedSystemDpi {
public:
    explicit ScopedSystemDpi(DWORD dpi)
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, kKey, kValue, REG_DWORD, &dpi, sizeof dpi);
    }
    ~ScopedSystemDpi() { RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, kValue); }
    ScopedSystemDpi(const ScopedSystemDpi&) = delete;
    ScopedSystemDpi& operator=(const ScopedSystemDpi&) = delete;

private:
    static constexpr const char* kKey = "Control Panel\\Desktop";
    static constexpr const char* kValue = "LogPixels";
};

// Sends window a message of the system's whose lParam points at data. The
// data is written into the window's own process, since the system carries
// no such pointer between processes.
template <typename Data>
void SendWithData(HWND window, UINT message, WPARAM wParam, const Data& data)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    KernelHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId));
    void* remote = VirtualAllocEx(process.Get(), nullptr, sizeof data, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    ASSERT_TRUE(WriteProcessMemory(process.Get(), remote, &data, sizeof data, nullptr));
    SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
}

// What the system sends when the display goes off (0) or on (1).
void SendDisplayState(HWND window, DWORD state)
{
    POWERBROADCAST_SETTING setting{GUID_CONSOLE_DISPLAY_STATE, sizeof state, {}};
    std::memcpy(setting.Data, &state, sizeof state);
    SendWithData(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, setting);
}

std::string WindowText(HWND window)
{
    char text[256];
    int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

// Types path into a file dialog's file name field, as a user would: the
// combo box of the dialog (cmb13), or the edit field of an older one (edt1).
bool TypeFileName(HWND dialog, const std::string& path)
{
    HWND field = GetDlgItem(dialog, 0x47C);
    if (field == nullptr) {
        field = GetDlgItem(dialog, 0x480);
    }
    return field != nullptr && SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str())) != 0;
}

struct TitleSearch {
    std::string text;
    HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<TitleSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != GetCurrentProcessId() && IsWindowVisible(window) &&
        WindowText(window).find(search.text) != std::string::npos) {
        search.found = window;
    }
    return TRUE;
}

// A visible top-level window of another process whose title holds text.
HWND WindowShowing(const std::string& text)
{
    TitleSearch search{text};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
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

    // Ends the toy as the message would (by default "Exit" chosen from the
    // menu), and expects a clean end.
    void End(UINT message = WM_COMMAND, WPARAM wParam = TOY_COMMAND_EXIT)
    {
        PostMessageA(creature, message, wParam, 0);
        ASSERT_EQ(host->WaitForExit(), 0u);
    }

    bool TraceHas(const std::string& line)
    {
        return WaitUntil([&] { return CountLines(folder.Trace(), line) > 0; });
    }

    // Opens the menu and reads, as the menu reader traces them, its items,
    // and its plugin entries ("text|checked or unchecked") and their ids by
    // plugin name.
    void OpenMenu()
    {
        folder.ClearTrace();
        items.clear();
        names.clear();
        PostMessageA(creature, WM_RBUTTONUP, 0, 0);
        ASSERT_TRUE(TraceHas("menu end"));
        for (const std::string& line : folder.Trace()) {
            if (line.rfind("tree ", 0) == 0) {
                tree = line.substr(5);
            } else if (line.rfind("menu item ", 0) == 0) {
                items.push_back(line.substr(10));
            } else if (line.rfind("menu plugin ", 0) == 0) {
                std::string entry = line.substr(12, line.rfind('|') - 12);
                std::string name = entry.substr(0, entry.find(' '));
                names += (names.empty() ? "" : ",") + name;
                plugins[name] = entry;
                ids[name] = static_cast<UINT>(std::stoul(line.substr(line.rfind('|') + 1)));
            }
        }
    }

    ScopedRegistryKey key{kToyKey};
    ToyFolder folder;
    std::unique_ptr<RunningHost> host;
    HWND creature = nullptr;
    std::string tree;
    std::string names;
    std::vector<std::string> items;
    std::map<std::string, std::string> plugins;
    std::map<std::string, UINT> ids;
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

    EXPECT_EQ(GetWindowLongPtrA(creature, GWL_EXSTYLE) &
                  (WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW),
              WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindowLongPtrA(creature, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    RECT rect = WindowRect(creature);
    EXPECT_EQ(std::make_pair(rect.right - rect.left, rect.bottom - rect.top), std::make_pair(128L, 128L));

    // The window exists a moment before it is shown with its first frame.
    std::vector<std::uint32_t> first;
    EXPECT_TRUE(WaitUntil([&] {
        first = CaptureScreenArea(creature);
        return std::any_of(first.begin(), first.end(), [](std::uint32_t p) { return (p & 0xFFFFFF) != 0; });
    })) << "nothing of the creature is on the screen";
    EXPECT_TRUE(WaitUntil([&] { return CaptureScreenArea(creature) != first; })) << "the creature stands still";
    End();
}

// Exit from the menu and closing the window end the toy the same way.
TEST_F(ToyRunTest, EndingTheToyCountsTheRunAndReleasesEveryPlugin)
{
    folder.AddToyPlugin("Dreams");
    for (auto [message, wParam] : {std::pair<UINT, WPARAM>{WM_COMMAND, TOY_COMMAND_EXIT}, {WM_CLOSE, 0}}) {
        folder.ClearTrace();
        ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}, {"tp_listener"}));
        End(message, wParam);
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
    EXPECT_EQ(std::make_pair(after.left, after.top), std::make_pair(before.left - 300, before.top - 200));
    EXPECT_EQ(RegistryText(kPillowKey + "\\Position", "Left") + "," + RegistryText(kPillowKey + "\\Position", "Top"),
              std::to_string(after.left) + "," + std::to_string(after.top));
    End();

    ASSERT_NO_FATAL_FAILURE(Start({}));
    RECT again = WindowRect(creature);
    EXPECT_EQ(std::make_pair(again.left, again.top), std::make_pair(after.left, after.top));
    End();

    // A place off every screen is brought back onto the nearest one.
    ASSERT_TRUE(SetRegistryString(kPillowKey + "\\Position", "Left", "-5000"));
    ASSERT_TRUE(SetRegistryString(kPillowKey + "\\Position", "Top", "99999"));
    ASSERT_NO_FATAL_FAILURE(Start({}));
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &screen);
    RECT rect = WindowRect(creature);
    EXPECT_EQ(std::make_pair(rect.left, rect.bottom), std::make_pair(screen.rcWork.left, screen.rcWork.bottom));
    End();
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

    ASSERT_EQ(RunHost(second.Path()).exitCode, 0u);
    ErrorReport report{"Toy", 0, ERR_TOY_ALREADY_RUNNING.text, ERR_TOY_ALREADY_RUNNING.code, "Toy shutdown"};
    EXPECT_EQ(CountLines(second.Trace(), "box|Error|" + FormatErrorBoxText(report) + "|OK|no icon"), 1);

    EXPECT_TRUE(host->Running());
    EXPECT_TRUE(IsWindowVisible(creature));
    End();
}

TEST_F(ToyRunTest, InactivePillowEndsTheRunAtOnce)
{
    folder.AddToyPlugin("Pillow");
    ASSERT_TRUE(SetRegistryString(kPillowKey, "Active", "FALSE"));
    HostRun run = RunHost(folder.Path());
    ASSERT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.showedWindow);
    EXPECT_EQ(RegistryText(kPillowKey, "Executes"), "1");
}

// The menu as it really opens (read inside the host by the menu reader) lists
// the whole tree with each plugin's state; a plugin's entry switches its
// stored Active value, "Start with Windows" makes and removes the shortcut,
// and About shows the version and the run. The pillow's own entry is greyed
// and its command does nothing: switched off, the toy would show no menu to
// switch it on again with.
TEST_F(ToyRunTest, MenuListsTheTreeAndItsCommandsWork)
{
    const std::wstring shortcut = StartupShortcutPath();
    DeleteFileW(shortcut.c_str());
    ASSERT_TRUE(SetRegistryString(kToyKey, "Executes", "6"));
    // Beside the tree: a library no owner of the toy takes, one without New,
    // and a package an earlier start set aside, each greyed with kvpinfo's reason.
    WriteBytes(folder.PluginsPath() + "Broken.kvd.failed", "not a package");
    ASSERT_NO_FATAL_FAILURE(
        Start({"Pillow", "Dreams"}, {"tp_menureader", "tp_listener", "tp_inactive", "tp_stranger", "tp_nonew"}));
    OpenMenu();

    EXPECT_EQ(names, tree);
    EXPECT_EQ(plugins,
              (std::map<std::string, std::string>{
                  {"Dreams", "Dreams 1.0: Letters z drift up while the creature sleeps|checked"},
                  {"Inactive", "Inactive 1.0: Test plugin tp_inactive|unchecked"},
                  {"Listener", "Listener 1.0: Test plugin tp_listener|checked"},
                  {"MenuReader", "MenuReader 1.0: Test plugin tp_menureader|checked"},
                  {"Pillow", "Pillow 1.0: The creature: breathes, blinks, sleeps and follows the mouse|checked greyed"},
              }));
    // The libraries in the order the host's search finds them; a long reason
    // is cut after a whole word.
    const std::map<std::string, std::string> absent{
        {"tp_stranger.kvp", "owner list names Nobody, which is not loaded"},
        {"tp_nonew.kvp", "does not export New, only _Z3Newv, the C++ name of a New..."}};
    std::vector<std::string> menu{"Plugins"};
    for (const std::string& file : folder.PluginFileOrder()) {
        if (absent.contains(file)) {
            menu.push_back(file + " - " + absent.at(file) + " (greyed)");
        }
    }
    menu.insert(menu.end(), {"Broken.kvd.failed - set aside: no stored name that the pass installs (greyed)",
                             "Add plugin...", "Open plugins folder", "A change takes effect at the next start (greyed)",
                             "Go to sleep", "Start with Windows", "About Pillowmoor Toy", "Exit"});
    EXPECT_EQ(items, menu);

    const UINT dreams = ids["Dreams"];
    for (bool off : {true, false}) {
        PostMessageA(creature, WM_COMMAND, ids["Pillow"], 0);
        PostMessageA(creature, WM_COMMAND, dreams, 0);
        PostMessageA(creature, WM_COMMAND, TOY_COMMAND_START_WITH_WINDOWS, 0);
        EXPECT_TRUE(WaitUntil([&] {
            return RegistryText(kDreamsKey, "Active") == (off ? "FALSE" : "TRUE") &&
                   (GetFileAttributesW(shortcut.c_str()) != INVALID_FILE_ATTRIBUTES) == off;
        }));
        EXPECT_EQ(RegistryText(kPillowKey, "Active"), "TRUE");
        OpenMenu();
        // The start is over, its unloads traced; the menu read the files as
        // data: no library was loaded for its code and unloaded again.
        const std::vector<std::string> trace = folder.Trace();
        EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                                [](const std::string& line) { return line.ends_with(" unload"); }),
                  0);
        EXPECT_EQ(plugins["Dreams"].ends_with("|checked"), !off);
        // Switched off, Dreams waits for the next start; switched back, nothing does.
        EXPECT_EQ(std::count(items.begin(), items.end(), "Restart now"), off ? 1 : 0);
        EXPECT_EQ(std::count(items.begin(), items.end(), off ? "Start with Windows (checked)" : "Start with Windows"),
                  1);
        if (off) {
            std::string here = folder.Path().substr(0, folder.Path().size() - 1);
            std::string program = ProgramFolder() + "PillowmoorToy.exe";
            EXPECT_EQ(ReadShortcut(shortcut), std::make_pair(std::wstring(program.begin(), program.end()),
                                                             std::wstring(here.begin(), here.end())));
        }
    }
    PostMessageA(creature, WM_COMMAND, TOY_COMMAND_ABOUT, 0);
    // The version as the installer and the list of programs show it.
    EXPECT_TRUE(
        TraceHas("box|About Pillowmoor Toy|Pillowmoor Toy, version " TOY_VERSION_DOTTED ". This is run 7.|OK|icon"));
    End();
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
    End();

    // Inactive, the dreams show no letters, though they are told.
    ASSERT_TRUE(SetRegistryString(kDreamsKey, "Active", "FALSE"));
    folder.ClearTrace();
    ASSERT_NO_FATAL_FAILURE(Start({}));
    SendMessageA(creature, WM_COMMAND, TOY_COMMAND_SLEEP, 0);
    EXPECT_TRUE(TraceHas("tp_listener told state=" + std::to_string(TOY_STATE_ASLEEP)));
    EXPECT_FALSE(VisibleWindowOfClass(kDreamsClass));
    EXPECT_EQ(RegistryText(kDreamsKey, "Executes"), "2");
    End();
}

// At the top of the screen there is no room above the creature: its dreams
// rise beside it, inside the work area, at either corner and between them,
// with most of their window off the creature, as when they rise above it.
TEST_F(ToyRunTest, DreamsStayOnTheScreenAtItsTopEdge)
{
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &screen);
    const RECT area = screen.rcWork;
    folder.AddToyPlugin("Dreams");
    for (LONG left : {area.left, (area.left + area.right) / 2, area.right - 128}) {
        ASSERT_TRUE(SetRegistryString(kPillowKey + "\\Position", "Left", std::to_string(left)));
        ASSERT_TRUE(SetRegistryString(kPillowKey + "\\Position", "Top", std::to_string(area.top)));
        ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}));
        SendMessageA(creature, WM_COMMAND, TOY_COMMAND_SLEEP, 0);
        HWND dreams = host->WaitForWindow(kDreamsClass);
        ASSERT_NE(dreams, nullptr);
        RECT rect = WindowRect(dreams);
        RECT body = WindowRect(creature);
        RECT inside{};
        RECT over{};
        IntersectRect(&inside, &rect, &area);
        IntersectRect(&over, &rect, &body);
        auto size = [](const RECT& r) { return (r.right - r.left) * (r.bottom - r.top); };
        EXPECT_TRUE(EqualRect(&inside, &rect) && size(over) * 2 <= size(rect))
            << "creature at " << left << ": dreams at " << rect.left << "," << rect.top << " to " << rect.right << ","
            << rect.bottom;
        End();
    }
}

// "Start with Windows" is each copy's own: a shortcut that starts another
// copy (here the test program, which made it) leaves this copy's entry
// unticked, and ticking it makes the shortcut start this copy instead.
TEST_F(ToyRunTest, AnotherCopysStartupShortcutIsThatCopys)
{
    const std::wstring shortcut = StartupShortcutPath();
    SetStartWithWindows(true);
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}, {"tp_menureader"}));
    OpenMenu();
    EXPECT_EQ(std::count(items.begin(), items.end(), "Start with Windows"), 1);
    PostMessageA(creature, WM_COMMAND, TOY_COMMAND_START_WITH_WINDOWS, 0);
    std::string toy = ProgramFolder() + "PillowmoorToy.exe";
    EXPECT_TRUE(WaitUntil([&] { return ReadShortcut(shortcut).first == std::wstring(toy.begin(), toy.end()); }));
    End();
    DeleteFileW(shortcut.c_str());
}

// "Add plugin..." copies the package chosen in its file dialog into Plugins\,
// says that it comes at the next start and offers to restart: yes ends this
// toy and starts it again in the same folder, which installs the package.
TEST_F(ToyRunTest, AddedPluginIsInstalledByRestartNow)
{
    ASSERT_TRUE(CreateDirectoryA((folder.Path() + "Downloads").c_str(), nullptr));
    const std::string package = folder.Path() + "Downloads\\Good.kvd";
    std::string error;
    ASSERT_TRUE(WritePackage(TestPluginPath("tp_good"), package, "Good.kvp", error)) << error;
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}));

    PostMessageA(creature, WM_COMMAND, TOY_COMMAND_ADD_PLUGIN, 0);
    HWND dialog = host->WaitForWindow("#32770");
    ASSERT_NE(dialog, nullptr) << "no file dialog";
    EXPECT_EQ(WindowText(dialog), "Add plugin");
    ASSERT_TRUE(TypeFileName(dialog, package));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);

    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = host->VisibleWindow("#32770")) != nullptr && box != dialog; }));
    EXPECT_EQ(ReadBytes(folder.PluginsPath() + "Good.kvd"), ReadBytes(package));
    // A message box's text is its static control 0xFFFF.
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)),
              "Good.kvd is in Plugins\\ and is installed at the next start.\n\nRestart the toy now?");
    PostMessageA(box, WM_COMMAND, IDYES, 0);
    EXPECT_EQ(host->WaitForExit(), 0u);

    HWND again = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (again = FindWindowA(kCreatureClass, nullptr)) != nullptr; }));
    DWORD restarted = 0;
    GetWindowThreadProcessId(again, &restarted);
    KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, restarted));
    // Started again only once this toy had ended, so that the two never run at once.
    FILETIME created{}, exited{}, kernel{}, user{};
    ASSERT_TRUE(GetProcessTimes(process.Get(), &created, &exited, &kernel, &user));
    FILETIME ended = host->ExitTime();
    EXPECT_NE(ended.dwHighDateTime, 0u);
    EXPECT_GE(CompareFileTime(&created, &ended), 0);
    EXPECT_EQ(RegistryText(kToyKey, "Executes"), "2");
    EXPECT_TRUE(IsCopyOf(folder.PluginsPath() + "Good.kvp", "tp_good"));
    EXPECT_EQ(GetFileAttributesA((folder.PluginsPath() + "Good.kvd").c_str()), INVALID_FILE_ATTRIBUTES);
    PostMessageA(again, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
}

// "Open plugins folder" shows the toy's Plugins\ in the file manager, a
// window of another program, which the test closes again.
TEST_F(ToyRunTest, OpenPluginsFolderShowsItInTheFileManager)
{
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}));
    PostMessageA(creature, WM_COMMAND, TOY_COMMAND_OPEN_PLUGINS_FOLDER, 0);
    HWND shown = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (shown = WindowShowing("Plugins")) != nullptr; }));
    PostMessageA(shown, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(shown); }));
    End();
}

// The creature and its dreams are drawn at the monitor's dpi from the start,
// and drawn anew at another monitor's when moved onto it, where the system
// suggests; a drop keeps the whole of the larger creature on the screen.
TEST_F(ToyRunTest, CreatureAndDreamsAreDrawnAtTheMonitorsDpi)
{
    auto scaled = [](LONG value, UINT dpi) { return static_cast<LONG>(value * dpi / 96); };
    // Drawn to scale in both directions, the creature covers (dpi / 96)^2 as
    // many pixels as at 96 dpi, give or take its breath.
    long designArea = 0;
    auto expectDrawnAt = [&](UINT dpi) {
        EXPECT_EQ(WindowRect(creature).right - WindowRect(creature).left, scaled(128, dpi));
        double ratio = 0;
        EXPECT_TRUE(WaitUntil([&] {
            long area = DrawnArea(creature);
            designArea = designArea == 0 ? area : designArea;
            ratio = area * 96.0 * 96.0 / (static_cast<double>(designArea) * dpi * dpi);
            return ratio > 0.75 && ratio < 1.3;
        })) << "at "
            << dpi << " dpi the drawing covers " << ratio << " times the expected area";
        HWND dreams = host->WaitForWindow(kDreamsClass);
        ASSERT_NE(dreams, nullptr);
        EXPECT_TRUE(WaitUntil([&] {
            RECT rect = WindowRect(dreams);
            return rect.right - rect.left == scaled(72, dpi) && rect.bottom - rect.top == scaled(96, dpi);
        })) << "dreams at "
            << dpi << " dpi";
    };
    folder.AddToyPlugin("Dreams");
    for (UINT dpi : {96u, 192u}) {
        ScopedSystemDpi systemDpi(dpi);
        ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}));
        SendMessageA(creature, WM_COMMAND, TOY_COMMAND_SLEEP, 0);
        expectDrawnAt(dpi);
        End();
    }

    ASSERT_NO_FATAL_FAILURE(Start({}));
    SendMessageA(creature, WM_COMMAND, TOY_COMMAND_SLEEP, 0);
    const RECT suggested{300, 200, 556, 456};
    ASSERT_NO_FATAL_FAILURE(SendWithData(creature, WM_DPICHANGED, MAKEWPARAM(192, 192), suggested));
    RECT rect = WindowRect(creature);
    EXPECT_TRUE(EqualRect(&rect, &suggested));
    expectDrawnAt(192);

    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    GetMonitorInfoA(MonitorFromWindow(creature, MONITOR_DEFAULTTOPRIMARY), &screen);
    SendMessageA(creature, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 70));
    SendMessageA(creature, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(3000, 3000));
    SendMessageA(creature, WM_LBUTTONUP, 0, MAKELPARAM(60, 70));
    rect = WindowRect(creature);
    EXPECT_EQ(std::make_pair(rect.right, rect.bottom), std::make_pair(screen.rcWork.right, screen.rcWork.bottom));
    End();
}

// While the session is locked or the display is off the creature sends no
// frames, and it resumes once both are over, undone in either order.
TEST_F(ToyRunTest, NoFramesWhileTheScreenIsLockedOrOff)
{
    const std::function<void()> lock = [&] { SendMessageA(creature, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1); };
    const std::function<void()> unlock = [&] { SendMessageA(creature, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1); };
    const std::function<void()> off = [&] { SendDisplayState(creature, 0); };
    const std::function<void()> on = [&] { SendDisplayState(creature, 1); };
    // Awake, the creature's breath shows a new frame several times a second.
    auto moves = [&] {
        std::vector<std::uint32_t> before = CaptureScreenArea(creature);
        return WaitUntil([&] { return CaptureScreenArea(creature) != before; }, 1500);
    };
    // Each step, and whether the creature moves after it.
    const std::vector<std::pair<std::function<void()>, bool>> steps{
        {lock, false},   {unlock, true}, {off, false}, {on, true},    {lock, false}, {off, false},
        {unlock, false}, {on, true},     {off, false}, {lock, false}, {on, false},   {unlock, true},
    };
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}));
    ASSERT_TRUE(moves());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].first();
        EXPECT_EQ(moves(), steps[i].second) << "after step " << i;
    }
    End();
}

// A package dropped into Plugins\ while the toy runs is noticed, and the menu
// offers a restart that installs it; the count follows the folder's packages,
// which a folder named like one is not.
TEST_F(ToyRunTest, PackagesDroppedWhileTheToyRunsAreOfferedForARestart)
{
    ASSERT_NO_FATAL_FAILURE(Start({"Pillow"}, {"tp_menureader"}));
    auto restartItem = [&] {
        OpenMenu();
        auto item =
            std::find_if(items.begin(), items.end(), [](const std::string& i) { return i.starts_with("Restart"); });
        return item == items.end() ? std::string("none") : *item;
    };
    auto offers = [&](const std::string& expected) {
        std::string shown;
        bool offered = WaitUntil([&] { return (shown = restartItem()) == expected; }, 10000);
        EXPECT_TRUE(offered) << "expected " << expected << ", the menu shows " << shown;
    };
    std::string error;
    offers("none");
    ASSERT_TRUE(WritePackage(TestPluginPath("tp_good"), folder.PluginsPath() + "Good.kvd", "Good.kvp", error)) << error;
    offers("Restart to install 1 new plugin");
    ASSERT_TRUE(CreateDirectoryA((folder.PluginsPath() + "Folder.kvd").c_str(), nullptr));
    ASSERT_TRUE(WritePackage(TestPluginPath("pk_other"), folder.PluginsPath() + "Other.kvd", "Other.kvp", error))
        << error;
    offers("Restart to install 2 new plugins");
    ASSERT_TRUE(DeleteFileA((folder.PluginsPath() + "Good.kvd").c_str()));
    offers("Restart to install 1 new plugin");
    End();
}
