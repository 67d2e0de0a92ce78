// For test plugins: traces each popup menu that a window of the thread opens
// and closes it at once, so that a test sees a plugin's menu as it really is.
#pragma once

class CToyApp;

// From now on, for each popup menu opened: "tree <name>,<name>..." (every
// plugin of app, each top-level one followed by its subtree), "menu item
// <text>" for its entries (" (checked)" after a checked one, " (greyed)"
// after a greyed one) and those of
// its submenus that carry no id, "menu
// plugin <text>|<checked or unchecked>|<id>" for the entries of its submenus
// that do, then "menu end".
void StartReadingMenus(CToyApp& app);
void StopReadingMenus();
