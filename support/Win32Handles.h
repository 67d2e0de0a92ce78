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

// A file from CreateFileA, which reports failure as INVALID_HANDLE_VALUE;
// closed with CloseHandle.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// A kernel object (process, thread, file), closed with CloseHandle.
using KernelHandle = UniqueHandle<ClosedBy<HANDLE, CloseHandle>>;

// A loaded library, unloaded with FreeLibrary.
using ModuleHandle = UniqueHandle<ClosedBy<HMODULE, FreeLibrary>>;

// An open registry key, closed with RegCloseKey.
using RegistryKey = UniqueHandle<ClosedBy<HKEY, RegCloseKey>>;

// A memory device context from CreateCompatibleDC, deleted with DeleteDC.
using MemoryDc = UniqueHandle<ClosedBy<HDC, DeleteDC>>;

// A GDI object (bitmap, brush, pen), deleted with DeleteObject once it is no
// longer selected into any device context.
using GdiObject = UniqueHandle<ClosedBy<HGDIOBJ, DeleteObject>>;

// A window, destroyed with DestroyWindow.
using WindowHandle = UniqueHandle<ClosedBy<HWND, DestroyWindow>>;

// A popup menu, destroyed with DestroyMenu together with its submenus.
using MenuHandle = UniqueHandle<ClosedBy<HMENU, DestroyMenu>>;

// A hook procedure, removed with UnhookWindowsHookEx.
using HookHandle = UniqueHandle<ClosedBy<HHOOK, UnhookWindowsHookEx>>;

// A view of a file mapping, unmapped with UnmapViewOfFile.
using MappedView = UniqueHandle<ClosedBy<void*, UnmapViewOfFile>>;

// A registration for power setting notices, ended with
// UnregisterPowerSettingNotification.
using PowerNotification = UniqueHandle<ClosedBy<HPOWERNOTIFY, UnregisterPowerSettingNotification>>;

// A change notice on a folder from FindFirstChangeNotificationA, which reports
// failure as INVALID_HANDLE_VALUE; closed with FindCloseChangeNotification.
struct ChangeNoticeTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { FindCloseChangeNotification(handle); }
};
using ChangeNoticeHandle = UniqueHandle<ChangeNoticeTraits>;
