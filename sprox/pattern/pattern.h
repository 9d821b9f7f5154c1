// The process-wide pattern and archive tables, filled from DAR archives.
#pragma once

#include <cstdint>

namespace sprox {

inline constexpr int kMaxPatterns = 2048;   // MAX_PATTERNS
inline constexpr int kMaxArchives = 32;     // MAX_ARCHIVES; slot 0 is never used

// One registered pattern. In use while header is not null.
struct PatternRecord {
    const uint8_t* header;    // header block; its palette lies at header + *(uint32_t*)header
    const uint8_t* data;      // first stored row (the bottom row)
    uint8_t* bitmapBits;      // rows of the converted bitmap, null until converted
    uint16_t archive;         // archive slot that owns the image
    uint16_t reserved;
    int16_t width;
    int16_t visibleHeight;    // rows drawn
    int16_t rowsAbove;        // stored rows above the visible band
    int16_t storedHeight;
    int16_t hotX, hotY;       // the pixel placed at the drawing position
    uint32_t stride;          // bytes per stored row
    int32_t keyColour;        // transparent colour index; negative: no transparency
    void* surface;            // never created by this library
    const uint8_t* extension; // extension bytes of the entry header, or null
};

// One loaded archive image.
struct ArchiveSlot {
    int32_t liveCount;        // records that still refer to the image; 0 = free
    int32_t sourceKind;
    uint32_t resource;        // 0 for a file
    uint8_t* image;           // owned by the slot
};

extern PatternRecord gPatterns[kMaxPatterns];
extern uint32_t gPatternTop;  // one past the highest pattern number in use
extern ArchiveSlot gArchives[kMaxArchives];
extern int32_t gArchiveTop;   // one past the highest slot in use, never below 1

int PatEntryDARFile(int first, int count, const char* name);
void PatRelease(int pattern);
void PatReleaseFrom(int first);

} // namespace sprox
