#include "dar_read.h"

#include <algorithm>

namespace dar {
namespace {

constexpr size_t kHeadSize = 1036;

unsigned Get16(std::span<const uint8_t> f, size_t at) { return f[at] | f[at + 1] << 8; }

int GetSigned16(std::span<const uint8_t> f, size_t at)
{
    return static_cast<int16_t>(static_cast<uint16_t>(Get16(f, at)));
}

uint32_t Get32(std::span<const uint8_t> f, size_t at)
{
    return Get16(f, at) | static_cast<uint32_t>(Get16(f, at + 2)) << 16;
}

bool Fail(std::string* error, std::string text)
{
    if (error != nullptr) {
        *error = std::move(text);
    }
    return false;
}

} // namespace

bool ReadDarInfo(std::span<const uint8_t> file, ArchiveInfo* info, std::string* error)
{
    if (file.size() < 5 || !std::equal(file.begin(), file.begin() + 5, "DAR:8")) {
        return Fail(error, "not a DAR archive");
    }
    if (file.size() < kHeadSize) {
        return Fail(error, "shorter than the archive head");
    }
    ArchiveInfo a;
    a.version = file[5];
    a.count = static_cast<int>(Get16(file, 6));
    a.paletteOffset = Get32(file, 8);
    if (a.version > 1) {
        return Fail(error, "unknown version " + std::to_string(a.version));
    }
    if (8 + uint64_t{a.paletteOffset} + 1024 > file.size()) {
        return Fail(error, "palette lies outside the file");
    }
    std::copy_n(file.begin() + 8 + a.paletteOffset, 1024, a.palette.begin());

    size_t at = kHeadSize;
    for (int i = 0; i < a.count; ++i) {
        const std::string which = "entry " + std::to_string(i) + ": ";
        EntryInfo e;
        e.offset = at;
        size_t fields = at;
        size_t headerSize = 8;
        if (a.version == 1) {
            if (file.size() - at < 2) {
                return Fail(error, which + "cut off");
            }
            e.headerLength = static_cast<int>(Get16(file, at));
            if (e.headerLength < 8) {
                return Fail(error, which + "header length below 8");
            }
            fields = at + 2;
            headerSize = 2 + static_cast<size_t>(e.headerLength);
        }
        if (file.size() - at < headerSize) {
            return Fail(error, which + "header cut off");
        }
        e.width = GetSigned16(file, fields);
        e.height = GetSigned16(file, fields + 2);
        e.stride = Get16(file, fields + 4);
        e.key = GetSigned16(file, fields + 6);
        e.visibleHeight = e.height;
        if (e.headerLength >= 14) {
            e.hotX = GetSigned16(file, at + 10);
            e.hotY = GetSigned16(file, at + 12);
            e.visibleHeight = GetSigned16(file, at + 14);
        }
        if (e.width < 0 || e.height < 0) {
            return Fail(error, which + "negative size");
        }
        e.rowsOffset = at + headerSize;
        const size_t rowBytes = static_cast<size_t>(e.height) * e.stride;
        if (file.size() - e.rowsOffset < rowBytes) {
            return Fail(error, which + "rows run past the end of the file");
        }
        at = e.rowsOffset + rowBytes;
        a.entries.push_back(e);
    }
    *info = std::move(a);
    return true;
}

bool DecodePicture(std::span<const uint8_t> file, const EntryInfo& e, Picture* out,
                   std::string* error)
{
    Picture p;
    p.width = e.width;
    p.height = e.height;
    p.key = e.key < 0 ? -1 : e.key;
    p.hotX = e.hotX;
    p.hotY = e.hotY;
    p.pixels.assign(static_cast<size_t>(e.width) * e.height, static_cast<uint8_t>(p.key < 0 ? 0 : p.key));
    for (int r = 0; r < e.height; ++r) {
        const size_t row = e.rowsOffset + static_cast<size_t>(r) * e.stride;
        uint8_t* line = p.pixels.data() + static_cast<size_t>(e.height - 1 - r) * e.width;
        // at: offset inside the row; segment words after the first start on a
        // multiple of 4 of the file offset.
        size_t at = 0;
        int x = 0;
        while (x < e.width) {
            if (at + 4 > e.stride) {
                return Fail(error, "row " + std::to_string(r) + " runs past its stride");
            }
            const uint32_t word = Get32(file, row + at);
            const int skip = static_cast<int>(word & 0xFFFF);
            const int count = static_cast<int>(word >> 16);
            if (skip >= e.width - x) {
                break;
            }
            x += skip;
            const int used = std::min(count, e.width - x);
            if (at + 4 + used > e.stride) {
                return Fail(error, "row " + std::to_string(r) + " runs past its stride");
            }
            std::copy_n(file.begin() + row + at + 4, used, line + x);
            x += used;
            at = (row + at + 4 + count + 3) / 4 * 4 - row;
        }
    }
    *out = std::move(p);
    return true;
}

bool ReadDar(std::span<const uint8_t> file, ArchiveInfo* info, std::vector<Picture>* pictures,
             std::string* error)
{
    ArchiveInfo a;
    if (!ReadDarInfo(file, &a, error)) {
        return false;
    }
    std::vector<Picture> all;
    for (size_t i = 0; i < a.entries.size(); ++i) {
        Picture p;
        if (!DecodePicture(file, a.entries[i], &p, error)) {
            if (error != nullptr) {
                *error = "entry " + std::to_string(i) + ": " + *error;
            }
            return false;
        }
        all.push_back(std::move(p));
    }
    *info = std::move(a);
    *pictures = std::move(all);
    return true;
}

} // namespace dar
