// Every bench plugin library imports this one, so it is mapped with the first
// of them and unmapped with the last: the moment the process's peak memory
// for the plugins' whole lifetime is known.
#include "bench/BenchProbe.h"

#include <psapi.h>

#include "support/Win32Handles.h"

namespace {

struct SharedCounters {
    KernelHandle mapping;
    MappedView view;
    BenchCounters* counters = nullptr;
};

SharedCounters shared;

void Open()
{
    shared.mapping.Reset(OpenFileMappingA(FILE_MAP_WRITE, FALSE, BenchCountersName));
    if (shared.mapping) {
        shared.view.Reset(MapViewOfFile(shared.mapping.Get(), FILE_MAP_WRITE, 0, 0, 0));
        shared.counters = static_cast<BenchCounters*>(shared.view.Get());
    }
}

void RecordPeakAndClose()
{
    if (shared.counters != nullptr) {
        PROCESS_MEMORY_COUNTERS memory{};
        if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
            shared.counters->peakWorkingSet = memory.PeakWorkingSetSize;
            shared.counters->peakPagefile = memory.PeakPagefileUsage;
        }
        shared.counters = nullptr;
    }
    shared.view.Reset();
    shared.mapping.Reset();
}

} // namespace

void CountNewCall()
{
    if (shared.counters != nullptr) {
        ++shared.counters->newCalls;
    }
}

void CountAttach()
{
    if (shared.counters != nullptr) {
        ++shared.counters->attaches;
    }
}

void CountDetach()
{
    if (shared.counters != nullptr) {
        ++shared.counters->detaches;
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
