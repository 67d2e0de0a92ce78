#include "plugins/ToyPlugin.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/PluginHeader.h"
#include "support/FileSystem.h"
#include "support/Library.h"
#include "support/Resources.h"

namespace {

// Objects of this module whose ReleaseHook is running or threw. Their next
// Release with null finishes without running it again, so that after a record
// from any depth of a teardown every other hook runs once and none twice.
std::vector<const CToyPlugin*> hooksUnderway;

bool Forget(const CToyPlugin* plugin)
{
    auto found = std::find(hooksUnderway.begin(), hooksUnderway.end(), plugin);
    if (found == hooksUnderway.end()) {
        return false;
    }
    hooksUnderway.erase(found);
    return true;
}

std::int32_t RunReleaseHookOnce(CToyPlugin& plugin)
{
    if (Forget(&plugin)) {
        return 1;
    }
    hooksUnderway.push_back(&plugin);
    std::int32_t result = plugin.ReleaseHook();
    Forget(&plugin);
    return result;
}

std::size_t MostRecordsFromTearDown(const CToyPlugin& plugin)
{
    std::size_t records = 2;
    for (const CToyPlugin* child : plugin.children) {
        records += MostRecordsFromTearDown(*child);
    }
    return records;
}

// An object that LoadPlugins made and does not yet own for good, with the
// library it came from.
struct Candidate {
    CToyPlugin* object = nullptr;
    HMODULE module = nullptr;
};

void Discard(Candidate& candidate, bool release = true)
{
    TearDownPlugin(candidate.object, candidate.module, release, [&candidate] { candidate = {}; });
}

// The cleanup after a CKVErr: everything this LoadPlugins call made goes,
// whatever its plugin code throws on the way; the first record is the one
// that is passed on.
void DiscardAll(std::vector<Candidate>& candidates)
{
    for (Candidate& candidate : candidates) {
        ReleaseAllowance allowance(candidate.object);
        while (candidate.object != nullptr || candidate.module != nullptr) {
            try {
                Discard(candidate, allowance.Take());
            } catch (CKVErr) {
            }
        }
    }
}

} // namespace

ReleaseAllowance::ReleaseAllowance(const CToyPlugin* plugin)
    : left_(plugin != nullptr ? 1 + MostRecordsFromTearDown(*plugin) : 0)
{
}

bool ReleaseAllowance::Take()
{
    if (left_ == 0) {
        return false;
    }
    --left_;
    return true;
}

CToyPlugin::CToyPlugin() : module(nullptr), app(nullptr), parent(nullptr), active(0), runCount(0), selfRef(nullptr) {}

CToyPlugin::~CToyPlugin() noexcept(false)
{
    Forget(this);
}

std::int32_t CToyPlugin::Initialise(HMODULE libraryModule, CToyApp* application, CToyPlugin* owner)
{
    module = libraryModule;
    app = application;
    parent = owner;
    selfRef = this;
    if (!LoadResourceString(module, HEADER_NAME, ResourceBufferSize, name)) {
        return 0;
    }
    registryKey = PluginKeyPath(app->registryKey, name);
    auto accepts = [this](const std::string& ownerName) { return AcceptsOwner(ownerName) != 0; };
    if (AdmitUnder(name, parent, app->toyName, accepts) != Admission::Accepted) {
        return 0;
    }
    if (!RegisterHeader(*this)) {
        return 0;
    }
    if (InitialiseHook() == 0) {
        return 0;
    }
    children = LoadPlugins(app, this);
    return 1;
}

std::int32_t CToyPlugin::AcceptsOwner(std::string ownerName)
{
    return OwnerListNames(module, ownerName);
}

std::int32_t CToyPlugin::InitialiseHook()
{
    return 1;
}

std::int32_t CToyPlugin::ReleaseHook()
{
    return 1;
}

std::int32_t CToyPlugin::Release(CToyPlugin* child)
{
    if (child != nullptr) {
        return TearDownPlugin(child, child->module, true, [this, child] {
            auto found = std::find(children.begin(), children.end(), child);
            if (found != children.end()) {
                children.erase(found);
            }
        });
    }
    // A child leaves children only once released, so a CKVErr from a
    // descendant leaves it in place for the next Release to finish.
    while (!children.empty()) {
        CToyPlugin* first = children.front();
        TearDownPlugin(first, first->module, true, [this] { children.erase(children.begin()); });
    }
    return RunReleaseHookOnce(*this);
}

std::int32_t CToyPlugin::SpareHook1(std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    return 1;
}

std::int32_t CToyPlugin::SpareHook2(std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    return 1;
}

std::int32_t CToyPlugin::SpareHook3(std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    return 0;
}

std::int32_t CToyPlugin::SpareHook4(std::int32_t, std::int32_t, std::int32_t, std::int32_t)
{
    return 1;
}

std::vector<CToyPlugin*> CToyPlugin::CollectPlugins()
{
    std::vector<CToyPlugin*> collected = children;
    for (CToyPlugin* child : children) {
        std::vector<CToyPlugin*> below = child->CollectPlugins();
        collected.insert(collected.end(), below.begin(), below.end());
    }
    return collected;
}

std::vector<CToyPlugin*> CToyPlugin::LoadPlugins(CToyApp* application, CToyPlugin* owner)
{
    std::string folder = GetCurrentFolder() + PLUGINS_FOLDER;
    // Every object made here until it is accepted or gone; the accepted ones
    // stay in it too, since a CKVErr later in the scan must release them.
    std::vector<Candidate> made;
    std::optional<CKVErr> record;
    try {
        for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + LIBRARY_EXTENSION)) {
            Candidate& candidate = made.emplace_back();
            candidate.object = CreateFromLibrary(folder + entry.cFileName, candidate.module);
            if (candidate.object == nullptr ||
                candidate.object->Initialise(candidate.module, application, owner) != 1) {
                Discard(candidate);
                made.pop_back();
            }
        }
    } catch (CKVErr caught) {
        record = caught;
    }
    // The thrown record is gone once the handler has ended, so only now may
    // the libraries whose code it might use be unloaded.
    if (record) {
        DiscardAll(made);
        throw *record;
    }
    std::vector<CToyPlugin*> accepted;
    for (const Candidate& candidate : made) {
        accepted.push_back(candidate.object);
    }
    return accepted;
}

CToyPlugin* CToyPlugin::CreateFromLibrary(std::string path, HMODULE& libraryModule)
{
    libraryModule = LoadLibraryQuietly(path);
    if (libraryModule == nullptr) {
        return nullptr;
    }
    auto create = reinterpret_cast<NewPluginFunction>(reinterpret_cast<void*>(GetProcAddress(libraryModule, "New")));
    if (create == nullptr) {
        return nullptr;
    }
    return create();
}
