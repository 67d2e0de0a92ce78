// The plugin base class as another author would write it from the plugin
// contract alone, linked into test plugins in place of the toy's framework:
// nothing is caught, rejected candidates are unloaded, and Release walks the
// children by index and empties the sequence only at its end. Built with
// LITERAL_PREVIOUS_RELEASE, Release is the previous release's instead: each
// child leaves the sequence as it is destroyed. The host must stay safe with
// both, whatever their plugins throw.
#include <algorithm>

#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/PluginHeader.h"
#include "plugins/ToyPlugin.h"
#include "support/FileSystem.h"
#include "support/Resources.h"

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
    registryKey = app->registryKey + "\\" + name;
    if (AcceptsOwner(parent != nullptr ? parent->name : app->toyName) == 0 || !RegisterHeader(*this) ||
        InitialiseHook() == 0) {
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
#ifdef LITERAL_PREVIOUS_RELEASE
    while (!children.empty()) {
        CToyPlugin* first = children.front();
        HMODULE firstModule = first->module;
        first->Release(nullptr);
        children.erase(children.begin());
        delete first;
        FreeLibrary(firstModule);
    }
#else
    for (std::size_t index = 0; index < children.size(); ++index) {
        HMODULE childModule = children[index]->module;
        children[index]->Release(nullptr);
        delete children[index];
        FreeLibrary(childModule);
    }
    children.clear();
#endif
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
    std::vector<CToyPlugin*> result;
    std::string folder = GetCurrentFolder() + PLUGINS_FOLDER;
    for (const WIN32_FIND_DATAA& entry : FindFiles(folder, "*." + LIBRARY_EXTENSION)) {
        HMODULE libraryModule = nullptr;
        CToyPlugin* object = CreateFromLibrary(folder + entry.cFileName, libraryModule);
        if (object != nullptr && object->Initialise(libraryModule, application, owner) == 1) {
            result.push_back(object);
            continue;
        }
        if (object != nullptr) {
            object->Release(nullptr);
            delete object;
        }
        if (libraryModule != nullptr) {
            FreeLibrary(libraryModule);
        }
    }
    return result;
}

CToyPlugin* CToyPlugin::CreateFromLibrary(std::string path, HMODULE& libraryModule)
{
    libraryModule = LoadLibraryA(path.c_str());
    if (libraryModule == nullptr) {
        return nullptr;
    }
    auto create = reinterpret_cast<NewPluginFunction>(reinterpret_cast<void*>(GetProcAddress(libraryModule, "New")));
    return create != nullptr ? create() : nullptr;
}
