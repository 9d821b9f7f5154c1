#include "sprox/display/palette.h"

#include <cstring>
#include <iterator>

#include "sprox/display/backend.h"
#include "sprox/sys/machine.h"

namespace sprox {
namespace {

constexpr int kStatics = 10;
// The system colours whose values differ between systems; a game colour equal to
// one of them would be merged with it.
constexpr int kVaryingColours[] = {8, 9, 246, 247};

// How many static colours the screen reserves at each end of the palette.
int StaticColours(sys::Gdi* gdi, sys::Handle screen)
{
    if (gdi == nullptr || gDisplay.primary != nullptr) {
        return 0;
    }
    return gdi->GetDeviceCaps(screen, sys::kBitsPixel) > 8 ? 0 : kStatics;
}

bool SameColour(const SproxColor& a, const SproxColor& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

void BuildIdentityPalette(SproxColor* table, bool writeBack)
{
    sys::PaletteEntry* entries = gDisplay.logPalette.entries;
    gDisplay.logPalette.version = sys::kPaletteVersion;
    gDisplay.logPalette.count = 256;

    sys::Gdi* gdi = sys::M().gdi();
    sys::Handle screen = gdi != nullptr ? gdi->GetScreenDC() : nullptr;
    int statics = StaticColours(gdi, screen);
    int hi = 256 - statics;
    if (statics != 0) {
        std::memset(entries, 0, statics * sizeof *entries);
        std::memset(entries + hi, 0, statics * sizeof *entries);
        gdi->GetSystemPaletteEntries(screen, 0, statics, entries);
        gdi->GetSystemPaletteEntries(screen, hi, statics, entries + hi);
    }
    if (gdi != nullptr) {
        gdi->ReleaseScreenDC(screen);
    }

    for (int i = 0; i < 256; ++i) {
        if (i < statics || i >= hi) {
            entries[i].flags = 0;
            if (writeBack) {
                table[i].red = entries[i].red;
                table[i].green = entries[i].green;
                table[i].blue = entries[i].blue;
            }
        } else {
            entries[i] = {table[i].red, table[i].green, table[i].blue, sys::kPcNoCollapse};
        }
    }
    if (statics == 0) {
        return;
    }

    // The k-th duplicate of one of the varying system colours gets a blue that
    // differs from it by k.
    int counters[std::size(kVaryingColours)] = {};
    for (int i = statics; i < hi; ++i) {
        for (size_t v = 0; v < std::size(kVaryingColours); ++v) {
            if (!SameColour(table[i], table[kVaryingColours[v]])) {
                continue;
            }
            int c = ++counters[v];
            int blue = table[i].blue - c;
            if (blue < 0) {
                blue = table[i].blue + c;
            }
            entries[i].blue = static_cast<uint8_t>(blue);
            if (writeBack) {
                table[i].blue = static_cast<uint8_t>(blue);
            }
            break;
        }
    }
}

} // namespace sprox
