#include "toys/Pillow/ScreenWatch.h"

#include <wtsapi32.h>

#include <cstring>

ScreenWatch::ScreenWatch(HWND window)
    : window_(window), sessionNotices_(WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION) != 0),
      displayNotices_(
          RegisterPowerSettingNotification(window, &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE))
{
}

ScreenWatch::~ScreenWatch()
{
    if (sessionNotices_) {
        WTSUnRegisterSessionNotification(window_);
    }
}

// The display's state is 0 when off, 1 when on and 2 when dimmed, which can
// still be seen.
bool ScreenWatch::Notice(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WTSSESSION_CHANGE && (wParam == WTS_SESSION_LOCK || wParam == WTS_SESSION_UNLOCK)) {
        locked_ = wParam == WTS_SESSION_LOCK;
        return true;
    }
    if (message != WM_POWERBROADCAST || wParam != PBT_POWERSETTINGCHANGE) {
        return false;
    }
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
    DWORD state = 0;
    if (!IsEqualGUID(setting->PowerSetting, GUID_CONSOLE_DISPLAY_STATE) || setting->DataLength < sizeof state) {
        return false;
    }
    std::memcpy(&state, setting->Data, sizeof state);
    displayOff_ = state == 0;
    return true;
}
