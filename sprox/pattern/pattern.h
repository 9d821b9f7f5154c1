// sprox/pattern/: the pattern subsystem: DAR archives, the pattern table, and every
// call that locks a frame and places a pattern (put, draw, rotate-zoom). May include
// display/ (for the frames it draws into), blit/, core/ and sys/.
//
// The process-wide pattern and archive tables, filled from DAR archives.
//
// A pattern record points into the image of the archive it came from; the archive
// slot owns that image and frees it when the last of its patterns is released.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sprox/display/frame.h"

namespace sprox {

inline constexpr int kMaxPatterns = 2048;   // MAX_PATTERNS
inline constexpr int kMaxArchives = 32;     // MAX_ARCHIVES; slot 0 is never used

// Source kind of an archive slot. Archives come only from files here.
inline constexpr int32_t kSourceFile = 1;

// One registered pattern. In use while header is not null.
struct PatternRecord {
    uint8_t* header;          // header block; its palette lies at header + *(uint32_t*)header.
                              // Inside the archive image, or the converted bitmap's own
                              // block once bitmapBits is set (then the record owns it).
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

// Everything the pattern subsystem keeps. Set up when the library loads: as a
// constant image the empty tables would fill the library file.
struct PatternState {
    PatternRecord patterns[kMaxPatterns];
    uint32_t patternTop;      // one past the highest pattern number in use
    ArchiveSlot archives[kMaxArchives];
    int32_t archiveTop;       // one past the highest slot in use, never below 1

    PatternState();
};

extern PatternState gPattern;

// Reads the archive file and registers up to `count` of its patterns from pattern
// number `first` on. Returns the number registered; 0 on every failure.
int PatEntryDARFile(int first, int count, const char* name);

// Checks the archive image (`size` bytes, from ReadWholeFile) and registers up to
// `count` of its patterns from `first` on. On success the image belongs to the
// archive table; on 0 it is still the caller's. An archive that does not hold
// together (an entry or a row reaching outside the image) registers nothing.
int PatEntryDAR(int first, int count, int32_t kind, uint8_t* image, size_t size);

// The colour table of pattern n (the 256 entries its header block points at) and
// whether a palette build may write it back (not for archives of source kinds 0
// and 2, which keep their palettes as they are); colours null when n names no
// registered pattern.
PaletteSource PatternColours(int pattern);

// Why pattern n cannot be drawn, in English for the diagnostic channel; null when
// it can be.
const char* PatternFault(uint32_t n);

// The lowest free archive slot 1..31, or -1.
int FindArchiveSlot();

// Empties one record; numbers out of range and empty records are left alone.
void PatRelease(int pattern);
// Takes the record's hold off its archive; the last hold frees the image.
void PatDropArchive(int pattern);
// Empties every record from `first` up (negative counts as 0).
void PatReleaseFrom(int first);

} // namespace sprox
