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

// The header step on the registry and the plugin's string table.
class RegistryHeaderValues {
public:
    explicit RegistryHeaderValues(const CToyPlugin& plugin) : plugin_(plugin) {}

    std::optional<std::string> StoredActive()
    {
        std::string stored;
        return GetRegistryString(plugin_.registryKey, VALUE_ACTIVE, stored) ? std::optional(stored) : std::nullopt;
    }
    std::optional<std::string> DefaultActive()
    {
        std::string text;
        return LoadResourceString(plugin_.module, HEADER_ACTIVE, ResourceBufferSize, text) ? std::optional(text)
                                                                                           : std::nullopt;
    }
    bool WriteActive(const std::string& text) { return SetRegistryString(plugin_.registryKey, VALUE_ACTIVE, text); }
    bool CountRun(std::int32_t& runCount) { return ::CountRun(plugin_.registryKey, runCount); }
    bool CopyHeader() { return CopyHeaderToRegistry(plugin_.module, plugin_.registryKey); }

private:
    const CToyPlugin& plugin_;
};

} // namespace

HeaderLookup ModuleHeader(HMODULE module)
{
    return [module](std::uint32_t id) {
        std::string text;
        return LoadResourceString(module, id, ResourceBufferSize, text) ? std::optional(text) : std::nullopt;
    };
}

OwnerList ReadOwnerList(HMODULE module)
{
    return ReadOwnerList(ModuleHeader(module));
}

std::int32_t OwnerListNames(HMODULE module, const std::string& ownerName)
{
    return NamesOwner(ReadOwnerList(module), ownerName) ? 1 : 0;
}

std::optional<UINT> FirstMissingHeaderString(HMODULE module)
{
    return FirstMissingHeaderString(ModuleHeader(module));
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
    RegistryHeaderValues values(plugin);
    return RunHeaderStep(values, plugin.active, plugin.runCount);
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
