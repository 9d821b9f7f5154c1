// The error reporter's real path: a modal box with the stop icon and OK, owned by
// the thread's active window, showing the composed bytes. A helper thread finds
// the box among the reporting thread's windows, reads it and presses OK.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "sprox/core/report.h"
#include "sprox/core/wholefile.h"
#include "sprox/sys/win32/windows_api.h"

namespace {

// "SproxInitされていないSPROX構造体が渡されました" and the common tail.
const std::string kNotInitialised =
    "SproxInit\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xC8\x82\xA2"
    "SPROX\x8D\x5C\x91\xA2\x91\xCC\x82\xAA\x93\x6E\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD";
const std::string kTail =
    "\x0A\x28\x8F\xE3\x8B\x4C\x82\xF0\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56"
    "\x83\x87\x83\x93\x82\xCC\x8D\xEC\x8E\xD2\x82\xC9\x90\xB3\x8A\x6D\x82\xC9\x82\xA8"
    "\x93\x60\x82\xA6\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x29";
// "ファイルのオープンに失敗しました", no tail.
const std::string kOpenFailed =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC9"
    "\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

// What a box looked like when it was found.
struct SeenBox {
    bool found = false;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
    bool okButton = false;
    bool cancelButton = false;
    bool handIcon = false;
};

// Text of the box as a message box shows ANSI bytes: in the system's code page.
std::wstring AsShown(const std::string& bytes)
{
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

std::wstring TextOf(HWND window)
{
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

BOOL CALLBACK FindShownBox(HWND window, LPARAM found)
{
    char cls[16] = {};
    char caption[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(cls, "#32770") == 0 && lstrcmpA(caption, "Sprox Error") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The shown box of the given thread; boxes of other test processes may be about.
HWND ShownBoxOf(DWORD thread)
{
    HWND box = nullptr;
    EnumThreadWindows(thread, FindShownBox, reinterpret_cast<LPARAM>(&box));
    return box;
}

// Finds the box of the given thread once it is shown (waiting up to about 30 s
// for it), reads it and presses OK. The box exists before its controls are filled
// in; it is shown after.
SeenBox AnswerBox(DWORD thread)
{
    SeenBox seen;
    HWND box = nullptr;
    for (int i = 0; i < 1500 && box == nullptr; ++i) {
        box = ShownBoxOf(thread);
        if (box == nullptr) {
            Sleep(20);
        }
    }
    if (box == nullptr) {
        return seen;
    }
    seen.found = true;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.caption = TextOf(box);
    seen.okButton = GetDlgItem(box, IDOK) != nullptr;
    seen.cancelButton = GetDlgItem(box, IDCANCEL) != nullptr;
    // The text is the static control that is not the icon.
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") != 0) {
            continue;
        }
        HICON icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        if (icon != nullptr) {
            seen.handIcon = icon == LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_HAND));
        } else if (seen.text.empty()) {
            seen.text = TextOf(child);
        }
    }
    // Press OK until the box is gone.
    for (int i = 0; i < 1500 && IsWindow(box); ++i) {
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        Sleep(20);
    }
    return seen;
}

// A visible top-level window, active on this thread.
HWND ActiveWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SproxReportTest";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "SproxReportTest", "game", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  320, 240, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    return window;
}

} // namespace

TEST(Report, BoxIsOwnedByTheActiveWindowAndShowsTheExactText)
{
    HWND window = ActiveWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(GetActiveWindow(), window);

    SeenBox seen;
    std::thread answer([&, thread = GetCurrentThreadId()] { seen = AnswerBox(thread); });
    sprox::Report(-8, "SproxSize");
    answer.join();

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, window);
    EXPECT_EQ(seen.caption, L"Sprox Error");
    EXPECT_EQ(seen.text, AsShown("SproxSize: " + kNotInitialised + kTail));
    EXPECT_TRUE(seen.okButton);
    EXPECT_FALSE(seen.cancelButton);
    EXPECT_TRUE(seen.handIcon);
    DestroyWindow(window);
}

// A file that cannot be opened: the report carries the system's error number, and
// with no active window the box has no owner.
TEST(Report, FailedOpenShowsTheNameAndTheSystemErrorNumber)
{
    ASSERT_EQ(GetActiveWindow(), nullptr);
    SeenBox seen;
    std::thread answer([&, thread = GetCurrentThreadId()] { seen = AnswerBox(thread); });
    EXPECT_EQ(sprox::ReadWholeFile("report-no-such.dar", nullptr), nullptr);
    answer.join();

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_EQ(seen.text, AsShown("report-no-such.dar -> 2: " + kOpenFailed));
}
