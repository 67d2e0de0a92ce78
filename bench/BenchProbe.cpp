// Every bench plugin library imports this one, so it is mapped with the first
// of them and unmapped with the last: the moment the process's peak memory
// for the plugins' whole lifetime is known.
#include "bench/BenchProbe.h"

#include <psapi.h>

#include "support/Win32Handles.h"

namespace {

struct SharedCounters {
    KernelHandle mapping;
    BenchCounters* view = nullptr;
};

SharedCounters shared;

void Open()
{
    shared.mapping.Reset(OpenFileMappingA(FILE_MAP_WRITE, FALSE, BenchCountersName));
    if (shared.mapping) {
        shared.view = static_cast<BenchCounters*>(MapViewOfFile(shared.mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
    }
}

void RecordPeakAndClose()
{
    if (shared.view != nullptr) {
        PROCESS_MEMORY_COUNTERS memory{};
        if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
            shared.view->peakWorkingSet = memory.PeakWorkingSetSize;
            shared.view->peakPagefile = memory.PeakPagefileUsage;
        }
        UnmapViewOfFile(shared.view);
        shared.view = nullptr;
    }
    shared.mapping.Reset();
}

} // namespace

void CountNewCall()
{
    if (shared.view != nullptr) {
        ++shared.view->newCalls;
    }
}

void CountAttach()
{
    if (shared.view != nullptr) {
        ++shared.view->attaches;
    }
}

void CountDetach()
{
    if (shared.view != nullptr) {
        ++shared.view->detaches;
    }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        Open();
    } else if (reason == DLL_PROCESS_DETACH) {
        RecordPeakAndClose();
    }
    return TRUE;
}
