// The layouts that separately built modules share: plugins read and write the
// members of CToyPlugin and CToyApp objects made elsewhere, and catch CKVErr
// records thrown elsewhere. A change here breaks every plugin already built,
// so the offsets are fixed for each architecture and checked as this file
// compiles. (The order of the virtual slots is checked after the framework
// is built: cmake/CheckVirtualSlots.cmake.)
#include "app/ToyApp.h"
#include "errors/ToyError.h"
#include "plugins/ToyPlugin.h"

// The classes are not standard-layout (they have virtual tables), which
// GCC's offsetof reads all the same.
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#define TOY_AT(type, member, x64, x86)                                                                                 \
    static_assert(__builtin_offsetof(type, member) == (sizeof(void*) == 8 ? x64 : x86))

TOY_AT(CToyPlugin, name, 8, 4);
TOY_AT(CToyPlugin, module, 40, 28);
TOY_AT(CToyPlugin, registryKey, 48, 32);
TOY_AT(CToyPlugin, app, 80, 56);
TOY_AT(CToyPlugin, parent, 88, 60);
TOY_AT(CToyPlugin, children, 96, 64);
TOY_AT(CToyPlugin, active, 120, 76);
TOY_AT(CToyPlugin, runCount, 124, 80);
TOY_AT(CToyPlugin, selfRef, 128, 84);
static_assert(sizeof(CToyPlugin) == (sizeof(void*) == 8 ? 136 : 88));

TOY_AT(CToyApp, runCount, 8, 4);
TOY_AT(CToyApp, instance, 16, 8);
TOY_AT(CToyApp, toyName, 24, 12);
TOY_AT(CToyApp, registryKey, 56, 36);
TOY_AT(CToyApp, logFile, 88, 60);
TOY_AT(CToyApp, plugins, 120, 84);

TOY_AT(CKVErr, text, 0, 0);
TOY_AT(CKVErr, code, 32, 24);
static_assert(sizeof(CKVErr) == (sizeof(void*) == 8 ? 40 : 28));
