// The one way this code base includes the Windows headers. The build defines,
// for every target and every plugin built against the SDK, lean headers
// without the min/max macros, aimed at Windows 7 so that both targets see the
// same API.
#pragma once

#include <windows.h>

#if _WIN32_WINNT != 0x0601 || !defined(WIN32_LEAN_AND_MEAN) || !defined(NOMINMAX)
#error "Build with the framework's compile definitions (Windows 7, lean headers, no min/max)"
#endif
