// Fuzzes the DAR reader: any bytes as an archive image. Whatever registers is then
// read the way the drawing code reads it (every row walked across its width, the
// rows of key-less patterns as plain pixel rows, the palette), so a check that
// lets a bad archive through shows up as a read outside the image. Everything is
// released again, and every block must be back.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fake/fake_machine.h"
#include "sprox/pattern/pattern.h"

namespace {

volatile uint32_t gSink;

uint32_t Load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

uint32_t WalkRow(const uint8_t* seg, int width)
{
    uint32_t sum = 0;
    int remaining = width;
    while (remaining > 0) {
        const uint32_t word = Load32(seg);
        const int skip = static_cast<int>(word & 0xFFFF);
        const int count = static_cast<int>(word >> 16);
        if (remaining <= skip) {
            break;
        }
        remaining -= skip;
        const int n = count < remaining ? count : remaining;
        for (int i = 0; i < n; ++i) {
            sum += seg[4 + i];
        }
        remaining -= n;
        seg = reinterpret_cast<const uint8_t*>(
            (reinterpret_cast<uintptr_t>(seg) + 4 + static_cast<uintptr_t>(count) + 3) & ~uintptr_t{3});
    }
    return sum;
}

uint32_t ReadPattern(const sprox::PatternRecord& r)
{
    uint32_t sum = 0;
    const int below = r.storedHeight - r.rowsAbove - r.visibleHeight;
    if (below < 0 || below > r.storedHeight) {
        std::abort();   // the visible band must lie inside the stored rows
    }
    for (int y = 0; y < r.storedHeight; ++y) {
        const uint8_t* row = r.data + static_cast<size_t>(y) * r.stride;
        sum += WalkRow(row, r.width);
        if (r.keyColour < 0) {
            for (int x = 0; x < r.width; ++x) {
                sum += row[4 + x];
            }
        }
    }
    const uint8_t* palette = r.header + Load32(r.header);
    sum += palette[0] + palette[1023];
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fake::FakeMachine& m = fake::machine();
    auto* image = static_cast<uint8_t*>(m.GlobalAlloc(size));
    if (size > 0) {
        std::memcpy(image, data, size);
    }
    const int n = sprox::PatEntryDAR(0, sprox::kMaxPatterns, sprox::kSourceFile, image, size);
    if (n <= 0) {
        m.GlobalFree(image);
    }
    for (int p = 0; p < n; ++p) {
        gSink = gSink + ReadPattern(sprox::gPattern.patterns[p]);
    }
    sprox::PatReleaseFrom(0);
    if (m.liveBlocks != 0 || sprox::gPattern.patternTop != 0 || sprox::gPattern.archiveTop != 1) {
        std::abort();
    }
    m.boxes.clear();
    return 0;
}
