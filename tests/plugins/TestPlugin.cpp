// One plugin source, built into many test libraries. Each build sets
// TP_LABEL (the library's name in the trace) and any of these behaviours:
//   TP_NO_NEW, TP_NEW_NULL                 New only as a C++ name / New gives null
//   TP_THROW_IN_INITIALISE, TP_THROW_IN_HOOK, TP_REFUSE_IN_HOOK
//   TP_THROW_IN_RELEASE_HOOK_ONCE, TP_THROW_IN_RELEASE_HOOK_ALWAYS
//   TP_OWN_RELEASE                         Release runs ReleaseHook every time,
//                                          as another copy of the framework may
//   TP_THROW_STD, TP_THROW_INT             what is thrown: a std::runtime_error
//                                          or an int instead of a CKVErr
//   TP_CRASH_IN_HOOK, TP_CRASH_IN_WNDPROC  write to an address that is not mapped
//   TP_SPOIL_PLUGINS                       leaves a pointer into unmapped memory
//                                          in the host's list of plugins
//   TP_COLLECT, TP_THROW_IN_WNDPROC, TP_THROW_ON_TIMER (every tick), TP_QUIT
//   TP_LISTEN                              traces what the toy channel says
//   TP_READ_MENU                           traces every popup menu and closes it
//   TP_TRACE_NAME                          release and destroy lines carry the
//                                          plugin's name (for stamped copies)
//   TP_LEAVE_BOXES                         message boxes wait for a click, as
//                                          without a test plugin
// COLLECT to QUIT and CRASH_IN_WNDPROC act in the message loop, through a
// window of the plugin. Built with the framework of the toy, or with
// tests/plugins/LiteralFramework.cpp in its place.
// Everything that happens to the plugin is appended to the trace file.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/ToyChannel.h"
#include "plugins/ToyPlugin.h"
#include "tests/plugins/BoxRecorder.h"
#include "tests/plugins/MenuReader.h"

#if defined(TP_COLLECT) || defined(TP_THROW_IN_WNDPROC) || defined(TP_THROW_ON_TIMER) || defined(TP_QUIT) ||           \
    defined(TP_CRASH_IN_WNDPROC) || defined(TP_SPOIL_PLUGINS)
#define TP_HAS_WINDOW 1
#endif

namespace {

void Trace(const std::string& event)
{
    AppendTrace((std::string(TP_LABEL) + " " + event).c_str());
}

[[maybe_unused]] [[noreturn]] void Fail(const char* where)
{
    std::string text = std::string(TP_LABEL) + " failed in " + where;
#if defined(TP_THROW_STD)
    throw std::runtime_error(text);
#elif defined(TP_THROW_INT)
    throw 42;
#else
    throw CKVErr(text, -7);
#endif
}

// A write to the top of the address space, which is never the process's (a
// null pointer may not do: Wine maps the lowest pages for a process it may
// start as root). Hidden from the compiler behind a volatile pointer.
[[maybe_unused]] void Crash(const char* where)
{
    Trace(std::string("crashes in ") + where);
    int* volatile target = reinterpret_cast<int*>(~std::uintptr_t{15});
    *target = 1;
}

class TestPlugin : public CToyPlugin {
public:
    TestPlugin()
    {
#ifndef TP_LEAVE_BOXES
        RecordMessageBoxes();
#endif
        Trace("construct");
    }

    ~TestPlugin() override
    {
        Trace(Named("destroy"));
    }

    std::int32_t Initialise(HMODULE libraryModule, CToyApp* application, CToyPlugin* owner) override
    {
#ifdef TP_THROW_IN_INITIALISE
        Trace("initialise throws");
        Fail("Initialise");
#endif
        return CToyPlugin::Initialise(libraryModule, application, owner);
    }

    std::int32_t InitialiseHook() override
    {
        Trace("hook parent=" + (parent != nullptr ? parent->name : std::string("-")) +
              " active=" + std::to_string(active) + " runCount=" + std::to_string(runCount));
#ifdef TP_THROW_IN_HOOK
        Fail("InitialiseHook");
#endif
#ifdef TP_CRASH_IN_HOOK
        Crash("InitialiseHook");
#endif
#ifdef TP_REFUSE_IN_HOOK
        return 0;
#endif
#ifdef TP_HAS_WINDOW
        OpenWindow();
#endif
#ifdef TP_LISTEN
        HWND window = AskParentWindow(*this);
        char className[64] = "none";
        if (window != nullptr) {
            GetClassNameA(window, className, sizeof className);
        }
        Trace(std::string("channel window=") + className + " state=" + std::to_string(AskParentState(*this)));
#endif
#ifdef TP_READ_MENU
        StartReadingMenus(*app);
#endif
        started_ = true;
        return 1;
    }

#ifdef TP_LISTEN
    std::int32_t SpareHook3(std::int32_t code, std::int32_t a, std::int32_t b, std::int32_t c) override
    {
        if (code != TOY_TELL_STATE) {
            return CToyPlugin::SpareHook3(code, a, b, c);
        }
        Trace("told state=" + std::to_string(a));
        return 1;
    }
#endif

    std::int32_t ReleaseHook() override
    {
        // A candidate that never started (refused, or offered under another
        // owner) is traced apart and does not throw.
        Trace(Named(started_ ? "releasehook" : "releasehook refused"));
        if (!started_) {
            return 1;
        }
#ifdef TP_HAS_WINDOW
        CloseWindow();
#endif
#ifdef TP_READ_MENU
        StopReadingMenus();
#endif
#ifdef TP_THROW_IN_RELEASE_HOOK_ONCE
        if (!thrownInRelease_) {
            thrownInRelease_ = true;
            Fail("ReleaseHook");
        }
#endif
#ifdef TP_THROW_IN_RELEASE_HOOK_ALWAYS
        Fail("ReleaseHook");
#endif
        return 1;
    }

#ifdef TP_OWN_RELEASE
    std::int32_t Release(CToyPlugin* child) override
    {
        return child != nullptr ? CToyPlugin::Release(child) : ReleaseHook();
    }
#endif

private:
    std::string Named(const std::string& event) const
    {
#ifdef TP_TRACE_NAME
        return event + " " + name;
#else
        return event;
#endif
    }

#ifdef TP_HAS_WINDOW
    static constexpr const char* kClassName = "TestPluginWindow_" TP_LABEL;

    void OpenWindow()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = module;
        windowClass.lpszClassName = kClassName;
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, kClassName, TP_LABEL, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this);
        PostMessageA(window_, WM_APP, 0, 0);
    }

    void CloseWindow()
    {
        if (window_ != nullptr) {
            DestroyWindow(window_);
            window_ = nullptr;
            UnregisterClassA(kClassName, module);
        }
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* plugin = reinterpret_cast<TestPlugin*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (plugin != nullptr && (message == WM_APP || message == WM_TIMER)) {
            plugin->OnMessage(window, message);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void OnMessage([[maybe_unused]] HWND window, UINT message)
    {
        if (message == WM_TIMER) {
            Trace("timer throws");
            Fail("WM_TIMER");
        }
#ifdef TP_COLLECT
        std::string names;
        for (CToyPlugin* plugin : CollectPlugins()) {
            names += (names.empty() ? "" : ",") + plugin->name;
        }
        Trace("collect " + names);
#endif
#ifdef TP_THROW_IN_WNDPROC
        Trace("wndproc throws");
        Fail("WindowProc");
#endif
#ifdef TP_CRASH_IN_WNDPROC
        Crash("WindowProc");
#endif
#ifdef TP_THROW_ON_TIMER
        SetTimer(window, 1, 10, nullptr);
#endif
#ifdef TP_SPOIL_PLUGINS
        app->plugins.push_back(reinterpret_cast<CToyPlugin*>(~std::uintptr_t{0} << (sizeof(void*) * 8 - 17)));
        PostQuitMessage(0);
#endif
#ifdef TP_QUIT
        PostQuitMessage(0);
#endif
    }

    HWND window_ = nullptr;
#endif
#ifdef TP_THROW_IN_RELEASE_HOOK_ONCE
    bool thrownInRelease_ = false;
#endif
    bool started_ = false;
};

} // namespace

#ifndef TP_NO_NEW // without extern "C", New is exported only under its C++ name
extern "C"
#endif
    __declspec(dllexport) CToyPlugin* New()
{
#ifdef TP_NEW_NULL
    Trace("new gives null");
    return nullptr;
#else
    return new TestPlugin;
#endif
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    // Only an unload by FreeLibrary is traced, not the end of the process.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        AppendTrace(TP_LABEL " unload");
    }
    return TRUE;
}
