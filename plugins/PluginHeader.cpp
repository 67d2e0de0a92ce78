#include "plugins/PluginHeader.h"

#include <utility>

#include "errors/ToyError.h"
#include "plugins/ToyPlugin.h"
#include "support/DecimalText.h"
#include "support/Registry.h"
#include "support/Resources.h"
#include "support/Win32Handles.h"

namespace {

// How long counting a run waits for another start counting at the same moment.
constexpr DWORD RunCountWaitMs = 10000;

// The resources that the first run copies, with their registry values.
const std::pair<UINT, const std::string*> kCopiedFields[] = {
    {HEADER_NAME, &VALUE_NAME},       {HEADER_TYPE, &VALUE_TYPE},
    {HEADER_VERSION, &VALUE_VERSION}, {HEADER_RELEASE_DATE, &VALUE_RELEASE_DATE},
    {HEADER_DETAILS, &VALUE_DETAILS},
};

// Active as stored, or, when it cannot be read, from resource 6 and written back.
bool ReadActiveState(CToyPlugin& plugin)
{
    std::string stored;
    if (GetRegistryString(plugin.registryKey, VALUE_ACTIVE, stored)) {
        plugin.active = stored == "TRUE" ? 1 : 0;
        return true;
    }
    std::int32_t active = 0;
    if (!LoadResourceBool(plugin.module, HEADER_ACTIVE, ResourceBufferSize, active)) {
        return false;
    }
    plugin.active = active;
    return SetRegistryString(plugin.registryKey, VALUE_ACTIVE, active == 1 ? "TRUE" : "FALSE");
}

} // namespace

OwnerList ReadOwnerList(HMODULE module)
{
    OwnerList list;
    list.hasCount = LoadResourceInt(module, HEADER_OWNER_COUNT, ResourceBufferSize, list.count);
    for (std::int32_t i = 0; i < list.count; ++i) {
        std::string entry;
        if (!LoadResourceString(module, HEADER_OWNER_COUNT + 1 + static_cast<UINT>(i), ResourceBufferSize, entry)) {
            break;
        }
        list.names.push_back(entry);
    }
    return list;
}

bool NamesOwner(const OwnerList& list, const std::string& ownerName)
{
    for (const std::string& entry : list.names) {
        if (entry == ownerName) {
            return true;
        }
    }
    return false;
}

std::int32_t OwnerListNames(HMODULE module, const std::string& ownerName)
{
    return NamesOwner(ReadOwnerList(module), ownerName) ? 1 : 0;
}

std::optional<UINT> FirstMissingHeaderString(HMODULE module)
{
    for (const auto& [id, valueName] : kCopiedFields) {
        std::string text;
        if (!LoadResourceString(module, id, ResourceBufferSize, text)) {
            return id;
        }
    }
    return std::nullopt;
}

std::string PluginKeyPath(const std::string& toyKey, const std::string& pluginName)
{
    return toyKey + "\\" + pluginName;
}

std::int32_t NextRunCount(const std::optional<std::string>& storedExecutes)
{
    return IncrementSaturating(storedExecutes ? ParseDecimalInt(*storedExecutes) : 0);
}

bool CountRun(const std::string& keyPath, std::int32_t& runCount)
{
    // Starts at the same moment must not read the same count: the count is
    // read and written under one mutex for every counter of the session. When
    // the wait runs out (a process stuck holding it) the run is still counted.
    KernelHandle guard(CreateMutexA(nullptr, FALSE, "Wimbleset run counters"));
    DWORD waited = guard ? WaitForSingleObject(guard.Get(), RunCountWaitMs) : WAIT_FAILED;
    std::string stored;
    bool readable = GetRegistryString(keyPath, VALUE_EXECUTES, stored);
    runCount = NextRunCount(readable ? std::optional<std::string>(stored) : std::nullopt);
    bool written = SetRegistryString(keyPath, VALUE_EXECUTES, FormatDecimal(runCount));
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        ReleaseMutex(guard.Get());
    }
    return written;
}

bool RegisterHeader(CToyPlugin& plugin)
{
    if (!ReadActiveState(plugin)) {
        return false;
    }
    if (!CountRun(plugin.registryKey, plugin.runCount)) {
        return false;
    }
    return plugin.runCount != 1 || CopyHeaderToRegistry(plugin.module, plugin.registryKey);
}

bool CopyHeaderToRegistry(HMODULE module, const std::string& keyPath)
{
    for (const auto& [id, valueName] : kCopiedFields) {
        std::string text;
        if (!LoadResourceString(module, id, ResourceBufferSize, text)) {
            return false;
        }
        if (!SetRegistryString(keyPath, *valueName, text)) {
            return false;
        }
    }
    return true;
}
