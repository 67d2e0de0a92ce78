// The least work the plugin tree needs: each library of the plan mapped once,
// and the same New calls and deletes as the host makes for the folder, in the
// same order, with the owner decisions taken from the plan. Each step named on
// the command line adds one piece of the host's own work back, through the
// host's own helpers, so that the difference between the runs shows what it
// costs:
//   calls     the host's LoadLibraryA and FreeLibrary for every candidate,
//             on top of the held mapping, which goes when the tree is built
//   scan      a folder search for every pass over the libraries
//   header    the name and the owner list read from each candidate
//   registry  the Active value read and the run counted for each plugin
//   profile   times each kind of call and writes the totals to profile.txt
// Usage: startup_baseline PLAN [calls] [scan] [header] [registry] [profile]
#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

#include "bench/StartupPlan.h"
#include "errors/ToyError.h"
#include "plugins/PluginHeader.h"
#include "plugins/ToyPlugin.h"
#include "support/FileSystem.h"
#include "support/Registry.h"
#include "support/Resources.h"

namespace {

const std::string kBenchKey = "Software\\Pillowmoor Bench\\";

struct Steps {
    bool calls = false;
    bool scan = false;
    bool header = false;
    bool registry = false;
    bool profile = false;
};

enum Phase { kSearch, kLoad, kNew, kHeader, kRegistry, kDestroy, kUnload, kPhaseCount };
const std::array<const char*, kPhaseCount> kPhaseNames = {
    "folder search", "LoadLibraryA", "GetProcAddress and New", "header reads", "registry", "delete", "FreeLibrary",
};

// Time spent in each phase, summed over the run when profiling.
class PhaseClock {
public:
    explicit PhaseClock(bool enabled) : enabled_(enabled) { QueryPerformanceFrequency(&frequency_); }

    template <typename Work>
    auto Time(Phase phase, Work work)
    {
        if (!enabled_) {
            return work();
        }
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        struct Stop {
            PhaseClock& clock;
            Phase phase;
            LARGE_INTEGER start;
            ~Stop()
            {
                LARGE_INTEGER end;
                QueryPerformanceCounter(&end);
                clock.ticks_[phase] += end.QuadPart - start.QuadPart;
            }
        } stop{*this, phase, start};
        return work();
    }

    // One line per phase: its name, a tab and milliseconds.
    void Write(const std::string& path) const
    {
        std::ofstream out(path);
        for (int phase = 0; phase < kPhaseCount; ++phase) {
            out << kPhaseNames[phase] << '\t'
                << 1000.0 * static_cast<double>(ticks_[phase]) / static_cast<double>(frequency_.QuadPart) << '\n';
        }
    }

private:
    bool enabled_;
    LARGE_INTEGER frequency_{};
    std::array<LONGLONG, kPhaseCount> ticks_{};
};

struct Loaded {
    HMODULE module;
    CToyPlugin* object;
    std::vector<Loaded> children;
};

bool Accepts(const PlanLibrary& library, const std::vector<std::string>& path)
{
    const std::vector<std::string>& owners = library.owners;
    return std::find(owners.begin(), owners.end(), path.back()) != owners.end() &&
           std::find(path.begin(), path.end(), library.name) == path.end();
}

void ReadHeader(HMODULE module, const std::string& ownerName)
{
    std::string name;
    LoadResourceString(module, 1, ResourceBufferSize, name);
    OwnerListNames(module, ownerName);
}

void CountPlugin(const std::string& name)
{
    std::string key = kBenchKey + name;
    std::string active;
    std::int32_t runCount = 0;
    GetRegistryString(key, VALUE_ACTIVE, active);
    CountRun(key, runCount);
}

CToyPlugin* Create(HMODULE module)
{
    auto create = reinterpret_cast<NewPluginFunction>(reinterpret_cast<void*>(GetProcAddress(module, "New")));
    return create();
}

class Baseline {
public:
    Baseline(const StartupPlan& plan, const Steps& steps) : plan_(plan), steps_(steps), clock_(steps.profile) {}

    // One pass over the libraries for the plugin at the end of path.
    std::vector<Loaded> LoadPass(std::vector<std::string>& path)
    {
        if (steps_.scan) {
            clock_.Time(kSearch,
                        [] { return FindFiles(GetCurrentFolder() + PLUGINS_FOLDER, "*." + LIBRARY_EXTENSION); });
        }
        std::vector<Loaded> accepted;
        for (std::size_t i = 0; i < plan_.libraries.size(); ++i) {
            const PlanLibrary& library = plan_.libraries[i];
            HMODULE module = steps_.calls ? Load(library) : held_[i];
            CToyPlugin* object = clock_.Time(kNew, [&] { return Create(module); });
            if (steps_.header) {
                clock_.Time(kHeader, [&] { ReadHeader(module, path.back()); });
            }
            if (!Accepts(library, path)) {
                Unload(object, module);
                continue;
            }
            if (steps_.registry) {
                clock_.Time(kRegistry, [&] { CountPlugin(library.name); });
            }
            path.push_back(library.name);
            accepted.push_back({module, object, LoadPass(path)});
            path.pop_back();
        }
        return accepted;
    }

    // Depth first, in load order: children before their parent, each object
    // destroyed before its library is unloaded.
    void Release(std::vector<Loaded>& plugins)
    {
        for (Loaded& plugin : plugins) {
            Release(plugin.children);
            Unload(plugin.object, plugin.module);
        }
        plugins.clear();
    }

    // Maps every library of the plan once, in plan order.
    void Hold()
    {
        for (const PlanLibrary& library : plan_.libraries) {
            held_.push_back(Load(library));
        }
    }

    void DropHold()
    {
        for (HMODULE module : held_) {
            clock_.Time(kUnload, [&] { return FreeLibrary(module); });
        }
        held_.clear();
    }

    void WriteProfile(const std::string& path) const { clock_.Write(path); }

private:
    HMODULE Load(const PlanLibrary& library)
    {
        return clock_.Time(kLoad, [&] { return LoadLibraryA(library.path.c_str()); });
    }

    void Unload(CToyPlugin* object, HMODULE module)
    {
        clock_.Time(kDestroy, [&] { delete object; });
        if (steps_.calls) {
            clock_.Time(kUnload, [&] { return FreeLibrary(module); });
        }
    }

    const StartupPlan& plan_;
    Steps steps_;
    PhaseClock clock_;
    std::vector<HMODULE> held_;
};

} // namespace

int main(int argc, char** argv)
{
    StartupPlan plan;
    if (argc < 2 || !ReadPlan(argv[1], plan)) {
        return 2;
    }
    Steps steps;
    for (int i = 2; i < argc; ++i) {
        steps.calls |= std::strcmp(argv[i], "calls") == 0;
        steps.scan |= std::strcmp(argv[i], "scan") == 0;
        steps.header |= std::strcmp(argv[i], "header") == 0;
        steps.registry |= std::strcmp(argv[i], "registry") == 0;
        steps.profile |= std::strcmp(argv[i], "profile") == 0;
    }
    Baseline baseline(plan, steps);
    std::vector<std::string> path{plan.toyName};
    baseline.Hold();
    std::vector<Loaded> plugins = baseline.LoadPass(path);
    if (steps.calls) {
        baseline.DropHold();
    }
    PostQuitMessage(0);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    baseline.Release(plugins);
    baseline.DropHold();
    if (steps.profile) {
        baseline.WriteProfile("profile.txt");
    }
    return 0;
}
