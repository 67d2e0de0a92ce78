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

// What the teardowns of one framework call met. The first failure goes on as
// a record once they are all done; a later one is written to the log, so that
// none is lost and one failure still gives one box.
class Failures {
public:
    explicit Failures(CToyApp* application) : app_(application) {}

    // Inside a catch block: keeps the exception being handled as a record.
    void KeepCurrent()
    {
        CKVErr record = RecordOfCurrentException();
        if (!first_) {
            first_ = std::move(record);
        } else if (app_ != nullptr) {
            app_->LogError("Toy", 0, record.text, record.code, "Toy shutdown", "");
        }
    }

    bool Any() const { return first_.has_value(); }

    void PassOn() const
    {
        if (first_) {
            throw *first_;
        }
    }

private:
    CToyApp* app_;
    std::optional<CKVErr> first_;
};

// Tears one object down without letting its code stop the caller: Release
// with null (once) when release is set, then leave() takes the object out of
// whatever holds it, then it is destroyed, and only then is its library
// unloaded. An object whose Release threw is only taken out: it may still own
// windows whose procedures run its code and use the object, and the failure
// is reported while they exist, so it stays alive and loaded until the
// process ends. One whose destructor threw keeps its library, where the
// record's code may live. Returns the result of FreeLibrary, FALSE when
// nothing was unloaded.
template <typename Leave>
BOOL TearDown(CToyPlugin* plugin, HMODULE module, bool release, Leave leave, Failures& failures)
{
    if (plugin != nullptr && release) {
        try {
            plugin->Release(nullptr);
        } catch (...) {
            failures.KeepCurrent();
            leave();
            return FALSE;
        }
    }
    leave();
    try {
        delete plugin;
    } catch (...) {
        failures.KeepCurrent();
        return FALSE;
    }
    return module != nullptr ? FreeLibrary(module) : FALSE;
}

// An object that LoadPlugins made and does not yet own for good, with the
// library it came from.
struct Candidate {
    CToyPlugin* object = nullptr;
    HMODULE module = nullptr;
};

void Discard(Candidate& candidate, Failures& failures)
{
    TearDown(
        candidate.object, candidate.module, true, [&candidate] { candidate = {}; }, failures);
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
    Failures failures(app);
    if (child != nullptr) {
        BOOL freed = TearDown(
            child, child->module, true,
            [this, child] {
                auto found = std::find(children.begin(), children.end(), child);
                if (found != children.end()) {
                    children.erase(found);
                }
            },
            failures);
        failures.PassOn();
        return freed;
    }
    // A child stays in children while it is released and leaves before it is
    // destroyed, so children never holds a destroyed object.
    while (!children.empty()) {
        CToyPlugin* first = children.front();
        TearDown(
            first, first->module, true, [this] { children.erase(children.begin()); }, failures);
    }
    std::int32_t result = 0;
    try {
        result = ReleaseHook();
    } catch (...) {
        failures.KeepCurrent();
    }
    failures.PassOn();
    return result;
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
    // stay in it too, since a failure later in the scan must release them.
    std::vector<Candidate> made;
    Failures failures(application);
    try {
        for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + LIBRARY_EXTENSION)) {
            Candidate& candidate = made.emplace_back();
            candidate.object = CreateFromLibrary(folder + entry.cFileName, candidate.module);
            if (candidate.object == nullptr ||
                candidate.object->Initialise(candidate.module, application, owner) != 1) {
                Discard(candidate, failures);
                made.pop_back();
            }
            if (failures.Any()) {
                break;
            }
        }
    } catch (...) {
        failures.KeepCurrent();
    }
    // The thrown object is gone once the handler has ended, so only now may
    // the libraries whose code it might use be unloaded.
    if (failures.Any()) {
        for (Candidate& candidate : made) {
            Discard(candidate, failures);
        }
        failures.PassOn();
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
