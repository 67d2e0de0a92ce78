#include "tests/plugins/MenuReader.h"

#include <string>

#include "app/ToyApp.h"
#include "plugins/ToyPlugin.h"
#include "tests/plugins/BoxRecorder.h"
#include "toys/Pillow/ToyMenu.h"

namespace {

HHOOK menuHook = nullptr;
CToyApp* menuApp = nullptr;

std::string ItemText(HMENU menu, int position)
{
    char text[512];
    int length = GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return std::string(text, length > 0 ? length : 0);
}

// Entries with a plugin's command are plugins, traced with their state
// ("checked" or "unchecked", and " greyed"); everything else is traced as a
// menu item.
void TraceMenu(HMENU menu, bool submenu)
{
    for (int position = 0; position < GetMenuItemCount(menu); ++position) {
        std::string text = ItemText(menu, position);
        UINT state = GetMenuState(menu, position, MF_BYPOSITION);
        bool checked = (state & MF_CHECKED) != 0;
        UINT id = GetMenuItemID(menu, position);
        if (submenu && id >= TOY_COMMAND_FIRST_PLUGIN && id != static_cast<UINT>(-1)) {
            std::string shown = std::string(checked ? "checked" : "unchecked") + ((state & MF_GRAYED) ? " greyed" : "");
            AppendTrace(("menu plugin " + text + "|" + shown + "|" + std::to_string(id)).c_str());
        } else if (!text.empty()) {
            AppendTrace(("menu item " + text + (checked ? " (checked)" : "") + ((state & MF_GRAYED) ? " (greyed)" : ""))
                            .c_str());
        }
        if (HMENU below = GetSubMenu(menu, position)) {
            TraceMenu(below, true);
        }
    }
}

void TraceTree()
{
    std::string names;
    for (CToyPlugin* plugin : menuApp->plugins) {
        names += (names.empty() ? "" : ",") + plugin->name;
        for (CToyPlugin* below : plugin->CollectPlugins()) {
            names += "," + below->name;
        }
    }
    AppendTrace(("tree " + names).c_str());
}

// The first popup that opens is the whole menu; it closes before any of its
// submenus can open.
LRESULT CALLBACK ReadMenu(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITMENUPOPUP && HIWORD(call->lParam) == 0) {
        TraceTree();
        TraceMenu(reinterpret_cast<HMENU>(call->wParam), false);
        AppendTrace("menu end");
        EndMenu();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void StartReadingMenus(CToyApp& app)
{
    menuApp = &app;
    menuHook = SetWindowsHookExA(WH_CALLWNDPROC, ReadMenu, nullptr, GetCurrentThreadId());
}

void StopReadingMenus()
{
    if (menuHook != nullptr) {
        UnhookWindowsHookEx(menuHook);
        menuHook = nullptr;
    }
}
