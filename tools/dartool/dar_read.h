// Reading DAR archives back into plain pictures, checking every offset and length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dar_picture.h"

namespace dar {

// One entry header, where it lies in the file.
struct EntryInfo {
    size_t offset = 0;          // of the entry
    int headerLength = 0;       // L of version 1; 0 for version 0
    int width = 0;
    int height = 0;             // stored rows
    unsigned stride = 0;
    int key = -1;
    int hotX = 0;
    int hotY = 0;
    int visibleHeight = 0;
    size_t rowsOffset = 0;      // of the bottom stored row
};

struct ArchiveInfo {
    int version = 0;
    int count = 0;              // N as stored
    uint32_t paletteOffset = 0; // P, from offset 8
    Palette palette{};
    std::vector<EntryInfo> entries;
};

// The head and every entry header; false with a reason when anything lies outside
// the file or the version is unknown.
bool ReadDarInfo(std::span<const uint8_t> file, ArchiveInfo* info, std::string* error);

// The pixels of one entry. Transparent pixels take the key colour (0 when the
// entry has none). False with a reason when a row reaches outside its stride.
bool DecodePicture(std::span<const uint8_t> file, const EntryInfo& entry, Picture* out,
                   std::string* error);

// Both of the above for the whole archive.
bool ReadDar(std::span<const uint8_t> file, ArchiveInfo* info, std::vector<Picture>* pictures,
             std::string* error);

} // namespace dar
