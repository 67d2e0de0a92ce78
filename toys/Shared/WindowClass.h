// The window class that a plugin library's windows share, and the binding of
// each window to the object that handles its messages. A library registers a
// class name once however many objects use it (a plugin under two owners
// makes two objects of one library) and unregisters it when the last user is
// destroyed, so that the library can be unloaded and loaded again.
#pragma once

#include <string>

#include "support/Win32Handles.h"

// Receives the messages of the windows bound to it.
class WindowHandler {
public:
    // Handles message for window and returns true with its result in result,
    // or returns false to leave the message to DefWindowProcA. Messages of
    // the window's creation (WM_NCCREATE on) arrive before CreateWindowExA
    // has returned the window.
    virtual bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

protected:
    ~WindowHandler() = default;
};

class WindowClass {
public:
    // Registers name for module with a hand cursor, unless this library has
    // already registered it. Throws ERR_CREATING_TOY_WINDOW when it cannot.
    WindowClass(HMODULE module, std::string name);
    // Unregisters the class when no other WindowClass of this library uses
    // it; every window of it must be destroyed by then.
    ~WindowClass();
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

    // A window of this class whose messages go to handler (to DefWindowProcA
    // alone when handler is null); empty when it cannot be made.
    WindowHandle Create(DWORD extendedStyle, DWORD style, const char* title, POINT place, SIZE size,
                        WindowHandler* handler) const;

private:
    HMODULE module_;
    std::string name_;
};
