// The creature's right-click menu: "Plugins" (one entry for every plugin in
// the tree, checked when its stored Active value is "TRUE", greyed lines for
// the files of Plugins\ that did not load or install and why, then "Add
// plugin...", "Open plugins folder", and "Restart to install N new plugins"
// while packages wait in Plugins\, or else "Restart now" while a plugin's
// switch waits for the next start), sleep or wake,
// "Start with Windows" (checked when on), "About Pillowmoor Toy" and "Exit".
#pragma once

#include <string>
#include <vector>

#include "support/Win32Handles.h"

class CToyApp;
class CToyPlugin;

// The WM_COMMAND identifiers of the menu. The plugin entries follow each
// other from TOY_COMMAND_FIRST_PLUGIN, in the order of ToyTree.
inline constexpr UINT TOY_COMMAND_SLEEP = 100;
inline constexpr UINT TOY_COMMAND_WAKE = 101;
inline constexpr UINT TOY_COMMAND_ABOUT = 102;
inline constexpr UINT TOY_COMMAND_EXIT = 103;
inline constexpr UINT TOY_COMMAND_START_WITH_WINDOWS = 104;
inline constexpr UINT TOY_COMMAND_ADD_PLUGIN = 105;
inline constexpr UINT TOY_COMMAND_OPEN_PLUGINS_FOLDER = 106;
inline constexpr UINT TOY_COMMAND_RESTART = 107;
inline constexpr UINT TOY_COMMAND_FIRST_PLUGIN = 1000;

// The Active value the next start will use, which is what the entry shows:
// true when it is "TRUE".
bool StoredActive(const CToyPlugin& plugin);

// Every plugin of the toy: each top-level plugin followed by its subtree.
std::vector<CToyPlugin*> ToyTree(const CToyApp& app);

// The menu that carrier shows, with waitingPackages packages in Plugins\.
// Carrier's own entry is greyed: switched off, it would show no menu to
// switch it on again with. Throws ERR_SETTING_UP_PLUGINS_MENU when the menu
// cannot be made.
MenuHandle BuildToyMenu(const CToyApp& app, const CToyPlugin& carrier, bool asleep, unsigned waitingPackages);

// For a plugin entry's command: switches that plugin's stored Active value
// between "TRUE" and "FALSE"; carrier's entry and any other command are left
// alone. Throws ERR_SETTING_REGISTRY_VALUE when the value cannot be written.
void TogglePluginActive(const CToyApp& app, const CToyPlugin& carrier, UINT command);

// The text of the About box: the toy's details from the host's string table,
// its version from its version resource, and the number of this run.
std::string AboutText(const CToyApp& app);
