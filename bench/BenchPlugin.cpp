// The plugin that the start-up benchmark loads by the hundred, under headers
// stamped onto copies of it. It does nothing beyond ending the message loop
// once started, and counts its New calls and its library's mappings.
#include "bench/BenchProbe.h"
#include "plugins/ToyPlugin.h"

namespace {

class BenchPlugin : public CToyPlugin {
public:
    std::int32_t InitialiseHook() override
    {
        PostQuitMessage(0);
        return 1;
    }
};

} // namespace

extern "C" __declspec(dllexport) CToyPlugin* New()
{
    CountNewCall();
    return new BenchPlugin;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        CountAttach();
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        CountDetach();
    }
    return TRUE;
}
