#include "dar_write.h"

#include <algorithm>

namespace dar {
namespace {

constexpr uint32_t kPaletteOffset = 4;   // palette right after the offset word, at 12

void Put16(std::vector<uint8_t>& out, int value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void PutSegment(std::vector<uint8_t>& row, size_t phase, int skip, const uint8_t* opaque,
                int count)
{
    // Every word after the row's first one starts on a multiple of 4 of the file offset.
    if (!row.empty()) {
        while ((phase + row.size()) % 4 != 0) {
            row.push_back(0);
        }
    }
    Put32(row, static_cast<uint32_t>(skip) | static_cast<uint32_t>(count) << 16);
    row.insert(row.end(), opaque, opaque + count);
}

bool Fail(std::string* error, std::string text)
{
    if (error != nullptr) {
        *error = std::move(text);
    }
    return false;
}

bool FitsInt16(int value) { return value >= -32768 && value <= 32767; }

} // namespace

std::vector<uint8_t> EncodeRow(const uint8_t* pixels, int width, int key, size_t phase)
{
    std::vector<uint8_t> row;
    if (key < 0) {
        PutSegment(row, phase, 0, pixels, width);
        return row;
    }
    int x = 0;
    while (x < width) {
        int skip = 0;
        while (x + skip < width && pixels[x + skip] == key) {
            ++skip;
        }
        int count = 0;
        while (x + skip + count < width && pixels[x + skip + count] != key) {
            ++count;
        }
        PutSegment(row, phase, skip, pixels + x + skip, count);
        x += skip + count;
    }
    return row;
}

bool WriteDar(const Palette& palette, const std::vector<Picture>& pictures,
              const WriteOptions& options, std::vector<uint8_t>* out, std::string* error)
{
    if (options.version != 0 && options.version != 1) {
        return Fail(error, "version must be 0 or 1");
    }
    if (options.version == 1 && (options.headerLength < 8 || options.headerLength > 0xFFFF)) {
        return Fail(error, "header length must be 8 to 65535");
    }
    if (pictures.size() > 0xFFFF) {
        return Fail(error, "more than 65535 patterns");
    }
    const bool holdsHotSpot = options.version == 1 && options.headerLength >= 14;
    const size_t headerSize = options.version == 0 ? 8 : 2 + static_cast<size_t>(options.headerLength);

    std::vector<uint8_t> file;
    file.insert(file.end(), {'D', 'A', 'R', ':', '8'});
    file.push_back(static_cast<uint8_t>(options.version));
    Put16(file, static_cast<int>(pictures.size()));
    Put32(file, kPaletteOffset);
    file.insert(file.end(), palette.begin(), palette.end());

    for (size_t i = 0; i < pictures.size(); ++i) {
        const Picture& p = pictures[i];
        const std::string which = "pattern " + std::to_string(i) + ": ";
        if (p.width < 0 || p.height < 0 || p.width > 32767 || p.height > 32767) {
            return Fail(error, which + "width and height must be 0 to 32767");
        }
        if (p.pixels.size() != static_cast<size_t>(p.width) * p.height) {
            return Fail(error, which + "pixel count does not match the size");
        }
        if (p.key > 255) {
            return Fail(error, which + "key colour must be a colour index");
        }
        if (!FitsInt16(p.hotX) || !FitsInt16(p.hotY)) {
            return Fail(error, which + "hot spot out of range");
        }
        if (!holdsHotSpot && (p.hotX != 0 || p.hotY != 0)) {
            return Fail(error, which + "a hot spot needs version 1 with a header of 14 bytes or more");
        }
        // Every row starts at the same phase, since the stride is a multiple of 4.
        const size_t phase = (file.size() + headerSize) % 4;
        std::vector<std::vector<uint8_t>> rows;
        size_t longest = 0;
        for (int r = 0; r < p.height; ++r) {
            const int y = p.height - 1 - r;  // stored bottom row first
            rows.push_back(EncodeRow(p.pixels.data() + static_cast<size_t>(y) * p.width, p.width,
                                     p.key < 0 ? -1 : p.key, phase));
            longest = std::max(longest, rows.back().size());
        }
        const size_t stride = (longest + 3) / 4 * 4;
        if (stride > 0xFFFF) {
            return Fail(error, which + "a row needs more than 65535 bytes");
        }

        const size_t entryStart = file.size();
        if (options.version == 1) {
            Put16(file, options.headerLength);
        }
        Put16(file, p.width);
        Put16(file, p.height);
        Put16(file, static_cast<int>(stride));
        Put16(file, p.key < 0 ? -1 : p.key);
        if (holdsHotSpot) {
            Put16(file, p.hotX);
            Put16(file, p.hotY);
            Put16(file, p.height);   // visible height: every stored row
        }
        file.resize(entryStart + headerSize, 0);  // extension bytes, if any, are zero
        for (auto& row : rows) {
            row.resize(stride, 0);
            file.insert(file.end(), row.begin(), row.end());
        }
    }
    *out = std::move(file);
    return true;
}

} // namespace dar
