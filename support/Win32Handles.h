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

// A view of a file mapping, unmapped with UnmapViewOfFile.
struct MappedViewTraits {
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle view) { UnmapViewOfFile(view); }
};
using MappedView = UniqueHandle<MappedViewTraits>;
