// Owners for the Win32 handles this code base opens, each closed by its own
// function.
#pragma once

#include "support/UniqueHandle.h"
#include "support/Win32.h"

// A directory search from FindFirstFileA, closed with FindClose.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { FindClose(handle); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

// A kernel object (process, thread, file), closed with CloseHandle.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// A loaded library, unloaded with FreeLibrary.
struct ModuleHandleTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle module) { FreeLibrary(module); }
};
using ModuleHandle = UniqueHandle<ModuleHandleTraits>;

// An open registry key, closed with RegCloseKey.
struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle key) { RegCloseKey(key); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

// A memory device context from CreateCompatibleDC, deleted with DeleteDC.
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle dc) { DeleteDC(dc); }
};
using MemoryDc = UniqueHandle<MemoryDcTraits>;

// A GDI object (bitmap, brush, pen), deleted with DeleteObject once it is no
// longer selected into any device context.
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle object) { DeleteObject(object); }
};
using GdiObject = UniqueHandle<GdiObjectTraits>;

// A window, destroyed with DestroyWindow.
struct WindowHandleTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle window) { DestroyWindow(window); }
};
using WindowHandle = UniqueHandle<WindowHandleTraits>;

// A popup menu, destroyed with DestroyMenu together with its submenus.
struct MenuHandleTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle menu) { DestroyMenu(menu); }
};
using MenuHandle = UniqueHandle<MenuHandleTraits>;

// A view of a file mapping, unmapped with UnmapViewOfFile.
struct MappedViewTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle view) { UnmapViewOfFile(view); }
};
using MappedView = UniqueHandle<MappedViewTraits>;
