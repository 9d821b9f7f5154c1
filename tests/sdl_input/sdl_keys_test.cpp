// Keys on the SDL machine, driven by real key events: an X server delivers key
// presses to an SDL window, SDL updates its keyboard state, and the machine reads
// it by virtual-key code. Needs an X display (the test script provides one).
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <functional>

#include "sprox.h"
#include "sprox/sys/sdl/sdl_input.h"

namespace {

class SdlKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::getenv("DISPLAY") == nullptr) {
            GTEST_SKIP() << "no X display";
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window_ = SDL_CreateWindow("keys", 0, 0, 64, 64, SDL_WINDOW_SHOWN);
        ASSERT_NE(window_, nullptr) << SDL_GetError();
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        ASSERT_TRUE(SDL_GetWindowWMInfo(window_, &info));
        ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
        target_ = info.info.x11.window;
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        // Give the window the keyboard focus and wait until SDL has seen it, so that
        // no focus change later in the test resets the keyboard state.
        XSetInputFocus(display_, target_, RevertToParent, CurrentTime);
        XSync(display_, False);
        ASSERT_TRUE(Eventually([this] {
            SDL_PumpEvents();
            return SDL_GetKeyboardFocus() == window_;
        })) << "the window never got the keyboard focus";
    }

    void TearDown() override
    {
        if (display_ != nullptr) {
            XCloseDisplay(display_);
        }
        if (window_ != nullptr) {
            SDL_DestroyWindow(window_);
        }
        SDL_Quit();
    }

    // A key press or release, as the X server delivers it to the SDL window.
    void Send(KeySym key, bool press)
    {
        XKeyEvent event{};
        event.type = press ? KeyPress : KeyRelease;
        event.display = display_;
        event.window = target_;
        event.root = DefaultRootWindow(display_);
        event.keycode = XKeysymToKeycode(display_, key);
        event.same_screen = True;
        ASSERT_NE(event.keycode, 0u) << "no key for keysym " << key;
        XSendEvent(display_, target_, True, press ? KeyPressMask : KeyReleaseMask,
                   reinterpret_cast<XEvent*>(&event));
        XSync(display_, False);
    }

    // The events reach SDL's own connection a little later: poll until the condition
    // holds, giving up after a generous bound.
    static bool Eventually(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 400; ++i) {
            if (condition()) {
                return true;
            }
            SDL_Delay(5);
        }
        return false;
    }

    static bool Down(int virtualKey)
    {
        return (sys::TheSdlInput().GetAsyncKeyState(virtualKey) & 0x8000) != 0;
    }

    // Presses the key, checks that exactly the expected virtual-key code sees it,
    // releases it again.
    void CheckKey(KeySym key, int virtualKey)
    {
        Send(key, true);
        EXPECT_TRUE(Eventually([&] { return Down(virtualKey); }))
            << "keysym " << XKeysymToString(key) << " as key 0x" << std::hex << virtualKey;
        Send(key, false);
        EXPECT_TRUE(Eventually([&] { return !Down(virtualKey); }))
            << "keysym " << XKeysymToString(key) << " released";
    }

    SDL_Window* window_ = nullptr;
    Display* display_ = nullptr;
    ::Window target_ = 0;
};

} // namespace

TEST_F(SdlKeys, CaptureSeesHeldKeysAndTheirRelease)
{
    Send(XK_Up, true);
    Send(XK_KP_6, true);
    InputState s{};
    EXPECT_TRUE(Eventually([&] { return SX_CaptureInput(0, &s) == 0x9; })) << s.inputBits;
    EXPECT_EQ(s.axisX, 1);
    EXPECT_EQ(s.axisY, -1);
    EXPECT_EQ(s.rangeX, 1);

    Send(XK_Escape, true);
    EXPECT_TRUE(Eventually([] { return SX_CaptureInput(6, nullptr) == IN_ESCAPE; }));

    Send(XK_Up, false);
    Send(XK_KP_6, false);
    Send(XK_Escape, false);
    EXPECT_TRUE(Eventually([] { return SX_CaptureInput(0, nullptr) == 0; }));
}

TEST_F(SdlKeys, EveryKeyOfTheBuiltInConfigurationsAndTheCommonOnes)
{
    const struct {
        KeySym key;
        int virtualKey;
    } keys[] = {
        {XK_k, 'K'}, {XK_j, 'J'}, {XK_h, 'H'}, {XK_l, 'L'}, {XK_z, 'Z'}, {XK_x, 'X'},
        {XK_q, 'Q'}, {XK_e, 'E'}, {XK_c, 'C'}, {XK_s, 'S'}, {XK_f, 'F'}, {XK_d, 'D'},
        {XK_Up, 0x26}, {XK_Down, 0x28}, {XK_Left, 0x25}, {XK_Right, 0x27},
        {XK_KP_8, 0x68}, {XK_KP_2, 0x62}, {XK_KP_4, 0x64}, {XK_KP_6, 0x66},
        {XK_KP_0, 0x60}, {XK_KP_5, 0x65}, {XK_space, 0x20}, {XK_Return, 0x0D},
        {XK_Shift_L, 0x10}, {XK_Shift_R, 0x10}, {XK_F2, 0x71}, {XK_Escape, 0x1B},
        // Common keys beyond them.
        {XK_a, 'A'}, {XK_0, '0'}, {XK_1, '1'}, {XK_9, '9'}, {XK_F1, 0x70}, {XK_F12, 0x7B},
        {XK_KP_Enter, 0x0D}, {XK_Control_L, 0x11}, {XK_Control_R, 0xA3}, {XK_Alt_L, 0x12},
        {XK_Shift_L, 0xA0}, {XK_Shift_R, 0xA1}, {XK_Tab, 0x09}, {XK_BackSpace, 0x08},
        {XK_Home, 0x24}, {XK_End, 0x23}, {XK_Prior, 0x21}, {XK_Next, 0x22},
        {XK_Insert, 0x2D}, {XK_Delete, 0x2E}, {XK_KP_9, 0x69}, {XK_KP_Add, 0x6B},
        {XK_KP_Subtract, 0x6D}, {XK_KP_Multiply, 0x6A}, {XK_KP_Divide, 0x6F},
        {XK_comma, 0xBC}, {XK_minus, 0xBD}, {XK_period, 0xBE}, {XK_slash, 0xBF},
        {XK_semicolon, 0xBA}, {XK_bracketleft, 0xDB},
    };
    for (const auto& k : keys) {
        CheckKey(k.key, k.virtualKey);
    }
}

TEST_F(SdlKeys, AKeyIsOnlyItsOwnCode)
{
    Send(XK_Shift_L, true);
    ASSERT_TRUE(Eventually([] { return Down(0x10); }));
    EXPECT_TRUE(Down(0xA0));
    EXPECT_FALSE(Down(0xA1));  // the right Shift is not held
    EXPECT_FALSE(Down(0x11));
    EXPECT_FALSE(Down('S'));
    Send(XK_Shift_L, false);
    // Codes outside the table are never down.
    EXPECT_EQ(sys::TheSdlInput().GetAsyncKeyState(-1), 0);
    EXPECT_EQ(sys::TheSdlInput().GetAsyncKeyState(256), 0);
}
