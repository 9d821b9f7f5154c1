// Full screen on the real machine: a test window of the display mode's size with
// a context whose frame holds a known picture, and the ways to see what the
// screen shows and what a frame holds. The screen is read through the primary
// surface (its indices under a lock, its colours through its device context):
// the desktop's own device context shows it only once the system has got round
// to presenting it, which no test can wait for without a clock.
#pragma once

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "dar_picture.h"
#include "sprox.h"
#include "win32_display/screen.h"

namespace fstest {

inline constexpr int kWidth = 640;
inline constexpr int kHeight = 480;

// Neighbouring pixels differ in both directions; seed tells pictures apart.
int Picture(int x, int y, int seed);

// The system's DirectDrawCreate, from DDRAW.DLL loaded for the test program.
void* DirectDrawCreateEntry();

// The size of the desktop (the display mode while a context owns full screen).
SIZE DesktopSize();

// The cursor confinement.
RECT CursorClip();

// The indices the screen shows: the primary surface (the front one of a flipping
// chain) locked and read, its top-left width x height. Empty when it cannot be
// locked.
std::vector<uint8_t> ScreenIndices(int width, int height);

// The colours the primary surface's palette gives its top-left width x height,
// as 0x00RRGGBB. Empty when it gives no device context.
std::vector<uint32_t> ScreenColours(int width, int height);

// The frame's pixels, row by row from the top, read between the back-end's lock
// and unlock (the DIB section, or the surface while in full screen). Empty when
// the lock fails.
std::vector<uint8_t> FrameIndices(SproxContext* context);

// The frame's pixels if every one were index(x, y).
template <typename Index>
std::vector<uint8_t> Indices(int width, int height, Index index)
{
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.push_back(static_cast<uint8_t>(index(x, y)));
        }
    }
    return out;
}

// The colours of indices in the context's colours.
std::vector<uint32_t> Colours(const std::vector<uint8_t>& indices, const SproxContext* context);

// Compares two index images of the given width: the first few differences and
// their count.
testing::AssertionResult SameIndices(const std::vector<uint8_t>& seen,
                                     const std::vector<uint8_t>& expected, int width);

// A picture with holes of the key colour 0 for a pattern, its hot spot at (3, 2).
dar::Picture HoledPicture(int width, int height);

// Registers the picture as pattern `number` through a DAR file (SX_PatEntryDARFile).
bool RegisterPattern(int number, const dar::Picture& picture);

// The frame after SX_PatPut of the picture (registered as a pattern) at (x, y).
void PutModel(std::vector<uint8_t>* frame, int frameWidth, const dar::Picture& picture, int x,
              int y);

// A test window of the full-screen size and a context bound to it, with the test
// colours and a 640 x 480 frame that holds Picture(x, y, 0). The context is ended
// (which leaves full screen) when the test ends.
class FullScreenTest : public testing::Test {
protected:
    FullScreenTest();
    ~FullScreenTest() override;

    SxWindow hwnd() const { return reinterpret_cast<SxWindow>(window_.hwnd()); }

    win32test::TestWindow window_{kWidth, kHeight};
    SproxContext context_{};
};

} // namespace fstest
