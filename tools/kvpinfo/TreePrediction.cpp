#include "tools/kvpinfo/TreePrediction.h"

#include <algorithm>

#include "errors/ToyError.h"
#include "plugins/PluginRules.h"
#include "support/DecimalText.h"
#include "support/FileNames.h"
#include "tools/kvpinfo/FolderView.h"

namespace {

void CollectNames(const std::vector<std::unique_ptr<PredictedPlugin>>& plugins, std::vector<std::string>& names)
{
    for (const auto& plugin : plugins) {
        names.push_back(plugin->name);
        CollectNames(plugin->children, names);
    }
}

// The host compares owner names exactly; a name that matches a placed one
// but for letter case is almost certainly meant as that one.
std::vector<std::string> CaseHints(const OwnerList& owners, const std::vector<std::string>& placed)
{
    std::vector<std::string> hints;
    for (const std::string& owner : owners.names) {
        auto same = [&owner](const std::string& name) { return name == owner; };
        auto alike = [&owner](const std::string& name) { return SameNameIgnoringCase(name, owner); };
        auto meant = std::find_if(placed.begin(), placed.end(), alike);
        if (meant != placed.end() && std::none_of(placed.begin(), placed.end(), same)) {
            hints.push_back("owner " + owner + " is not " + *meant + ": owner names must match in letter case");
        }
    }
    return hints;
}

// The header step's values as the host would find them: the registry as
// read once and then changed as the host would change it, the string table
// from the library's facts. Writes always succeed.
struct PredictedHeaderValues {
    RegistryForecast::Values& stored;
    const LibraryFacts& library;
    std::string failure;

    std::optional<std::string> StoredActive() const { return stored.active; }
    std::optional<std::string> DefaultActive()
    {
        if (!library.header[HEADER_ACTIVE]) {
            failure = "no Active value stored and no string 6 to set it from";
        }
        return library.header[HEADER_ACTIVE];
    }
    bool WriteActive(const std::string& text)
    {
        stored.active = text;
        return true;
    }
    bool CountRun(std::int32_t& runCount)
    {
        runCount = NextRunCount(stored.executes);
        stored.executes = FormatDecimal(runCount);
        return true;
    }
    bool CopyHeader()
    {
        if (library.firstMissingCopied) {
            failure = "first run under this toy, and string " +
                      FormatDecimal(static_cast<std::int32_t>(*library.firstMissingCopied)) + " is missing";
        }
        return failure.empty();
    }
};

class Predictor {
public:
    Predictor(const std::vector<LibraryFacts>& libraries, const std::string& toyName, RegistryForecast& registry)
        : libraries_(libraries), toyName_(toyName), registry_(registry)
    {
        tree_.places.assign(libraries.size(), 0);
    }

    TreePrediction Run()
    {
        tree_.plugins = LoadPlugins(nullptr);
        std::vector<std::string> placed{toyName_};
        CollectNames(tree_.plugins, placed);
        for (const LibraryFacts& library : libraries_) {
            tree_.ownerHints.push_back(CaseHints(library.owners, placed));
        }
        return std::move(tree_);
    }

private:
    // The host's LoadPlugins: every library of the folder is offered, in
    // folder order, and each accepted one loads its own children at once.
    std::vector<std::unique_ptr<PredictedPlugin>> LoadPlugins(const PredictedPlugin* owner)
    {
        std::vector<std::unique_ptr<PredictedPlugin>> accepted;
        for (std::size_t i = 0; i < libraries_.size(); ++i) {
            if (count_ >= PredictionLimit) {
                tree_.cutShort = true;
                break;
            }
            const LibraryFacts& library = libraries_[i];
            if (!library.LoadProblem().empty() || !library.header[HEADER_NAME]) {
                continue;
            }
            const std::string& name = *library.header[HEADER_NAME];
            auto names = [&library](const std::string& ownerName) { return NamesOwner(library.owners, ownerName); };
            Admission admission = AdmitUnder(name, owner, toyName_, names);
            // A ring is worth a word only where the owner list would let it in.
            if (admission == Admission::Ring && names(OwnerNameOf(owner, toyName_))) {
                Refuse(i, owner, name + " already stands on the path", true);
            }
            if (admission != Admission::Accepted) {
                continue;
            }
            if (std::string failure = HeaderStep(library); !failure.empty()) {
                Refuse(i, owner, failure, false);
                continue;
            }
            auto plugin = std::make_unique<PredictedPlugin>();
            plugin->name = name;
            plugin->parent = owner;
            plugin->library = i;
            ++count_;
            ++tree_.places[i];
            plugin->children = LoadPlugins(plugin.get());
            accepted.push_back(std::move(plugin));
        }
        return accepted;
    }

    // The header step of an accepted candidate, run on the values the host
    // would find; why it fails, or empty when it does not.
    std::string HeaderStep(const LibraryFacts& library)
    {
        PredictedHeaderValues values{registry_.For(*library.header[HEADER_NAME]), library, ""};
        std::int32_t active = 0;
        std::int32_t runCount = 0;
        RunHeaderStep(values, active, runCount);
        return values.failure;
    }

    void Refuse(std::size_t library, const PredictedPlugin* owner, const std::string& reason, bool ring)
    {
        Refusal refusal{library, {}, reason, ring};
        for (const PredictedPlugin* node = owner; node != nullptr; node = node->parent) {
            refusal.path.insert(refusal.path.begin(), node->name);
        }
        refusal.path.insert(refusal.path.begin(), toyName_);
        tree_.refusals.push_back(std::move(refusal));
    }

    const std::vector<LibraryFacts>& libraries_;
    const std::string& toyName_;
    RegistryForecast& registry_;
    TreePrediction tree_;
    std::size_t count_ = 0;
};

std::string OwnerListProblem(const OwnerList& owners)
{
    if (!owners.hasCount) {
        return "no owner count (string 1000), so it names nobody";
    }
    if (owners.count <= 0) {
        return "owner count is " + FormatDecimal(owners.count) + ", so it names nobody";
    }
    if (owners.names.empty()) {
        return "owner list is empty: string 1001 is missing";
    }
    if (owners.names.size() == 1) {
        return "owner list names " + owners.names[0] + ", which is not loaded";
    }
    return "owner list names " + JoinBetween(owners.names, ", ") + ", none of which is loaded";
}

} // namespace

RegistryForecast::Values& RegistryForecast::For(const std::string& pluginName)
{
    auto found = values_.find(pluginName);
    if (found != values_.end()) {
        return found->second;
    }
    Values values;
    std::string keyPath = PluginKeyPath(toyKey_, pluginName);
    values.active = PeekRegistryValue(keyPath, VALUE_ACTIVE);
    values.executes = PeekRegistryValue(keyPath, VALUE_EXECUTES);
    return values_.emplace(pluginName, values).first->second;
}

TreePrediction PredictTree(const std::vector<LibraryFacts>& libraries, const std::string& toyName,
                           RegistryForecast& registry)
{
    return Predictor(libraries, toyName, registry).Run();
}

std::string WhyNowhere(const TreePrediction& tree, const std::vector<LibraryFacts>& libraries, std::size_t library)
{
    if (tree.places[library] > 0) {
        return "";
    }
    const LibraryFacts& facts = libraries[library];
    if (std::string problem = facts.LoadProblem(); !problem.empty()) {
        return problem;
    }
    if (!facts.header[HEADER_NAME]) {
        return "no name (string 1)";
    }
    if (tree.cutShort) {
        return "not reached before the prediction stopped at " +
               FormatDecimal(static_cast<std::int32_t>(PredictionLimit)) + " plugins";
    }
    const Refusal* ring = nullptr;
    for (const Refusal& refusal : tree.refusals) {
        if (refusal.library != library) {
            continue;
        }
        if (!refusal.ring) {
            return refusal.reason;
        }
        ring = ring != nullptr ? ring : &refusal;
    }
    if (ring != nullptr) {
        return "refused as a ring under " + JoinBetween(ring->path, " > ") + ": " + ring->reason;
    }
    return OwnerListProblem(facts.owners);
}
