// The window class that a library's windows share: registered once for all
// its users, unregistered with the last, each window's messages passed to
// its own handler from the first message of its creation.
#include "toys/Shared/WindowClass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* kName = "WindowClassTestWindow";
constexpr UINT kAsk = WM_APP + 1;

bool Registered()
{
    WNDCLASSA found{};
    return GetClassInfoA(GetModuleHandleA(nullptr), kName, &found) != 0;
}

// Answers kAsk with its own number and remembers the messages it was given.
class Recorder : public WindowHandler {
public:
    explicit Recorder(LRESULT number) : number_(number) {}

    bool OnMessage(HWND window, UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        seen.push_back(message);
        windows.push_back(window);
        if (message != kAsk) {
            return false;
        }
        result = number_;
        return true;
    }

    std::vector<UINT> seen;
    std::vector<HWND> windows;

private:
    LRESULT number_;
};

} // namespace

// Two objects of one library (a plugin under two owners) share the class;
// it stays registered until the last of them is gone.
TEST(WindowClassTest, OneNameIsRegisteredOnceAndUnregisteredWithItsLastUser)
{
    {
        WindowClass first(GetModuleHandleA(nullptr), kName);
        {
            WindowClass second(GetModuleHandleA(nullptr), kName);
            Recorder handler(1);
            WindowHandle window = second.Create(0, WS_POPUP, "second", {0, 0}, {10, 10}, &handler);
            EXPECT_TRUE(window);
        }
        EXPECT_TRUE(Registered());
        Recorder handler(1);
        EXPECT_TRUE(first.Create(0, WS_POPUP, "first", {0, 0}, {10, 10}, &handler));
    }
    EXPECT_FALSE(Registered());
}

TEST(WindowClassTest, EachWindowPassesItsMessagesToItsOwnHandler)
{
    WindowClass windowClass(GetModuleHandleA(nullptr), kName);
    Recorder one(1);
    Recorder two(2);
    WindowHandle first = windowClass.Create(0, WS_POPUP, "one", {0, 0}, {10, 10}, &one);
    WindowHandle second = windowClass.Create(0, WS_POPUP, "two", {0, 0}, {10, 10}, &two);
    WindowHandle plain = windowClass.Create(0, WS_POPUP, "plain", {0, 0}, {10, 10}, nullptr);
    ASSERT_TRUE(first && second && plain);

    EXPECT_EQ(one.seen.front(), static_cast<UINT>(WM_NCCREATE));
    EXPECT_EQ(SendMessageA(first.Get(), kAsk, 0, 0), 1);
    EXPECT_EQ(SendMessageA(second.Get(), kAsk, 0, 0), 2);
    EXPECT_EQ(SendMessageA(plain.Get(), kAsk, 0, 0), 0);
    EXPECT_EQ(one.windows, std::vector<HWND>(one.seen.size(), first.Get()));
    EXPECT_EQ(two.windows, std::vector<HWND>(two.seen.size(), second.Get()));
    // Unhandled, a message goes on to DefWindowProcA.
    EXPECT_TRUE(SetWindowTextA(first.Get(), "renamed"));
    char title[16] = "";
    GetWindowTextA(first.Get(), title, sizeof title);
    EXPECT_EQ(std::string(title), "renamed");
}
