#include "screen.h"

#include <sstream>

namespace win32test {
namespace {

constexpr char kClassName[] = "SproxDisplayTest";
// Held by every test program of this project while it has a window on the desktop.
constexpr char kScreenLock[] = "Sprox test screen";

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;   // the test paints everything itself
    case WM_PAINT:
        ValidateRect(window, nullptr);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

TestWindow::TestWindow(int width, int height) : width_(width), height_(height)
{
    lock_ = CreateMutexA(nullptr, FALSE, kScreenLock);
    if (lock_ != nullptr) {
        WaitForSingleObject(lock_, INFINITE);
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, "sprox test",
                              WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    PumpMessages();
    dc_ = window_ != nullptr ? GetDC(window_) : nullptr;
    Erase();
}

TestWindow::~TestWindow()
{
    if (dc_ != nullptr) {
        ReleaseDC(window_, dc_);
    }
    if (window_ != nullptr) {
        DestroyWindow(window_);
        PumpMessages();
    }
    if (lock_ != nullptr) {
        ReleaseMutex(lock_);
        CloseHandle(lock_);
    }
}

void TestWindow::Erase()
{
    if (dc_ == nullptr) {
        return;
    }
    HBRUSH brush = CreateSolidBrush(RGB(kBackground >> 16, (kBackground >> 8) & 0xFF,
                                        kBackground & 0xFF));
    RECT all = {0, 0, width_, height_};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
    GdiFlush();
}

// Copied into a 32-bit top-down DIB section, which holds every pixel as
// 0x00RRGGBB whatever the source's depth.
std::vector<uint32_t> CaptureDC(HDC source, int width, int height)
{
    std::vector<uint32_t> pixels;
    GdiFlush();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory != nullptr && section != nullptr) {
        HGDIOBJ old = SelectObject(memory, section);
        if (BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY)) {
            GdiFlush();
            const auto* words = static_cast<const uint32_t*>(bits);
            pixels.assign(words, words + static_cast<size_t>(width) * height);
            for (uint32_t& pixel : pixels) {
                pixel &= 0x00FFFFFF;
            }
        }
        SelectObject(memory, old);
    }
    if (section != nullptr) {
        DeleteObject(section);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    return pixels;
}

std::vector<uint32_t> TestWindow::ReadBack() const
{
    if (dc_ == nullptr) {
        return {};
    }
    return CaptureDC(dc_, width_, height_);
}

SproxColor TestColour(int index)
{
    auto i = static_cast<unsigned>(index);
    return {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
            static_cast<uint8_t>((i * 97 + 31) & 0xFF), 0};
}

uint32_t Rgb(const SproxColor& colour)
{
    return uint32_t{colour.red} << 16 | uint32_t{colour.green} << 8 | colour.blue;
}

void SetTestColours(SproxContext* context)
{
    for (int i = 0; i < 256; ++i) {
        context->colors[i] = TestColour(i);
    }
}

void SetOtherColours(SproxContext* context)
{
    for (int i = 0; i < 256; ++i) {
        auto u = static_cast<unsigned>(i);
        context->colors[i] = {static_cast<uint8_t>(255 - u), static_cast<uint8_t>((u * 53) & 0xFF),
                              static_cast<uint8_t>(u), 0};
    }
}

testing::AssertionResult SameScreen(const std::vector<uint32_t>& seen,
                                    const std::vector<uint32_t>& expected, int width)
{
    if (seen.size() != expected.size()) {
        return testing::AssertionFailure()
               << "read back " << seen.size() << " pixels, expected " << expected.size();
    }
    std::ostringstream out;
    size_t differences = 0;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (seen[i] == expected[i]) {
            continue;
        }
        if (++differences <= 8) {
            out << std::hex << "\n  (" << std::dec << i % width << ", " << i / width << ")"
                << std::hex << " shows " << seen[i] << ", expected " << expected[i];
        }
    }
    if (differences == 0) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << differences << " pixels differ:" << out.str();
}

std::string ProgramName()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name = path;
    name.erase(0, name.find_last_of("\\/") + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

} // namespace win32test
