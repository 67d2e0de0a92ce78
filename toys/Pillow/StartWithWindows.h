// "Start with Windows": a shortcut in the user's Startup folder that starts
// this program at sign-in with the current folder, where the toy finds its
// Plugins\ and writes its Logs\, as its working folder.
#pragma once

#include <string>

// The user's Startup folder followed by "Pillowmoor Toy.lnk", or empty when
// the system names no Startup folder.
std::wstring StartupShortcutPath();

bool StartsWithWindows();

// Makes the shortcut (on) or removes it. Throws ERR_WRITING_LOCAL_FILE when
// that fails.
void SetStartWithWindows(bool on);
