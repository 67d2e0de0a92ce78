// Times the host from start to exit against the baseline program, which maps
// each library once and makes the same New calls without the host's logic, for folders of bench
// plugins laid out as flat sets, a chain and a tree. Both run as child
// processes of this one, alternating, in the same folders; the bench plugins
// count New calls and library mappings and record each process's peak memory.
// Then, for the largest flat folder, times each kind of call inside a
// baseline run that does the host's steps too, to show where the time goes.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "bench/BenchProbe.h"
#include "bench/Median.h"
#include "bench/StartupPlan.h"
#include "errors/ToyError.h"
#include "support/FileSystem.h"
#include "support/Win32Handles.h"
#include "tests/support/HeaderStamp.h"
#include "tests/support/TestFolder.h"

namespace {

constexpr double kBudgetMs = 10000;
constexpr int kMinRuns = 5;
constexpr int kMaxRuns = 15;
const std::string kToyName = "PillowmoorToy";

struct Library {
    std::string name;
    std::vector<std::string> owners;
};

struct Scenario {
    std::string label;
    int plugins;
    std::vector<Library> libraries;
};

std::string Numbered(const std::string& prefix, int number, int width)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%0*d", prefix.c_str(), width, number);
    return text;
}

Scenario Flat(int count)
{
    Scenario scenario{"flat " + std::to_string(count), count, {}};
    for (int i = 1; i <= count; ++i) {
        scenario.libraries.push_back({Numbered("T", i, 3), {kToyName}});
    }
    return scenario;
}

Scenario Chain(int depth)
{
    Scenario scenario{"chain " + std::to_string(depth), depth, {}};
    std::string owner = kToyName;
    for (int i = 1; i <= depth; ++i) {
        scenario.libraries.push_back({Numbered("C", i, 2), {owner}});
        owner = scenario.libraries.back().name;
    }
    return scenario;
}

// Every library of a level names every library of the level above, so each
// plugin has width children: width + width^2 + ... + width^depth plugins.
Scenario Tree(int width, int depth)
{
    Scenario scenario{"tree " + std::to_string(width) + "x" + std::to_string(depth), 0, {}};
    std::vector<std::string> owners{kToyName};
    int levelSize = 1;
    for (int level = 0; level < depth; ++level) {
        std::vector<std::string> names;
        for (int i = 1; i <= width; ++i) {
            names.push_back(std::string(1, static_cast<char>('A' + level)) + std::to_string(i));
            scenario.libraries.push_back({names.back(), owners});
        }
        owners = names;
        levelSize *= width;
        scenario.plugins += levelSize;
    }
    return scenario;
}

// Copies the bench plugin once per library, stamps each copy's header, and
// writes the baseline's plan in the order the folder lists the copies.
bool Prepare(const Scenario& scenario, const std::string& folder)
{
    std::string plugins = folder + PLUGINS_FOLDER;
    CreateFolderPath(plugins);
    std::map<std::string, Library> byFile;
    for (const Library& library : scenario.libraries) {
        std::string file = library.name + "." + LIBRARY_EXTENSION;
        if (!CopyFileA((ProgramFolder() + "BenchPlugin.kvp").c_str(), (plugins + file).c_str(), FALSE) ||
            !StampPluginHeader(plugins + file, library.name, library.owners)) {
            return false;
        }
        byFile[file] = library;
    }
    StartupPlan plan{kToyName, {}};
    for (const WIN32_FIND_DATAA& entry : FindFiles(plugins, "*." + LIBRARY_EXTENSION)) {
        const Library& library = byFile[entry.cFileName];
        plan.libraries.push_back({plugins + entry.cFileName, library.name, library.owners});
    }
    return WritePlan(folder + "plan.txt", plan);
}

struct Sample {
    double ms = 0;
    BenchCounters counters{};
    bool ok = false;
};

class Runner {
public:
    Runner()
        : mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(BenchCounters),
                                      BenchCountersName)),
          view_(MapViewOfFile(mapping_.Get(), FILE_MAP_WRITE, 0, 0, 0)),
          counters_(static_cast<BenchCounters*>(view_.Get()))
    {
        QueryPerformanceFrequency(&frequency_);
    }

    bool Ready() const { return counters_ != nullptr; }

    // Runs commandLine in folder and waits for it to end.
    Sample Run(std::string commandLine, const std::string& folder)
    {
        *counters_ = BenchCounters{};
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceCounter(&start);
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                            &process)) {
            return {};
        }
        KernelHandle processHandle(process.hProcess);
        KernelHandle thread(process.hThread);
        WaitForSingleObject(processHandle.Get(), INFINITE);
        QueryPerformanceCounter(&end);
        DWORD exitCode = 1;
        GetExitCodeProcess(processHandle.Get(), &exitCode);
        double ms =
            1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency_.QuadPart);
        return {ms, *counters_, exitCode == 0};
    }

private:
    KernelHandle mapping_;
    MappedView view_;
    BenchCounters* counters_;
    LARGE_INTEGER frequency_{};
};

struct Summary {
    int runs;
    double ms;
    double peakWorkingSetMiB;
    double peakPagefileMiB;
    BenchCounters counters;
    bool ok;
};

Summary Summarise(const std::vector<Sample>& samples)
{
    std::vector<double> ms;
    std::vector<double> workingSet;
    std::vector<double> pagefile;
    bool ok = true;
    for (const Sample& sample : samples) {
        ms.push_back(sample.ms);
        workingSet.push_back(static_cast<double>(sample.counters.peakWorkingSet) / (1024.0 * 1024.0));
        pagefile.push_back(static_cast<double>(sample.counters.peakPagefile) / (1024.0 * 1024.0));
        ok = ok && sample.ok && sample.counters.newCalls == samples.front().counters.newCalls;
    }
    return {static_cast<int>(samples.size()), Median(ms), Median(workingSet), Median(pagefile),
            samples.back().counters,          ok};
}

// Runs each command once to warm up (the host's first run also copies every
// header into the registry), then alternately as many times as fit in about
// kBudgetMs of each command's time, between kMinRuns and kMaxRuns: quick
// scenarios, where the machine's other work weighs most, get the most runs.
std::vector<Summary> Measure(Runner& runner, const std::vector<std::string>& commands, const std::string& folder)
{
    double slowest = 0;
    for (const std::string& command : commands) {
        slowest = std::max(slowest, runner.Run(command, folder).ms);
    }
    int runs = std::clamp(static_cast<int>(kBudgetMs / std::max(slowest, 1.0)), kMinRuns, kMaxRuns);
    std::vector<std::vector<Sample>> samples(commands.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t i = 0; i < commands.size(); ++i) {
            samples[i].push_back(runner.Run(commands[i], folder));
        }
    }
    std::vector<Summary> summaries;
    for (const std::vector<Sample>& side : samples) {
        summaries.push_back(Summarise(side));
    }
    return summaries;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string HostCommand()
{
    return Quoted(ProgramFolder() + "PillowmoorToy.exe");
}

std::string BaselineCommand(const std::string& folder, const std::string& steps = "")
{
    return Quoted(ProgramFolder() + "startup_baseline.exe") + " " + Quoted(folder + "plan.txt") + steps;
}

void PrintStartupRow(const Scenario& scenario, const Summary& host, const Summary& baseline, double emptyMs)
{
    std::printf("%-10s %7d %8ld %8ld %6ld %6ld %4d %9.1f %9.1f %5.2f %5.2f %6.1f %6.1f %6.1f %6.1f%s\n",
                scenario.label.c_str(), scenario.plugins, host.counters.newCalls, baseline.counters.newCalls,
                host.counters.attaches, baseline.counters.attaches, host.runs, host.ms, baseline.ms,
                host.ms / baseline.ms, (host.ms - emptyMs) / (baseline.ms - emptyMs), host.peakWorkingSetMiB,
                baseline.peakWorkingSetMiB, host.peakPagefileMiB, baseline.peakPagefileMiB,
                host.ok && baseline.ok ? "" : "  (a run failed or counts varied)");
}

// Runs the baseline once more with every host step added and each kind of
// call timed inside the process, and prints where that run's time went.
void PrintProfile(Runner& runner, const std::string& folder, const Scenario& scenario, const Summary& host)
{
    Sample run = runner.Run(BaselineCommand(folder, " calls scan header registry profile"), folder);
    std::ifstream in(folder + "profile.txt");
    std::printf("\nWhere the time goes, %s: the baseline with the host's steps, each kind of call timed\n",
                scenario.label.c_str());
    std::printf("%-28s %9s %7s\n", "", "ms", "share");
    double timed = 0;
    std::string name;
    double ms = 0;
    while (std::getline(in, name, '\t') && in >> ms >> std::ws) {
        std::printf("%-28s %9.1f %6.1f%%\n", name.c_str(), ms, 100.0 * ms / run.ms);
        timed += ms;
    }
    std::printf("%-28s %9.1f %6.1f%%\n", "rest (process, loop, exit)", run.ms - timed,
                100.0 * (run.ms - timed) / run.ms);
    std::printf("%-28s %9.1f   (host median %.1f ms)%s\n", "whole run", run.ms, host.ms, run.ok ? "" : "  (failed)");
}

} // namespace

int main()
{
    Runner runner;
    if (!runner.Ready()) {
        std::fprintf(stderr, "startup_bench: cannot share the counters\n");
        return 1;
    }
    TestFolder work;
    std::string emptyFolder = work.Path() + "empty\\";
    if (!Prepare({"empty", 0, {}}, emptyFolder)) {
        std::fprintf(stderr, "startup_bench: cannot prepare %s\n", emptyFolder.c_str());
        return 1;
    }
    double emptyMs = Measure(runner, {BaselineCommand(emptyFolder)}, emptyFolder)[0].ms;

    std::printf("Start-up to the message loop and back out: medians of %d to %d runs, host and baseline alternating\n",
                kMinRuns, kMaxRuns);
    std::printf("A process that loads nothing starts and ends in %.1f ms; 'net' leaves that out of the ratio.\n",
                emptyMs);
    std::printf("New: New calls. maps: libraries mapped. WS, commit: peak working set and peak pagefile use, MiB.\n");
    std::printf("%-10s %7s %8s %8s %6s %6s %4s %9s %9s %5s %5s %6s %6s %6s %6s\n", "", "plugins", "New host",
                "New base", "maps h", "maps b", "runs", "host ms", "base ms", "ratio", "net", "WS h", "WS b", "com h",
                "com b");
    Scenario largest = Flat(200);
    std::string largestFolder;
    Summary largestHost{};
    for (const Scenario& scenario : {Flat(1), Flat(10), Flat(50), Flat(100), largest, Chain(30), Tree(3, 4)}) {
        std::string folder = work.Path() + Numbered("s", static_cast<int>(scenario.libraries.size()), 3) +
                             scenario.label.substr(0, 1) + "\\";
        if (!Prepare(scenario, folder)) {
            std::fprintf(stderr, "startup_bench: cannot prepare %s\n", folder.c_str());
            return 1;
        }
        std::vector<Summary> result = Measure(runner, {HostCommand(), BaselineCommand(folder)}, folder);
        PrintStartupRow(scenario, result[0], result[1], emptyMs);
        std::fflush(stdout);
        if (scenario.label == largest.label) {
            largestFolder = folder;
            largestHost = result[0];
        }
    }
    PrintProfile(runner, largestFolder, largest, largestHost);
    return 0;
}
