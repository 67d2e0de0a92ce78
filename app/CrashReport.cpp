#include "app/CrashReport.h"

#include <cstdio>

#include "errors/ErrorLog.h"
#include "errors/ToyError.h"
#include "plugins/CrashNote.h"
#include "support/FileNames.h"
#include "support/FileSystem.h"

namespace {

const CToyApp* reported = nullptr;

std::string ModulePathAt(const void* address)
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module)) {
        return "";
    }
    char path[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(module, path, sizeof path);
    return std::string(path, length < sizeof path ? length : 0);
}

std::string FileNameOf(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

// A library straight in the plugins folder, which the host or a plugin's own
// pass loaded as a plugin.
bool IsPluginLibrary(const std::string& path, const std::string& pluginsFolder)
{
    return path.size() > pluginsFolder.size() &&
           SameNameIgnoringCase(path.substr(0, pluginsFolder.size()), pluginsFolder) &&
           path.find('\\', pluginsFolder.size()) == std::string::npos;
}

// The plugin library whose code crashed: the one the exception happened in,
// or else the nearest one on the stack (a plugin that hands the system a bad
// pointer crashes inside a system library). Empty when no plugin is involved.
std::string CrashingPlugin(const EXCEPTION_RECORD& record, const std::string& pluginsFolder)
{
    std::string path = ModulePathAt(record.ExceptionAddress);
    if (IsPluginLibrary(path, pluginsFolder)) {
        return path;
    }
    void* frames[62];
    USHORT count = RtlCaptureStackBackTrace(0, 62, frames, nullptr);
    for (USHORT i = 0; i < count; ++i) {
        path = ModulePathAt(frames[i]);
        if (IsPluginLibrary(path, pluginsFolder)) {
            return path;
        }
    }
    return "";
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    auto code = static_cast<std::int32_t>(record.ExceptionCode);
    std::string plugin = CrashingPlugin(record, GetCurrentFolder() + PLUGINS_FOLDER);
    std::string culprit = FileNameOf(plugin.empty() ? ModulePathAt(record.ExceptionAddress) : plugin);
    std::string text = (culprit.empty() ? std::string("The toy") : culprit) + " crashed: " + DescribeException(record);
    std::string action = CRASH_ACTION;
    if (!plugin.empty() && WriteCrashNote(plugin, text, code)) {
        action += ", " + culprit + " left out from the next start";
    }
    if (reported != nullptr && !reported->logFile.empty()) {
        AppendLogEntry(reported->logFile, {"Toy", 0, text, code, action});
    }
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void ReportCrashes(const CToyApp& app)
{
    reported = &app;
    SetErrorMode(SetErrorMode(0) | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(ReportCrash);
}

std::string DescribeException(const EXCEPTION_RECORD& record)
{
    char text[96];
    switch (record.ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION: {
        ULONG_PTR kind = record.NumberParameters >= 2 ? record.ExceptionInformation[0] : 0;
        const char* verb = kind == 1 ? "writing" : kind == 8 ? "executing" : "reading";
        std::snprintf(
            text, sizeof text, "access violation %s address 0x%llX", verb,
            static_cast<unsigned long long>(record.NumberParameters >= 2 ? record.ExceptionInformation[1] : 0));
        return text;
    }
    case EXCEPTION_STACK_OVERFLOW:
        return "stack overflow";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
        return "integer division by zero";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
        return "illegal instruction";
    default:
        std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(record.ExceptionCode));
        return text;
    }
}
