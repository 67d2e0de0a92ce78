#include "plugins/PluginHeader.h"

#include <utility>

#include "app/Registry.h"
#include "app/Resources.h"
#include "errors/ToyError.h"

bool CopyHeaderToRegistry(HINSTANCE module, const std::string& keyPath)
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
