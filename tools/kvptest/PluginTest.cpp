#include "tools/kvptest/PluginTest.h"

#include <algorithm>
#include <optional>

#include "errors/ToyError.h"
#include "plugins/PluginHeader.h"
#include "support/DecimalText.h"
#include "support/FileNames.h"
#include "support/FileSystem.h"
#include "support/Registry.h"
#include "support/Win32Handles.h"
#include "tools/kvpinfo/Kvpinfo.h"
#include "tools/kvptest/ToyWindows.h"

namespace {

const char* const kUsage =
    "usage: kvptest [--seconds N] [--close-after M] LIBRARY...\n"
    "Runs the toy of the current folder (its executable beside Plugins\\) and passes when each LIBRARY\n"
    "of Plugins\\ was accepted and ran: its Executes value rose in this run. A record shown in the toy's\n"
    "\"Error\" box ends the test at once. The toy must end by itself within N seconds (default 30);\n"
    "--close-after closes its windows after M seconds, as a user would, for plugins that never end it.\n"
    "Exit code: 0 passed, 1 failed, 2 bad usage or nothing to test.\n";

struct Options {
    DWORD seconds = 30;
    DWORD closeAfter = 0; // none
    std::vector<std::string> libraries;
};

// A whole number of seconds above 0, written plainly.
bool ParseSeconds(const std::string& text, DWORD& seconds)
{
    std::int32_t value = ParseDecimalInt(text);
    if (value <= 0 || FormatDecimal(value) != text) {
        return false;
    }
    seconds = static_cast<DWORD>(value);
    return true;
}

bool ParseOptions(const std::vector<std::string>& arguments, Options& options)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if ((arguments[i] == "--seconds" || arguments[i] == "--close-after") && i + 1 < arguments.size()) {
            DWORD& seconds = arguments[i] == "--seconds" ? options.seconds : options.closeAfter;
            if (!ParseSeconds(arguments[++i], seconds)) {
                return false;
            }
        } else if (arguments[i].empty() || arguments[i][0] == '-') {
            return false;
        } else {
            options.libraries.push_back(arguments[i]);
        }
    }
    return !options.libraries.empty();
}

// One named library: its plugin's key, its Executes before the run, and why
// kvpinfo expects it to run nowhere (empty when it expects it to run).
struct Watched {
    std::string file;
    std::string keyPath;
    std::optional<std::string> executesBefore;
    std::string whyNowhere;
};

std::optional<std::string> StoredExecutes(const std::string& keyPath)
{
    std::string text;
    return !keyPath.empty() && PeekRegistryString(keyPath, VALUE_EXECUTES, text) ? std::optional<std::string>(text)
                                                                                 : std::nullopt;
}

// The named libraries as found in the report; false with a message in err
// for one that is not in the plugins folder.
bool WatchLibraries(const FolderReport& report, const std::vector<std::string>& files, std::vector<Watched>& watched,
                    std::ostream& err)
{
    for (const std::string& file : files) {
        auto found = std::find_if(report.libraries.begin(), report.libraries.end(), [&](const LibraryFacts& library) {
            return SameNameIgnoringCase(library.file, file);
        });
        if (found == report.libraries.end()) {
            err << "kvptest: no library " << file << " in " << report.folder << "\n";
            return false;
        }
        const std::optional<std::string>& name = found->header[HEADER_NAME];
        std::string keyPath = name ? PluginKeyPath(REGISTRY_ROOT + report.toyName, *name) : "";
        std::size_t index = static_cast<std::size_t>(found - report.libraries.begin());
        watched.push_back(
            {found->file, keyPath, StoredExecutes(keyPath), WhyNowhere(report.tree, report.libraries, index)});
    }
    return true;
}

// What one run of the toy showed.
struct ToyRun {
    bool started = false;
    bool ended = false;
    DWORD exitCode = 0;
    std::string record; // the text of the "Error" box, when one was shown
};

// Runs the host in folder until it ends or options.seconds have passed; one
// still running then is stopped. An "Error" box is read and pressed at once,
// so a record never waits for the time-out. With closeAfter, the toy's
// windows are closed then, as a user closes them.
ToyRun RunToy(const std::string& hostPath, const std::string& folder, const Options& options)
{
    ToyRun run;
    std::string commandLine = "\"" + hostPath + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(hostPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info)) {
        return run;
    }
    run.started = true;
    KernelHandle process(info.hProcess);
    KernelHandle thread(info.hThread);
    ULONGLONG start = GetTickCount64();
    bool closed = options.closeAfter == 0;
    while (WaitForSingleObject(process.Get(), 50) == WAIT_TIMEOUT) {
        HWND box = run.record.empty() ? FindErrorBox(info.dwProcessId) : nullptr;
        if (box != nullptr) {
            run.record = ErrorBoxText(box);
            PressOk(box);
        }
        ULONGLONG elapsed = GetTickCount64() - start;
        if (!closed && elapsed >= options.closeAfter * 1000ULL) {
            CloseWindows(info.dwProcessId);
            closed = true;
        }
        if (elapsed >= options.seconds * 1000ULL) {
            TerminateProcess(process.Get(), 1);
            WaitForSingleObject(process.Get(), INFINITE);
            return run;
        }
    }
    run.ended = true;
    GetExitCodeProcess(process.Get(), &run.exitCode);
    return run;
}

// Why the toy's run as a whole failed; empty when it ended by itself with 0.
std::string RunFailure(const ToyRun& run, const Options& options)
{
    if (!run.started) {
        return "the toy could not be started";
    }
    if (!run.record.empty()) {
        return "a plugin threw; the toy showed \"Error\":" + run.record;
    }
    if (!run.ended) {
        return "the toy did not end within " + std::to_string(options.seconds) + " s and was stopped: " +
               (options.closeAfter == 0
                    ? "in a test run a plugin must end the toy itself (PostQuitMessage)"
                    : "it did not end when its windows were closed after " + std::to_string(options.closeAfter) + " s");
    }
    return run.exitCode == 0 ? "" : "the toy ended with exit code " + std::to_string(run.exitCode);
}

} // namespace

int RunPluginTest(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    Options options;
    if (!ParseOptions(arguments, options)) {
        err << kUsage;
        return 2;
    }
    FolderReport report;
    std::vector<Watched> watched;
    if (!MakeFolderReport("", "", "", report, err) || !WatchLibraries(report, options.libraries, watched, err)) {
        return 2;
    }
    if (report.hostPath.empty()) {
        err << "kvptest: no toy executable beside " << report.folder << "\n";
        return 2;
    }
    ToyRun run = RunToy(report.hostPath, GetCurrentFolder(), options);
    std::string failure = RunFailure(run, options);
    if (!failure.empty()) {
        err << "kvptest: " << failure << "\n";
    }
    // A record stops the toy before the plugins after it load: what did not
    // run then says nothing more.
    if (!run.record.empty()) {
        return 1;
    }
    bool passed = failure.empty();
    for (const Watched& library : watched) {
        std::optional<std::string> executes = StoredExecutes(library.keyPath);
        if (executes && executes != library.executesBefore) {
            out << "kvptest: " << library.file << " ran (Executes " << *executes << ")\n";
            continue;
        }
        passed = false;
        err << "kvptest: " << library.file << " did not run: "
            << (library.whyNowhere.empty() ? "kvpinfo expects it to run, so its own code refused: New gave no "
                                             "object, or its own Initialise gave 0"
                                           : library.whyNowhere)
            << "\n";
    }
    return passed ? 0 : 1;
}
