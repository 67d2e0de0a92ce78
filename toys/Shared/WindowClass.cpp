#include "toys/Shared/WindowClass.h"

#include <map>
#include <utility>

#include "errors/ToyError.h"

namespace {

// How many WindowClass objects of this library use each registered class.
std::map<std::pair<HMODULE, std::string>, int>& Users()
{
    static std::map<std::pair<HMODULE, std::string>, int> users;
    return users;
}

// The handler travels in CreateWindowExA's parameter and is kept in the
// window's user data from WM_NCCREATE, the first message that carries it.
LRESULT CALLBACK DispatchToHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* handler = reinterpret_cast<WindowHandler*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    LRESULT result = 0;
    if (handler != nullptr && handler->OnMessage(window, message, wParam, lParam, result)) {
        return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

WindowClass::WindowClass(HMODULE module, std::string name) : module_(module), name_(std::move(name))
{
    int& users = Users()[{module_, name_}];
    if (users == 0) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DispatchToHandler;
        windowClass.hInstance = module_;
        windowClass.hCursor = LoadCursor(nullptr, IDC_HAND);
        windowClass.lpszClassName = name_.c_str();
        if (RegisterClassA(&windowClass) == 0) {
            Users().erase({module_, name_});
            throw ERR_CREATING_TOY_WINDOW;
        }
    }
    ++users;
}

WindowClass::~WindowClass()
{
    auto user = Users().find({module_, name_});
    if (--user->second == 0) {
        Users().erase(user);
        UnregisterClassA(name_.c_str(), module_);
    }
}

WindowHandle WindowClass::Create(DWORD extendedStyle, DWORD style, const char* title, POINT place, SIZE size,
                                 WindowHandler* handler) const
{
    return WindowHandle(CreateWindowExA(extendedStyle, name_.c_str(), title, style, place.x, place.y, size.cx, size.cy,
                                        nullptr, nullptr, module_, handler));
}
