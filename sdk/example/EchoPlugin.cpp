// A child plugin of Hello: asks its parent for its window through the toy
// channel, adds itself to the window's title and keeps what it heard in its
// own registry key (value "Heard").
#include <string>

#include "plugins/ToyChannel.h"
#include "plugins/ToyPlugin.h"
#include "support/Registry.h"

namespace {

class EchoPlugin : public CToyPlugin {
public:
    std::int32_t InitialiseHook() override
    {
        HWND window = AskParentWindow(*this);
        if (window == nullptr) {
            return 0; // A parent without a window: nothing to echo, so refuse.
        }
        char title[256] = "";
        GetWindowTextA(window, title, sizeof title);
        std::string heard = std::string(title) + ", state " + std::to_string(AskParentState(*this));
        SetWindowTextA(window, (std::string(title) + " and " + name).c_str());
        SetRegistryString(registryKey, "Heard", heard);
        return 1;
    }
};

} // namespace

extern "C" __declspec(dllexport) CToyPlugin* New()
{
    return new EchoPlugin;
}
