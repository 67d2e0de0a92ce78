// "Start with Windows": a shortcut in the user's Startup folder that starts
// this program at sign-in with the current folder, where the toy finds its
// Plugins\ and writes its Logs\, as its working folder. There is one such
// shortcut for every copy of the toy (the zip's, the installed one), since
// one toy runs at a time; it belongs to the copy whose program it starts.
#pragma once

#include <string>

// The user's Startup folder followed by "Pillowmoor Toy.lnk", or empty when
// the system names no Startup folder.
std::wstring StartupShortcutPath();

// True when the shortcut starts this program: another copy's shortcut is
// that copy's setting, not this one's.
bool StartsWithWindows();

// Makes the shortcut (on), replacing another copy's, or removes it. Throws
// ERR_WRITING_LOCAL_FILE when that fails.
void SetStartWithWindows(bool on);
