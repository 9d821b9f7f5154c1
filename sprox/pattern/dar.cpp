#include "sprox/pattern/dar.h"

#include <cstring>

namespace sprox {
namespace {

constexpr char kMagic[5] = {'D', 'A', 'R', ':', '8'};
constexpr size_t kVersion0Header = 8;
constexpr size_t kShortestHeaderLength = 8;   // L: width, height, stride, key colour
constexpr size_t kHotSpotHeaderLength = 14;   // L: adds hot spot and visible height
constexpr size_t kExtensionHeaderLength = 16; // L: extension bytes follow
constexpr size_t kExtensionOffset = 17;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

int16_t ReadSigned16(const uint8_t* p) { return static_cast<int16_t>(Read16(p)); }

uint32_t Read32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

bool DarHasMagic(const uint8_t* image, size_t size)
{
    return size >= sizeof kMagic && std::memcmp(image, kMagic, sizeof kMagic) == 0;
}

bool DarReadCounts(const uint8_t* image, size_t size, int* version, int* count)
{
    if (size < 8) {
        return false;
    }
    *version = image[5];
    *count = Read16(image + 6);
    return true;
}

bool DarHeadFits(const uint8_t* image, size_t size)
{
    if (size < kDarHeadSize) {
        return false;
    }
    // The palette is found as header block + P wherever P puts it.
    uint64_t paletteEnd = 8 + uint64_t{Read32(image + 8)} + kDarPaletteSize;
    return paletteEnd <= size;
}

bool DarRowFits(const uint8_t* row, size_t stride, int width)
{
    // Offsets count from the row start; `phase` makes the rounding fall on the
    // 4-byte boundaries of memory, where the blitters look for segment words.
    const size_t phase = reinterpret_cast<uintptr_t>(row) & 3;
    size_t at = 0;
    long remaining = width;
    while (remaining > 0) {
        if (stride < 4 || at > stride - 4) {
            return false;
        }
        uint32_t word = Read32(row + at);
        long skip = word & 0xFFFF;
        long count = word >> 16;
        if (skip >= remaining) {
            return true;
        }
        remaining -= skip;
        if (count >= remaining) {
            return static_cast<size_t>(remaining) <= stride - at - 4;
        }
        if (static_cast<size_t>(count) > stride - at - 4) {
            return false;
        }
        remaining -= count;
        at = ((phase + at + 4 + static_cast<size_t>(count) + 3) & ~size_t{3}) - phase;
    }
    return true;
}

bool DarReadEntry(const uint8_t* image, size_t size, size_t offset, int version,
                  DarEntry* entry, const char** fault)
{
    auto refuse = [fault](const char* why) {
        if (fault != nullptr) {
            *fault = why;
        }
        return false;
    };
    if (offset > size) {
        return refuse("begins past the end of the file");
    }
    const uint8_t* e = image + offset;
    const size_t left = size - offset;
    size_t headerSize = kVersion0Header;
    size_t headerLength = 0;
    const uint8_t* fields = e;  // width, height, stride, key colour
    if (version >= 1) {
        if (left < 2) {
            return refuse("header is cut off by the end of the file");
        }
        headerLength = Read16(e);
        if (headerLength < kShortestHeaderLength) {
            return refuse("header length is below 8");
        }
        headerSize = 2 + headerLength;
        fields = e + 2;
    }
    if (left < headerSize) {
        return refuse("header is cut off by the end of the file");
    }
    DarEntry d{};
    d.width = ReadSigned16(fields);
    d.height = ReadSigned16(fields + 2);
    d.stride = Read16(fields + 4);
    d.keyColour = ReadSigned16(fields + 6);
    d.visibleHeight = d.height;
    if (headerLength >= kHotSpotHeaderLength) {
        d.hotX = ReadSigned16(e + 10);
        d.hotY = ReadSigned16(e + 12);
        d.visibleHeight = ReadSigned16(e + 14);
    }
    if (headerLength >= kExtensionHeaderLength) {
        d.extension = e + kExtensionOffset;
    }
    if (d.width < 0 || d.height < 0 || d.visibleHeight < 0) {
        return refuse("width or height is negative");
    }
    if (d.visibleHeight > d.height) {
        return refuse("visible height is above height");
    }
    const size_t rowBytes = size_t{static_cast<uint16_t>(d.height)} * d.stride;
    if (rowBytes > left - headerSize) {
        return refuse("rows (height x stride) run past the end of the file");
    }
    d.rows = e + headerSize;
    d.end = offset + headerSize + rowBytes;
    // Without a key colour the bitmap view reads each row as its segment word and
    // the width's pixels.
    if (d.keyColour < 0 && d.height > 0 && size_t{4} + static_cast<size_t>(d.width) > d.stride) {
        return refuse("has no key colour and a stride too short for its width");
    }
    for (int r = 0; r < d.height; ++r) {
        if (!DarRowFits(d.rows + static_cast<size_t>(r) * d.stride, d.stride, d.width)) {
            return refuse("a row's runs reach past the row's stride");
        }
    }
    *entry = d;
    return true;
}

} // namespace sprox
