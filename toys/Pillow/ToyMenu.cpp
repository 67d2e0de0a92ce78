#include "toys/Pillow/ToyMenu.h"

#include <string>
#include <vector>

#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/PluginHeader.h"
#include "plugins/ToyPlugin.h"
#include "support/Registry.h"
#include "support/Resources.h"
#include "toys/Pillow/AbsentPlugins.h"
#include "toys/Pillow/PluginsFolder.h"
#include "toys/Pillow/StartWithWindows.h"

namespace {

std::string HeaderText(HMODULE module, UINT id)
{
    std::string text;
    LoadResourceString(module, id, ResourceBufferSize, text);
    return text;
}

// The text with "&" doubled so that menus show it as written.
std::string MenuText(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        escaped += c == '&' ? "&&" : std::string(1, c);
    }
    return escaped;
}

// "Name version: details".
std::string EntryText(const CToyPlugin& plugin)
{
    return MenuText(plugin.name + " " + HeaderText(plugin.module, HEADER_VERSION) + ": " +
                    HeaderText(plugin.module, HEADER_DETAILS));
}

// The program's version as its version resource gives it in four parts,
// which is what the installer and the list of programs show; the string
// table's shorter version text for a program without one.
std::string ProgramVersion(HMODULE program)
{
    std::string path(32768, '\0');
    path.resize(GetModuleFileNameA(program, path.data(), static_cast<DWORD>(path.size())));
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), nullptr));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    if (block.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &size) || size < sizeof *fixed) {
        return HeaderText(program, HEADER_VERSION);
    }
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

void Append(HMENU menu, UINT flags, UINT_PTR id, const std::string& text)
{
    if (!AppendMenuA(menu, flags, id, text.c_str())) {
        throw ERR_SETTING_UP_PLUGINS_MENU;
    }
}

// What a restart would do, when it would change anything: install the
// waiting packages, or else load the plugins as they are now switched.
void AppendRestart(HMENU menu, const CToyApp& app, unsigned waitingPackages)
{
    if (waitingPackages > 0) {
        Append(menu, MF_STRING, TOY_COMMAND_RESTART,
               "Restart to install " + std::to_string(waitingPackages) +
                   (waitingPackages == 1 ? " new plugin" : " new plugins"));
    } else if (ChangesWaitForStart(app)) {
        Append(menu, MF_STRING, TOY_COMMAND_RESTART, "Restart now");
    }
}

} // namespace

bool StoredActive(const CToyPlugin& plugin)
{
    std::string value;
    return GetRegistryString(plugin.registryKey, VALUE_ACTIVE, value) && value == "TRUE";
}

std::vector<CToyPlugin*> ToyTree(const CToyApp& app)
{
    std::vector<CToyPlugin*> tree;
    for (CToyPlugin* plugin : app.plugins) {
        tree.push_back(plugin);
        std::vector<CToyPlugin*> below = plugin->CollectPlugins();
        tree.insert(tree.end(), below.begin(), below.end());
    }
    return tree;
}

MenuHandle BuildToyMenu(const CToyApp& app, const CToyPlugin& carrier, bool asleep, unsigned waitingPackages)
{
    MenuHandle menu(CreatePopupMenu());
    if (!menu) {
        throw ERR_SETTING_UP_PLUGINS_MENU;
    }
    // Owned by menu as soon as it is appended; until then by this owner.
    MenuHandle plugins(CreatePopupMenu());
    if (!plugins) {
        throw ERR_SETTING_UP_PLUGINS_MENU;
    }
    UINT id = TOY_COMMAND_FIRST_PLUGIN;
    for (CToyPlugin* plugin : ToyTree(app)) {
        UINT flags = (StoredActive(*plugin) ? MF_CHECKED : MF_UNCHECKED) | (plugin == &carrier ? MF_GRAYED : 0);
        Append(plugins.Get(), MF_STRING | flags, id++, EntryText(*plugin));
    }
    // Read when the menu opens: the folder may have changed since the start.
    std::vector<std::string> absent = AbsentPluginLines(app);
    if (!absent.empty()) {
        Append(plugins.Get(), MF_SEPARATOR, 0, "");
    }
    for (const std::string& line : absent) {
        Append(plugins.Get(), MF_STRING | MF_GRAYED, 0, MenuText(line));
    }
    Append(plugins.Get(), MF_SEPARATOR, 0, "");
    Append(plugins.Get(), MF_STRING, TOY_COMMAND_ADD_PLUGIN, "Add plugin...");
    Append(plugins.Get(), MF_STRING, TOY_COMMAND_OPEN_PLUGINS_FOLDER, "Open plugins folder");
    Append(plugins.Get(), MF_SEPARATOR, 0, "");
    Append(plugins.Get(), MF_STRING | MF_GRAYED, 0, "A change takes effect at the next start");
    AppendRestart(plugins.Get(), app, waitingPackages);
    Append(menu.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(plugins.Get()), "Plugins");
    plugins.Release();
    if (asleep) {
        Append(menu.Get(), MF_STRING, TOY_COMMAND_WAKE, "Wake up");
    } else {
        Append(menu.Get(), MF_STRING, TOY_COMMAND_SLEEP, "Go to sleep");
    }
    Append(menu.Get(), MF_STRING | (StartsWithWindows() ? MF_CHECKED : MF_UNCHECKED), TOY_COMMAND_START_WITH_WINDOWS,
           "Start with Windows");
    Append(menu.Get(), MF_SEPARATOR, 0, "");
    Append(menu.Get(), MF_STRING, TOY_COMMAND_ABOUT, "About Pillowmoor Toy");
    Append(menu.Get(), MF_STRING, TOY_COMMAND_EXIT, "Exit");
    return menu;
}

void TogglePluginActive(const CToyApp& app, const CToyPlugin& carrier, UINT command)
{
    std::vector<CToyPlugin*> tree = ToyTree(app);
    if (command < TOY_COMMAND_FIRST_PLUGIN || command - TOY_COMMAND_FIRST_PLUGIN >= tree.size() ||
        tree[command - TOY_COMMAND_FIRST_PLUGIN] == &carrier) {
        return;
    }
    const CToyPlugin& plugin = *tree[command - TOY_COMMAND_FIRST_PLUGIN];
    if (!SetRegistryString(plugin.registryKey, VALUE_ACTIVE, StoredActive(plugin) ? "FALSE" : "TRUE")) {
        throw ERR_SETTING_REGISTRY_VALUE;
    }
}

std::string AboutText(const CToyApp& app)
{
    return HeaderText(app.instance, HEADER_DETAILS) + ", version " + ProgramVersion(app.instance) + ". This is run " +
           std::to_string(app.runCount) + ".";
}
