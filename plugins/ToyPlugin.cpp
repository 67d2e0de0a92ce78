#include "plugins/ToyPlugin.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "app/Resources.h"
#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/PluginHeader.h"
#include "support/FileSystem.h"
#include "support/Library.h"

namespace {

// An object that LoadPlugins made and does not yet own for good, with the
// library it came from.
struct Candidate {
    CToyPlugin* object = nullptr;
    HMODULE module = nullptr;
    bool releaseStarted = false;
};

// Releases the candidate's children and runs its ReleaseHook, destroys it and
// only then unloads its library. Each step is recorded before it runs, so that
// after a CKVErr the cleanup neither repeats it nor skips what is left.
void Discard(Candidate& candidate)
{
    if (candidate.object != nullptr && !candidate.releaseStarted) {
        candidate.releaseStarted = true;
        candidate.object->Release(nullptr);
    }
    delete std::exchange(candidate.object, nullptr);
    if (candidate.module != nullptr) {
        FreeLibrary(std::exchange(candidate.module, nullptr));
    }
}

// The cleanup after a CKVErr: everything this LoadPlugins call made goes,
// whatever its plugin code throws on the way; the first record is the one
// that is passed on.
void DiscardAll(std::vector<Candidate>& candidates)
{
    for (Candidate& candidate : candidates) {
        bool done = false;
        while (!done) {
            try {
                Discard(candidate);
                done = true;
            } catch (CKVErr) {
            }
        }
    }
}

} // namespace

CToyPlugin::CToyPlugin() : module(nullptr), app(nullptr), parent(nullptr), active(0), runCount(0), selfRef(nullptr) {}

CToyPlugin::~CToyPlugin() noexcept(false) {}

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
    if (StandsOnPath(name, parent)) {
        return 0;
    }
    std::string ownerName = parent != nullptr ? parent->name : app->toyName;
    if (AcceptsOwner(ownerName) == 0) {
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
        auto found = std::find(children.begin(), children.end(), child);
        if (found != children.end()) {
            children.erase(found);
        }
        HMODULE childModule = child->module;
        child->Release(nullptr);
        delete child;
        return FreeLibrary(childModule);
    }
    // A child leaves children only as it is destroyed, so a CKVErr from a
    // descendant never leaves a destroyed object in the sequence.
    while (!children.empty()) {
        CToyPlugin* first = children.front();
        HMODULE firstModule = first->module;
        first->Release(nullptr);
        children.erase(children.begin());
        delete first;
        FreeLibrary(firstModule);
    }
    return ReleaseHook();
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
