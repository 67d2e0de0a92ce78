#include "plugins/PluginHeader.h"

#include <utility>

#include "app/Registry.h"
#include "app/Resources.h"
#include "errors/ToyError.h"
#include "plugins/ToyPlugin.h"
#include "support/DecimalText.h"

namespace {

constexpr UINT kOwnerCountId = 1000;
constexpr UINT kActiveId = 6;

// Active as stored, or, when it cannot be read, from resource 6 and written back.
bool ReadActiveState(CToyPlugin& plugin)
{
    std::string stored;
    if (GetRegistryString(plugin.registryKey, VALUE_ACTIVE, stored)) {
        plugin.active = stored == "TRUE" ? 1 : 0;
        return true;
    }
    std::int32_t active = 0;
    if (!LoadResourceBool(plugin.module, kActiveId, ResourceBufferSize, active)) {
        return false;
    }
    plugin.active = active;
    return SetRegistryString(plugin.registryKey, VALUE_ACTIVE, active == 1 ? "TRUE" : "FALSE");
}

} // namespace

std::int32_t OwnerListNames(HMODULE module, const std::string& ownerName)
{
    std::int32_t count = 0;
    if (!LoadResourceInt(module, kOwnerCountId, ResourceBufferSize, count)) {
        return 0;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        std::string entry;
        if (!LoadResourceString(module, kOwnerCountId + 1 + static_cast<UINT>(i), ResourceBufferSize, entry)) {
            return 0;
        }
        if (entry == ownerName) {
            return 1;
        }
    }
    return 0;
}

bool CountRun(const std::string& keyPath, std::int32_t& runCount)
{
    std::string stored;
    std::int32_t count = GetRegistryString(keyPath, VALUE_EXECUTES, stored) ? ParseDecimalInt(stored) : 0;
    runCount = IncrementSaturating(count);
    return SetRegistryString(keyPath, VALUE_EXECUTES, FormatDecimal(runCount));
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
    const std::pair<UINT, const std::string*> fields[] = {
        {1, &VALUE_NAME}, {2, &VALUE_TYPE}, {3, &VALUE_VERSION}, {4, &VALUE_RELEASE_DATE}, {5, &VALUE_DETAILS},
    };
    for (const auto& [id, valueName] : fields) {
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
