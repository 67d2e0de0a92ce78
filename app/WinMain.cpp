// The entry point: start-up, the message loop and shutdown, and the one place
// where what plugin code throws is caught and reported: a CKVErr, or any other
// exception as a record of its text and code 0.
#include <optional>

#include "app/CrashReport.h"
#include "app/QuietQueue.h"
#include "app/ToyApp.h"
#include "errors/ToyError.h"

namespace {

// Windows swallows exceptions thrown from TIMERPROC callbacks unless the
// process asks it not to; a CKVErr from a plugin's timer must reach the
// handler below like one from any dispatched message. Systems that do not
// know the setting refuse the call, which changes nothing.
void LetTimerExceptionsThrough()
{
    constexpr int kTimerProcExceptionSuppression = 7;
    BOOL suppress = FALSE;
    SetUserObjectInformationW(GetCurrentProcess(), kTimerProcExceptionSuppression, &suppress, sizeof suppress);
}

void RunMessageLoop()
{
    MSG message;
    // GetMessageA gives -1 on failure; stopping there keeps a broken queue
    // from spinning the loop for ever.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Each step below returns a copy of what it caught instead of acting inside
// the handler: the thrown object may have its code in a plugin library, so it
// must be gone before any library is unloaded.
std::optional<CKVErr> RunToy(CToyApp& app, HINSTANCE instance)
{
    try {
        if (app.Startup(instance)) {
            RunMessageLoop();
        }
        app.Shutdown();
        return std::nullopt;
    } catch (...) {
        return RecordOfCurrentException();
    }
}

// One failure, one report: the box's modal loop would otherwise hand plugin
// windows and timers the messages that may throw the same record again.
void Report(CToyApp& app, const CKVErr& record)
{
    QuietQueue quiet;
    app.LogError("Toy", 0, record.text, record.code, "Toy shutdown", "");
    app.ShowError("Toy", 0, record.text, record.code, "Toy shutdown");
}

std::optional<CKVErr> ReportAndShutDown(CToyApp& app, const CKVErr& record)
{
    try {
        Report(app, record);
        app.Shutdown();
        return std::nullopt;
    } catch (...) {
        return RecordOfCurrentException();
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    LetTimerExceptionsThrough();
    CToyApp app;
    ReportCrashes(app);
    std::optional<CKVErr> record = RunToy(app, instance);
    // A record thrown while shutting down after an error is reported the same
    // way, and the shutdown goes on from where it stopped.
    while (record) {
        record = ReportAndShutDown(app, *record);
    }
    return 0;
}
