#include "fullscreen.h"

#include <cstdio>
#include <sstream>
#include <string>

#include "dar_write.h"

#include "sprox/display/backend.h"
#include "sprox/sys/ddraw.h"
#include "sprox/sys/machine.h"

namespace fstest {

int Picture(int x, int y, int seed) { return (x * 3 + y * 29 + seed * 71) % 251 + 2; }

void* DirectDrawCreateEntry()
{
    static HMODULE library = LoadLibraryA("ddraw.dll");
    return library != nullptr ? reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawCreate"))
                              : nullptr;
}

SIZE DesktopSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

RECT CursorClip()
{
    RECT clip = {};
    GetClipCursor(&clip);
    return clip;
}

std::vector<uint8_t> ScreenIndices(int width, int height)
{
    std::vector<uint8_t> out;
    sys::DirectDraw* dd = sys::M().ddraw();
    sys::SurfaceDesc desc;
    desc.flags = 0;
    if (sprox::gDisplay.primary == nullptr ||
        dd->Lock(sprox::gDisplay.primary, &desc, sys::kDDLockWait) != sys::kDDOk) {
        return out;
    }
    if (desc.width >= static_cast<uint32_t>(width) && desc.height >= static_cast<uint32_t>(height)) {
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = desc.surface + static_cast<ptrdiff_t>(y) * desc.pitch;
            out.insert(out.end(), row, row + width);
        }
    }
    dd->Unlock(sprox::gDisplay.primary);
    return out;
}

// Through the primary surface's own device context: the colours its palette gives
// its indices.
std::vector<uint32_t> ScreenColours(int width, int height)
{
    std::vector<uint32_t> pixels;
    sys::DirectDraw* dd = sys::M().ddraw();
    sys::Handle dc = nullptr;
    if (sprox::gDisplay.primary == nullptr ||
        dd->GetDC(sprox::gDisplay.primary, &dc) != sys::kDDOk) {
        return pixels;
    }
    pixels = win32test::CaptureDC(static_cast<HDC>(dc), width, height);
    dd->ReleaseDC(sprox::gDisplay.primary, dc);
    return pixels;
}

std::vector<uint8_t> FrameIndices(SproxContext* context)
{
    std::vector<uint8_t> out;
    if (!sprox::gDisplay.ops.lock(context)) {
        return out;
    }
    for (int y = 0; y < context->height; ++y) {
        const uint8_t* row = context->bits + context->topOffset + static_cast<ptrdiff_t>(y) * context->pitch;
        out.insert(out.end(), row, row + context->width);
    }
    sprox::gDisplay.ops.unlock(context);
    return out;
}

std::vector<uint32_t> Colours(const std::vector<uint8_t>& indices, const SproxContext* context)
{
    std::vector<uint32_t> out;
    out.reserve(indices.size());
    for (uint8_t index : indices) {
        out.push_back(win32test::Rgb(context->colors[index]));
    }
    return out;
}

testing::AssertionResult SameIndices(const std::vector<uint8_t>& seen,
                                     const std::vector<uint8_t>& expected, int width)
{
    if (seen.size() != expected.size()) {
        return testing::AssertionFailure()
               << "read " << seen.size() << " pixels, expected " << expected.size();
    }
    std::ostringstream out;
    size_t differences = 0;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (seen[i] != expected[i] && ++differences <= 8) {
            out << "\n  (" << i % width << ", " << i / width << ") holds " << int{seen[i]}
                << ", expected " << int{expected[i]};
        }
    }
    if (differences == 0) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << differences << " pixels differ:" << out.str();
}

dar::Picture HoledPicture(int width, int height)
{
    dar::Picture picture;
    picture.width = width;
    picture.height = height;
    picture.key = 0;
    picture.hotX = 3;
    picture.hotY = 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool hole = (x + 2 * y) % 7 == 0 || x == width - 1;
            picture.pixels.push_back(static_cast<uint8_t>(hole ? 0 : 200 + (x + y) % 50));
        }
    }
    return picture;
}

bool RegisterPattern(int number, const dar::Picture& picture)
{
    dar::Palette palette{};
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dar::WriteDar(palette, {picture}, {}, &bytes, &error)) {
        ADD_FAILURE() << error;
        return false;
    }
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    if (GetTempPathA(sizeof folder, folder) == 0 ||
        GetTempFileNameA(folder, "sfs", 0, path) == 0) {
        ADD_FAILURE() << "no temporary file: " << GetLastError();
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr) {
        std::fclose(file);
    }
    bool registered = written && SX_PatEntryDARFile(number, 1, path) == 1;
    DeleteFileA(path);
    return registered;
}

void PutModel(std::vector<uint8_t>* frame, int frameWidth, const dar::Picture& picture, int x,
              int y)
{
    for (int py = 0; py < picture.height; ++py) {
        for (int px = 0; px < picture.width; ++px) {
            uint8_t index = picture.at(px, py);
            if (index != picture.key) {
                size_t at = static_cast<size_t>(y - picture.hotY + py) * frameWidth +
                            (x - picture.hotX + px);
                (*frame)[at] = index;
            }
        }
    }
}

FullScreenTest::FullScreenTest()
{
    SX_Init(&context_, hwnd());
    win32test::SetTestColours(&context_);
    SX_Size(&context_, kWidth, kHeight, -1, nullptr);
    if (context_.bits != nullptr) {
        win32test::FillFrame(&context_, [](int x, int y) { return Picture(x, y, 0); });
    }
}

FullScreenTest::~FullScreenTest() { SX_End(&context_); }

} // namespace fstest
