// Reads what a message box shows: its title, its text, its visible buttons
// and whether it carries an icon.
#pragma once

#include <string>
#include <vector>

#include "support/Win32.h"

struct CapturedBox {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
    bool hasIcon = false;
};

// True when window is a dialog about to be shown (as a message box is).
bool IsDialogWindow(HWND window);

CapturedBox ReadMessageBox(HWND dialog);

// Closes the box as a click on OK would, a quarter of a second later, so that
// the box's message loop runs as it does while a user reads the box.
void PressOk(HWND dialog);
