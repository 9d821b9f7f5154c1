// A slow model of whole pattern draws: for every line of the frame that a draw
// reaches, which pattern row lands there, shifted how far, and what it writes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "blit/rle_model.h"
#include "sprox.h"
#include "sprox/display/backend.h"
#include "sprox/pattern/pattern.h"
#include "sprox/pattern/put.h"

namespace model {

// A pattern registered by hand: its picture holds every stored row, top first;
// the visible band is the rows rowsAbove .. rowsAbove + visible - 1 of it.
struct Pattern {
    Picture picture;
    Encoded encoded;
    int number = 0;
    int rowsAbove = 0;
    int visible = 0;
    int hotX = 0;
    int hotY = 0;

    int Below() const { return picture.height - rowsAbove - visible; }
    // Band row b counted from the bottom of the band.
    const uint8_t* BandRow(int64_t b) const { return encoded.row(static_cast<int>(Below() + b)); }

    void Register() const
    {
        static uint8_t header[1036] = {4};
        sprox::PatternRecord& r = sprox::gPattern.patterns[number];
        r = {};
        r.header = header;
        r.data = encoded.data();
        r.width = static_cast<int16_t>(picture.width);
        r.visibleHeight = static_cast<int16_t>(visible);
        r.rowsAbove = static_cast<int16_t>(rowsAbove);
        r.storedHeight = static_cast<int16_t>(picture.height);
        r.hotX = static_cast<int16_t>(hotX);
        r.hotY = static_cast<int16_t>(hotY);
        r.stride = encoded.stride;
        r.keyColour = 0;
        if (sprox::gPattern.patternTop <= static_cast<uint32_t>(number)) {
            sprox::gPattern.patternTop = static_cast<uint32_t>(number) + 1;
        }
    }
};

inline Pattern MakePattern(const Picture& pic, int number, int rowsAbove, int visible, int hotX,
                           int hotY, std::mt19937* rng)
{
    Pattern p;
    p.picture = pic;
    p.encoded = Encode(pic, rng, rng != nullptr ? 4 * ((*rng)() % 2) : 0);
    p.number = number;
    p.rowsAbove = rowsAbove;
    p.visible = visible;
    p.hotX = hotX;
    p.hotY = hotY;
    return p;
}

// A frame with guard bytes all round it, top-down or bottom-up in memory.
struct Frame {
    static constexpr int kMargin = 8;
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    bool bottomUp = false;
    std::vector<uint8_t> buffer;

    Frame(int w, int h, bool up, std::mt19937& rng) : width(w), height(h), bottomUp(up)
    {
        rowBytes = w + 2 * kMargin;
        buffer.resize(static_cast<size_t>(rowBytes) * (h + 2 * kMargin));
        for (auto& b : buffer) {
            b = static_cast<uint8_t>(rng());
        }
    }
    // Offset of pixel (x, y) in the buffer.
    size_t At(int64_t x, int64_t y) const
    {
        const int64_t line = bottomUp ? height - 1 - y : y;
        return static_cast<size_t>((line + kMargin) * rowBytes + kMargin + x);
    }
    uint8_t* Bits() { return buffer.data() + kMargin * rowBytes + kMargin; }
    int32_t TopOffset() const { return bottomUp ? (height - 1) * rowBytes : 0; }
    int32_t Pitch() const { return bottomUp ? -rowBytes : rowBytes; }
    sprox::FrameView View(const SproxRect& clip)
    {
        return {width, height, Bits(), TopOffset(), Pitch(), clip};
    }
    uint8_t Pixel(int x, int y) const { return buffer[At(x, y)]; }
};

inline uint32_t RotateLeft(uint32_t m, uint32_t bits)
{
    bits &= 31;
    return bits == 0 ? m : (m << bits) | (m >> (32 - bits));
}

// The frame buffer after PatDraw(view of `frame` with `clip`, rq), by the model.
inline std::vector<uint8_t> ExpectedDraw(const Frame& frame, const SproxRect& clip,
                                         const DrawRequest& rq, const Pattern& pat)
{
    std::vector<uint8_t> out = frame.buffer;
    if (rq.pattern != static_cast<uint32_t>(pat.number)) {
        return out;
    }
    uint32_t f = rq.flags;
    const int64_t width = pat.picture.width;
    const int64_t v = pat.visible;

    int64_t scaleX = 256;
    if (f & PD_XZOOM) {
        scaleX = rq.scaleX;
        if (scaleX <= 0) {
            return out;
        }
        if (scaleX == 256) {
            f &= ~uint32_t{PD_XZOOM};
        }
    }
    const int64_t left = rq.x - pat.hotX * scaleX / 256;
    const int64_t placedWidth = scaleX * width / 256;

    bool yzoom = (f & PD_YZOOM) != 0;
    int effect = (f >> 9) & 3;
    int64_t scaleY = 256;
    if (yzoom) {
        scaleY = rq.scaleY;
        if (scaleY <= 0) {
            return out;
        }
        if (scaleY == 256) {
            yzoom = false;
            effect = 0;
        } else if (scaleY < 256) {
            effect = 0;
        }
    }
    const int64_t top = rq.y - pat.hotY * scaleY / 256;
    const int64_t bottom = top + v * scaleY / 256;
    const int64_t cl = std::max<int64_t>(clip.left, left);
    const int64_t cr = std::min<int64_t>(clip.right, left + placedWidth);
    const int64_t ct = std::max<int64_t>(clip.top, top);
    const int64_t cb = std::min<int64_t>(clip.bottom, bottom);
    if (cr <= cl || cb <= ct) {
        return out;
    }
    const int64_t h = cb - ct;
    const bool flip = (f & PD_VFLIP) != 0;
    const int64_t cut = flip ? ct - top : bottom - cb;
    const int64_t s0 = yzoom ? cut * 256 / scaleY : cut;
    const int64_t frac = yzoom ? cut * 256 % scaleY : 0;

    const Kind kind = KindOf(f & 63);
    uint32_t mesh = 0;
    if (kind.op == Op::Mesh) {
        const uint32_t c = static_cast<uint32_t>(cb) & 3;
        if (flip) {
            const uint32_t swapped = ((rq.mesh & 0x00FF00FFu) << 8) | ((rq.mesh >> 8) & 0x00FF00FFu);
            mesh = RotateLeft(swapped, 8 * (c ^ 2));
        } else {
            mesh = RotateLeft(rq.mesh, 8 * c);
        }
    }

    // The source row of the enlargement that line i belongs to.
    auto enlargedRow = [&](int64_t i) {
        int64_t j = 0;
        while ((j + 1) * scaleY / 256 - frac / 256 <= i) {
            ++j;
        }
        return j;
    };
    const int mode = (yzoom ? 1 : 0) | effect << 1;
    const bool wave = rq.waveAmplitude != 0 && (mode == 2 || mode == 3);
    const int64_t period = std::abs(int64_t{rq.wavePeriod});

    int turns = 0;  // mask bytes used so far
    for (int64_t i = 0; i < h; ++i) {
        const int64_t y = flip ? ct + i : cb - 1 - i;
        std::optional<int64_t> band;
        int64_t rowLeft = left;
        switch (mode) {
        case 0:
        case 2:
            band = s0 + i;
            break;
        case 1:
        case 3:
            if (scaleY < 256) {
                band = s0 + 256 * i / scaleY;
            } else if (wave) {
                band = s0 + i * (256 * h / scaleY) / h;
            } else {
                band = s0 + enlargedRow(i);
            }
            break;
        case 4:
        case 5: {
            if (rq.wavePeriod <= 0) {
                break;
            }
            const int64_t height = mode == 4 ? v : bottom - top;
            const int64_t k = height - cut - 1 - i;
            const int phase = static_cast<int>((rq.wavePhase + 256 * k / rq.wavePeriod) & 255);
            const int envelope = static_cast<int>((128 * k / height) & 255);
            const int64_t d = sprox::kSine[phase] * sprox::kSine[envelope] * v / 65536;
            const int64_t r = (mode == 4 ? i : 256 * i / scaleY) - d;
            if (s0 + r >= 0 && s0 + r < v) {
                band = s0 + r;
            }
            break;
        }
        case 6:
            return out;
        case 7: {
            const int64_t j = enlargedRow(i);
            if (i == 0 || enlargedRow(i - 1) != j) {
                band = s0 + j;
            }
            break;
        }
        }
        if (wave && period != 0) {
            int8_t a = static_cast<int8_t>(rq.waveAmplitude & 0xFF);
            if (rq.wavePeriod < 0 && i % 2 == 1) {
                a = static_cast<int8_t>(-static_cast<uint8_t>(a));
            }
            rowLeft += (sprox::kSine[static_cast<uint64_t>(rq.wavePhase + 512 * i / period) & 255] * a) >> 7;
        }
        if (!band) {
            ++turns;  // the line is passed over, the mask moves on
            continue;
        }
        const int64_t vl = std::max<int64_t>(clip.left, rowLeft);
        const int64_t vr = std::min<int64_t>(clip.right, rowLeft + placedWidth);
        if (vr <= vl) {
            continue;  // a wave row shifted out of the clip rectangle
        }
        const int span = static_cast<int>(vr - vl);
        const int skipLeft = static_cast<int>(vl - rowLeft);
        const int skipRight = static_cast<int>(placedWidth - skipLeft - span);
        auto writes = RowWrites(DecodeRow(pat.BandRow(*band), static_cast<int>(width)), kind.mode,
                                kind.mirror, span, kind.mirror ? skipRight : skipLeft,
                                static_cast<int>(scaleX));
        const uint8_t mask = static_cast<uint8_t>(mesh >> (8 * (turns % 4)));
        for (auto [k, s] : writes) {
            Apply(kind.op, rq.table, mask, vl + k, out[frame.At(vl + k, y)], s);
        }
        ++turns;
    }
    return out;
}

} // namespace model
