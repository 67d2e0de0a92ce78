// The bench plugin's counters: kept in a shared memory block that the
// start-up benchmark creates, so that the host and the baseline are counted
// by the same code in the same way. Without that block the probe does nothing.
#pragma once

#include "support/Win32.h"

struct BenchCounters {
    LONG newCalls;         // New calls of bench plugins
    LONG attaches;         // bench plugin libraries mapped
    LONG detaches;         // bench plugin libraries unmapped by FreeLibrary
    SIZE_T peakWorkingSet; // of the process, when the last bench plugin library went
    SIZE_T peakPagefile;
};

inline constexpr char BenchCountersName[] = "Local\\PillowmoorBenchCounters";

#ifdef BENCH_PROBE_BUILD
#define BENCH_PROBE_API __declspec(dllexport)
#else
#define BENCH_PROBE_API __declspec(dllimport)
#endif

extern "C" {
BENCH_PROBE_API void CountNewCall();
BENCH_PROBE_API void CountAttach();
BENCH_PROBE_API void CountDetach();
}
