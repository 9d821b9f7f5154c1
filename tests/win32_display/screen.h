// A real window to paint into and read back, and the frames the tests paint.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sprox.h"
#include "sprox/sys/win32/windows_api.h"

namespace win32test {

// A borderless topmost window at the desktop's top-left corner, filled with
// kBackground. Test programs run side by side on one desktop: while a window
// exists this process holds a machine-wide lock, so no other test window covers it.
class TestWindow {
public:
    TestWindow(int width, int height);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return window_; }
    HDC dc() const { return dc_; }
    // Fills the window with kBackground again.
    void Erase();
    // The window's pixels as 0x00RRGGBB, row by row from the top.
    std::vector<uint32_t> ReadBack() const;
    int width() const { return width_; }
    int height() const { return height_; }

private:
    HANDLE lock_ = nullptr;
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    int width_;
    int height_;
};

inline constexpr uint32_t kBackground = 0x00030201;

// The top-left width x height of a device context as 0x00RRGGBB, row by row from
// the top. Empty when it cannot be copied.
std::vector<uint32_t> CaptureDC(HDC source, int width, int height);

// Test colours: every index has a colour of its own (its blue is the index), and
// the last entry's blue is not 0, which marks the palette as built.
SproxColor TestColour(int index);
uint32_t Rgb(const SproxColor& colour);
void SetTestColours(SproxContext* context);
// Another set of distinct colours (for a palette change).
void SetOtherColours(SproxContext* context);

// Writes index(x, y) to every pixel of the frame, through the frame's own layout.
template <typename Index>
void FillFrame(SproxContext* context, Index index)
{
    for (int y = 0; y < context->height; ++y) {
        uint8_t* row = context->bits + context->topOffset + y * context->pitch;
        for (int x = 0; x < context->width; ++x) {
            row[x] = static_cast<uint8_t>(index(x, y));
        }
    }
}

inline uint8_t FramePixel(const SproxContext* context, int x, int y)
{
    return context->bits[context->topOffset + y * context->pitch + x];
}

// Compares a read-back window with what each pixel should show; reports the
// first few differences and their count.
testing::AssertionResult SameScreen(const std::vector<uint32_t>& seen,
                                    const std::vector<uint32_t>& expected, int width);

// The name of this program's file without folder and extension.
std::string ProgramName();

} // namespace win32test
