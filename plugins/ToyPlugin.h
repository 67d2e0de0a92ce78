// CToyPlugin: the base class that the host and every plugin library share.
// Its members and the order of its virtual operations are a contract between
// separately built modules: keep both exactly as they are.
//
// A plugin library exports, by name and with C linkage,
//     extern "C" __declspec(dllexport) CToyPlugin* New();
// returning a new object of its class derived from CToyPlugin (or null), and
// carries a plugin header in its string table (see plugins/PluginHeader.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugins/PluginRules.h"
#include "support/Win32.h"

// Objects, strings and thrown records cross between the host and its plugins,
// so a plugin must be built with the host's C++ ABI: GCC's (mingw-w64) with
// libstdc++, at C++17 or later.
#if defined(_MSC_VER) && !defined(__GNUC__)
#error                                                                                                                 \
    "Wimbleset plugins cannot be built with MSVC or clang-cl: use mingw-w64 GCC (see the SDK's cmake/ toolchain file)"
#elif !defined(__GLIBCXX__)
#error "Wimbleset plugins need libstdc++, the C++ library of mingw-w64 GCC that the host uses"
#elif __cplusplus < 201703L
#error "Wimbleset plugins need C++17 or later"
#endif

class CToyApp;

class CToyPlugin {
public:
    CToyPlugin();
    // A plugin may throw CKVErr from its destructor; the library that threw
    // is then left loaded, since the record's code may live there.
    virtual ~CToyPlugin() noexcept(false);
    // Binds the object to its library, the application and its owner, checks
    // the owner list, mirrors the header into the registry, runs
    // InitialiseHook and loads the object's own children. 1 on success.
    virtual std::int32_t Initialise(HMODULE libraryModule, CToyApp* application, CToyPlugin* owner);
    // 1 when ownerName stands in the owner list of module's string table.
    virtual std::int32_t AcceptsOwner(std::string ownerName);
    virtual std::int32_t InitialiseHook();
    virtual std::int32_t ReleaseHook();
    // With a child: releases, destroys and unloads that child. With null:
    // does so for every child in order, then runs ReleaseHook. What their
    // code throws does not stop it: every child is dealt with and the hook
    // runs, then the first failure goes on as a CKVErr and any later one is
    // written to the log. A child whose own Release threw is taken out of
    // children but left alive and loaded until the process ends, since its
    // windows may still run its code; one whose destructor threw keeps its
    // library. The host calls a plugin's Release once, whatever it throws.
    virtual std::int32_t Release(CToyPlugin* child);
    virtual std::int32_t SpareHook1(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
    virtual std::int32_t SpareHook2(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
    virtual std::int32_t SpareHook3(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
    virtual std::int32_t SpareHook4(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
    // This plugin's subtree below it: the children, then each child's own
    // collection in order. The caller owns the sequence, not the objects.
    virtual std::vector<CToyPlugin*> CollectPlugins();

    // Loads every "*.kvp" library of the plugins folder whose object accepts
    // owner (the toy when owner is null) and returns the accepted objects in
    // folder order. Uses nothing of the object it is called on. An exception
    // from plugin code releases everything this call created and then passes
    // on as a CKVErr (see RecordOfCurrentException).
    std::vector<CToyPlugin*> LoadPlugins(CToyApp* application, CToyPlugin* owner);

    // Host only (defined in plugins/PluginInstall.cpp): installs the
    // packages ("*.kvd") of the plugins folder and returns the full paths of
    // those installed, in folder order. Uses nothing of the object.
    std::vector<std::string> InstallPackages();

    // Loads the library at path and calls its New. Returns the object (or
    // null) and hands the library handle back through libraryModule (null
    // when the file could not be loaded).
    CToyPlugin* CreateFromLibrary(std::string path, HMODULE& libraryModule);

    std::string name;
    HMODULE module;
    std::string registryKey;
    CToyApp* app;
    CToyPlugin* parent;
    std::vector<CToyPlugin*> children;
    std::int32_t active;
    std::int32_t runCount;
    CToyPlugin* selfRef;
};

// The type of a library's New entry point.
using NewPluginFunction = CToyPlugin* (*)();
