// CToyPlugin: the base class that the host and every plugin library share.
// Its members and the order of its virtual operations are a contract between
// separately built modules: keep both exactly as they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Win32.h"

class CToyApp;

class CToyPlugin {
public:
    CToyPlugin();
    // A plugin may throw CKVErr from its destructor; the host then leaves the
    // plugin's library loaded, since the record's code may live there.
    virtual ~CToyPlugin() noexcept(false);
    virtual std::int32_t Initialise(HMODULE module, CToyApp* app, CToyPlugin* parent);
    virtual std::int32_t AcceptsOwner(std::string ownerName);
    virtual std::int32_t InitialiseHook();
    virtual std::int32_t ReleaseHook();
    virtual std::int32_t Release(CToyPlugin* child);
    virtual std::int32_t SpareHook1(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
    virtual std::int32_t SpareHook2(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
    virtual std::int32_t SpareHook3(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
    virtual std::int32_t SpareHook4(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
    virtual std::vector<CToyPlugin*> CollectPlugins();

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
