// Unpacks payloads of 1, 16 and 256 MiB with the package reader and prints
// its throughput and peak memory next to `gzip -dc` of the same payload,
// each run in a child process of its own so that its peak is its own.
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <filesystem>
#include <fstream>

#include "bench/Median.h"
#include "support/Package.h"
#include "tools/kvdpack/PackageWriter.h"

namespace {

struct Measure {
    double seconds;
    long peakKiB;
    int status;
};

// Runs work in a child and measures its wall time and peak resident memory.
template <typename Work>
Measure InChild(Work work)
{
    std::fflush(stdout);
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        _exit(work());
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {seconds, usage.ru_maxrss, status};
}

// A library-like payload: runs of text and of noise, so it compresses some.
void WriteLibrary(const std::string& path, std::size_t size)
{
    std::ofstream out(path, std::ios::binary);
    std::string block(64 * 1024, '\0');
    unsigned state = 12345;
    for (std::size_t written = 0; written < size; written += block.size()) {
        for (std::size_t i = 0; i < block.size(); ++i) {
            state = state * 1103515245u + 12345u;
            block[i] = (i / 4096) % 2 == 0 ? static_cast<char>('a' + (i % 26)) : static_cast<char>(state >> 16);
        }
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - written)));
    }
}

constexpr int kRuns = 3;

double MiBPerSecond(std::size_t bytes, double seconds)
{
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
}

// Runs both sides kRuns times, alternating; medians of time and peak.
template <typename Reader, typename Gzip>
void CompareRuns(std::size_t bytes, Reader reader, Gzip gzip, long& readerPeakKiB)
{
    std::vector<double> readerSeconds;
    std::vector<double> gzipSeconds;
    std::vector<long> readerPeaks;
    std::vector<long> gzipPeaks;
    bool failed = false;
    for (int run = 0; run < kRuns; ++run) {
        Measure ours = InChild(reader);
        Measure theirs = InChild(gzip);
        readerSeconds.push_back(ours.seconds);
        gzipSeconds.push_back(theirs.seconds);
        readerPeaks.push_back(ours.peakKiB);
        gzipPeaks.push_back(theirs.peakKiB);
        failed = failed || ours.status != 0 || theirs.status != 0;
    }
    double ours = MiBPerSecond(bytes, Median(readerSeconds));
    double theirs = MiBPerSecond(bytes, Median(gzipSeconds));
    readerPeakKiB = Median(readerPeaks);
    std::printf("%8zu %12.1f %12.1f %7.2f %12ld %12ld%s\n", bytes / (1024 * 1024), ours, theirs, ours / theirs,
                readerPeakKiB, Median(gzipPeaks), failed ? "  (a run failed)" : "");
}

} // namespace

int main()
{
    namespace fs = std::filesystem;
    fs::path work = fs::temp_directory_path() / ("pillowmoor-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "out");
    std::string folder = (work / "out").string() + "/";
    std::printf("\nPackage reader (UnpackPackage) against gzip -dc of the same payload, median of %d runs\n", kRuns);
    std::printf("Throughput counts the library written; peak is the resident memory of the process.\n");
    std::printf("%8s %12s %12s %7s %12s %12s\n", "MiB", "reader MiB/s", "gzip MiB/s", "ratio", "reader KiB",
                "gzip KiB");
    long firstPeakKiB = 0;
    long lastPeakKiB = 0;
    for (std::size_t mib : {1, 16, 256}) {
        std::size_t bytes = mib * 1024 * 1024;
        std::string library = (work / "Bench.kvp").string();
        std::string package = (work / "Bench.kvd").string();
        std::string payload = (work / "payload.gz").string();
        std::string unpacked = (work / "gunzipped.kvp").string();
        WriteLibrary(library, bytes);
        std::string error;
        if (!WritePackage(library, package, "Bench.kvp", error)) {
            std::fprintf(stderr, "package_bench: %s\n", error.c_str());
            return 1;
        }
        // The same gzip payload on its own, for gzip -dc.
        std::ifstream in(package, std::ios::binary);
        in.seekg(PackageNameBlockSize);
        std::ofstream(payload, std::ios::binary) << in.rdbuf();
        CompareRuns(
            bytes, [&] { return UnpackPackage(package, folder, "") == 1 ? 0 : 1; },
            [&] {
                std::freopen(unpacked.c_str(), "w", stdout);
                execlp("gzip", "gzip", "-dc", payload.c_str(), static_cast<char*>(nullptr));
                return 127;
            },
            lastPeakKiB);
        if (mib == 1) {
            firstPeakKiB = lastPeakKiB;
        }
    }
    std::printf("Reader peak grows by %ld KiB from the 1 MiB payload to the 256 MiB one.\n",
                lastPeakKiB - firstPeakKiB);
    fs::remove_all(work);
    return 0;
}
