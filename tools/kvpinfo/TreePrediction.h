// The plugin tree that the host would build from a folder of libraries,
// worked out from their facts with the host's own rules (owner list, ring
// refusal, header step) and without running any plugin code. It assumes
// what the host cannot see beforehand either: that each New returns an
// object and that the plugin keeps the shared Initialise and InitialiseHook.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/kvpinfo/LibraryScan.h"

struct PredictedPlugin {
    std::string name;
    const PredictedPlugin* parent = nullptr;
    std::size_t library = 0; // index into the scanned libraries
    std::vector<std::unique_ptr<PredictedPlugin>> children;
};

// A candidate turned away where its owner list would have let it in.
struct Refusal {
    std::size_t library = 0;
    std::vector<std::string> path; // owner names from the toy down to the owner
    std::string reason;
    bool ring = false;
};

struct TreePrediction {
    std::vector<std::unique_ptr<PredictedPlugin>> plugins; // the toy's own
    std::vector<Refusal> refusals;
    std::vector<std::size_t> places; // per library: how often it stands in the tree
    // Per library: owner names that differ from the toy's or a placed plugin's only in letter case.
    std::vector<std::vector<std::string>> ownerHints;
    bool cutShort = false; // the tree grew past the limit below
};

// The most plugins predicted before the prediction stops.
inline constexpr std::size_t PredictionLimit = 10000;

// Active and Executes of a plugin key as the host would find them; read
// from the registry on first use, then changed as the host would change them.
class RegistryForecast {
public:
    explicit RegistryForecast(std::string toyKey) : toyKey_(std::move(toyKey)) {}

    struct Values {
        std::optional<std::string> active;
        std::optional<std::string> executes;
    };
    Values& For(const std::string& pluginName);

private:
    std::string toyKey_;
    std::map<std::string, Values> values_;
};

TreePrediction PredictTree(const std::vector<LibraryFacts>& libraries, const std::string& toyName,
                           RegistryForecast& registry);

// Why a library stands nowhere in the tree; empty when it stands somewhere.
std::string WhyNowhere(const TreePrediction& tree, const std::vector<LibraryFacts>& libraries, std::size_t library);
