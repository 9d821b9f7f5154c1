// Pattern put and draw. A pattern's stored rows run from the bottom of the picture
// up; the visible band is visibleHeight rows ending rowsAbove rows below the top of
// the stored rows. Rows are drawn from the bottom of the placed pattern upwards
// (with PD_VFLIP from its top downwards, the bottom row first), so the source
// always walks the stored rows forwards.
//
// Placement is computed in 64 bits: scales can push the placed rectangle far
// beyond the frame, and what reaches the blitter must fit its 32-bit fields.
#include "sprox/pattern/put.h"

#include <algorithm>
#include <cstdlib>

#include "sprox/pattern/pattern.h"

namespace sprox {

const std::array<int8_t, 256> kSine = {
       0,    3,    6,    9,   12,   15,   18,   21,   24,   28,   31,   34,   37,   40,   43,   46,
      48,   51,   54,   57,   60,   63,   65,   68,   71,   73,   76,   78,   81,   83,   85,   88,
      90,   92,   94,   96,   98,  100,  102,  104,  106,  108,  109,  111,  112,  114,  115,  117,
     118,  119,  120,  121,  122,  123,  124,  124,  125,  126,  126,  127,  127,  127,  127,  127,
     127,  127,  127,  127,  127,  127,  126,  126,  125,  124,  124,  123,  122,  121,  120,  119,
     118,  117,  115,  114,  112,  111,  109,  108,  106,  104,  102,  100,   98,   96,   94,   92,
      90,   88,   85,   83,   81,   78,   76,   73,   71,   68,   65,   63,   60,   57,   54,   51,
      48,   46,   43,   40,   37,   34,   31,   28,   24,   21,   18,   15,   12,    9,    6,    3,
       0,   -3,   -6,   -9,  -12,  -15,  -18,  -21,  -24,  -28,  -31,  -34,  -37,  -40,  -43,  -46,
     -48,  -51,  -54,  -57,  -60,  -63,  -65,  -68,  -71,  -73,  -76,  -78,  -81,  -83,  -85,  -88,
     -90,  -92,  -94,  -96,  -98, -100, -102, -104, -106, -108, -109, -111, -112, -114, -115, -117,
    -118, -119, -120, -121, -122, -123, -124, -124, -125, -126, -126, -127, -127, -127, -127, -127,
    -127, -127, -127, -127, -127, -127, -126, -126, -125, -124, -124, -123, -122, -121, -120, -119,
    -118, -117, -115, -114, -112, -111, -109, -108, -106, -104, -102, -100,  -98,  -96,  -94,  -92,
     -90,  -88,  -85,  -83,  -81,  -78,  -76,  -73,  -71,  -68,  -65,  -63,  -60,  -57,  -54,  -51,
     -48,  -46,  -43,  -40,  -37,  -34,  -31,  -28,  -24,  -21,  -18,  -15,  -12,   -9,   -6,   -3,
};

namespace {

// A placed rectangle reaching beyond this many pixels from the origin (only
// enormous scales get there) is not drawn, so that every offset and size that a
// blitter gets fits in 32 bits.
constexpr int64_t kPlaceLimit = int64_t{1} << 30;

constexpr uint32_t kRowModeBits = 0x700;  // PD_YZOOM and the row effect

// The record of pattern n if it can be drawn: in use, not empty, with its visible
// band inside its stored rows.
const PatternRecord* Drawable(uint32_t n)
{
    if (n >= static_cast<uint32_t>(kMaxPatterns)) {
        return nullptr;
    }
    const PatternRecord& r = gPattern.patterns[n];
    if (r.header == nullptr || r.data == nullptr || r.width <= 0 || r.visibleHeight <= 0 ||
        r.rowsAbove < 0 || r.storedHeight - r.rowsAbove - r.visibleHeight < 0) {
        return nullptr;
    }
    return &r;
}

// Stored rows below the visible band.
int64_t Below(const PatternRecord& r)
{
    return int64_t{r.storedHeight} - r.rowsAbove - r.visibleHeight;
}

uint32_t RotateRight(uint32_t m, uint32_t bits)
{
    bits &= 31;
    return (m >> bits) | (m << ((32 - bits) & 31));
}

bool Placeable(int64_t v)
{
    return v >= -kPlaceLimit && v <= kPlaceLimit;
}

// What the row modes need beyond the BlitParam of the whole draw.
struct Draw {
    BlitParam p;          // filled for one call over all rows
    Blitter blit;
    const FrameView* view;
    const DrawRequest* request;
    const PatternRecord* record;
    const uint8_t* src0;  // first source row
    int64_t s0;           // its index in the visible band, from the bottom
    int64_t frac;         // vertical position of the first row drawn within s0, 1/256
    int64_t scaleY;
    int64_t left, right, top, bottom;
    int64_t firstRow;     // frame row of the first row drawn
    int64_t rowStep;      // +pitch or -pitch
    int64_t cut;          // rows of the placed pattern cut off before the first one drawn
    int64_t h;            // rows drawn
    int64_t end;          // one past the bottom frame row drawn
};

const uint8_t* SourceRow(const Draw& d, int64_t r)
{
    return d.src0 + r * static_cast<int64_t>(d.record->stride);
}

void OneRow(Draw& d, const uint8_t* src)
{
    d.p.rows = 1;
    d.p.src = src;
    d.blit(&d.p);
}

// Vertical scaling: shrinking draws each line from the source row under its top;
// enlarging draws each source row once over the lines it covers.
void ScaleRows(Draw& d)
{
    d.p.srcStep = 0;
    if (d.scaleY < 256) {
        for (int64_t i = 0; i < d.h; ++i) {
            OneRow(d, SourceRow(d, 256 * i / d.scaleY));
        }
        return;
    }
    int64_t p = d.frac;
    int64_t q = d.scaleY;
    const int64_t end = 256 * d.h + d.frac;
    int64_t j = 0;
    while (q < end) {
        d.p.rows = static_cast<int32_t>(q / 256 - p / 256);
        d.p.src = SourceRow(d, j);
        d.blit(&d.p);
        p = q;
        q += d.scaleY;
        ++j;
    }
    const int64_t n = end / 256 - p / 256;
    if (n > 0) {
        d.p.rows = static_cast<int32_t>(n);
        d.p.src = SourceRow(d, j);
        d.blit(&d.p);
    }
}

// Wave: every row shifted sideways by a sine of its index and clipped by itself.
void WaveRows(Draw& d, bool enlarged)
{
    const DrawRequest& rq = *d.request;
    const SproxRect& clip = d.view->clip;
    const int64_t period = std::abs(int64_t{rq.wavePeriod});
    auto amplitude = static_cast<int8_t>(rq.waveAmplitude & 0xFF);
    const int64_t width = d.right - d.left;
    const int64_t q = enlarged ? 256 * d.h / d.scaleY : 0;
    uint8_t* rowBase = d.view->bits + d.view->topOffset + d.firstRow * d.view->pitch + clip.left;
    d.p.srcStep = 0;
    d.p.dstStep = 0;
    for (int64_t i = 0; i < d.h; ++i) {
        // A period of 0 would divide by zero: such a wave leaves its rows unshifted.
        int64_t offset = 0;
        if (period != 0) {
            offset = (kSine[static_cast<uint64_t>(rq.wavePhase + 512 * i / period) & 255] *
                      amplitude) >> 7;
        }
        const int64_t rowLeft = d.left + offset;
        int64_t u = rowLeft - clip.left;
        int64_t span = std::min(int64_t{clip.right} - rowLeft, width);
        int64_t skipLeft = 0;
        if (u < 0) {
            span += u;
            skipLeft = -u;
            u = 0;
        }
        if (span > 0) {
            d.p.x = static_cast<int32_t>(rowLeft);
            d.p.span = static_cast<int32_t>(span);
            d.p.skipLeft = static_cast<int32_t>(skipLeft);
            // The columns cut at the right of this row, so that a mirrored row
            // starts from the right pattern column.
            d.p.skipRight = static_cast<int32_t>(width - skipLeft - span);
            d.p.dst = rowBase + u;
            OneRow(d, SourceRow(d, enlarged ? i * q / d.h : i));
        }
        rowBase += d.rowStep;
        if (rq.wavePeriod < 0) {
            amplitude = static_cast<int8_t>(-static_cast<uint8_t>(amplitude));
        }
    }
}

// Ripple: rows displaced vertically by a sine of their place in the pattern,
// under an envelope that vanishes at its top and bottom.
void RippleRows(Draw& d, bool enlarged)
{
    const DrawRequest& rq = *d.request;
    if (rq.wavePeriod <= 0) {
        return;
    }
    const int32_t v = d.record->visibleHeight;
    const int64_t height = enlarged ? d.bottom - d.top : v;
    d.p.srcStep = 0;
    for (int64_t i = 0; i < d.h; ++i) {
        const int64_t k = height - d.cut - 1 - i;
        const int32_t phase = static_cast<int32_t>((rq.wavePhase + 256 * k / rq.wavePeriod) & 255);
        const int32_t envelope = static_cast<int32_t>((128 * k / height) & 255);
        const int32_t shift = kSine[phase] * kSine[envelope] * v / 65536;
        const int64_t r = (enlarged ? 256 * i / d.scaleY : i) - shift;
        if (d.s0 + r < 0 || d.s0 + r >= v) {
            // The displaced row lies outside the pattern: the line stays as it is.
            d.p.dst += d.p.dstStep;
            d.p.mesh = RotateRight(d.p.mesh, 8);
            continue;
        }
        OneRow(d, SourceRow(d, r));
    }
}

// Scan lines: each source row is drawn once, on the first line its enlargement
// covers; its other lines are left untouched.
void ScanRows(Draw& d)
{
    d.p.srcStep = 0;
    int64_t p = d.frac;
    int64_t q = d.scaleY;
    const int64_t end = 256 * d.h + d.frac;
    int64_t j = 0;
    while (q < end) {
        // A source row cut off by the clipping covers no line and is not drawn.
        const int64_t lines = q / 256 - p / 256;
        if (lines > 0) {
            OneRow(d, SourceRow(d, j));
            d.p.dst += (lines - 1) * d.p.dstStep;
            d.p.mesh = RotateRight(d.p.mesh, static_cast<uint32_t>(8 * ((lines - 1) & 3)));
        }
        p = q;
        q += d.scaleY;
        ++j;
    }
    if (end / 256 - p / 256 > 0) {
        OneRow(d, SourceRow(d, j));
    }
}

// Horizontal and vertical placement: left, right, top, bottom and scaleY. Drops
// from *f the scale bits of a 1:1 scale, and the row effects a scale leaves out:
// at 1:1 the row effects go with the scale, a shrunk pattern drops scan lines.
// False: nothing to draw (a scale of 0 or less, a rectangle beyond kPlaceLimit).
bool Place(Draw& d, uint32_t* f)
{
    const DrawRequest& rq = *d.request;
    const PatternRecord& r = *d.record;
    if ((*f & PD_XZOOM) != 0) {
        const int64_t scale = rq.scaleX;
        if (scale <= 0) {
            return false;
        }
        if (scale == 256) {
            *f &= ~uint32_t{PD_XZOOM};
        }
        d.left = rq.x - r.hotX * scale / 256;
        d.right = d.left + scale * r.width / 256;
    } else {
        d.left = int64_t{rq.x} - r.hotX;
        d.right = d.left + r.width;
    }
    d.scaleY = 256;
    if ((*f & PD_YZOOM) != 0) {
        d.scaleY = rq.scaleY;
        if (d.scaleY <= 0) {
            return false;
        }
        if (d.scaleY == 256) {
            *f &= ~kRowModeBits;
        } else if (d.scaleY < 256) {
            *f &= ~uint32_t{PD_SCANLINE};
        }
        d.top = rq.y - r.hotY * d.scaleY / 256;
        d.bottom = d.top + r.visibleHeight * d.scaleY / 256;
    } else {
        d.top = int64_t{rq.y} - r.hotY;
        d.bottom = d.top + r.visibleHeight;
    }
    return Placeable(d.left) && Placeable(d.right) && Placeable(d.top) && Placeable(d.bottom);
}

// Clipping against the clip rectangle only, then the direction, the first source
// row and the BlitParam of one call over all rows. False: nothing left to draw.
bool Clip(Draw& d, uint32_t f)
{
    const DrawRequest& rq = *d.request;
    const PatternRecord& r = *d.record;
    const FrameView& view = *d.view;
    const SproxRect& clip = view.clip;
    const int64_t cl = std::max<int64_t>(clip.left, d.left);
    const int64_t cr = std::min<int64_t>(clip.right, d.right);
    if (cr <= cl) {
        return false;
    }
    const int64_t ct = std::max<int64_t>(clip.top, d.top);
    const int64_t cb = std::min<int64_t>(clip.bottom, d.bottom);
    if (ct >= cb) {
        return false;
    }
    d.h = cb - ct;
    d.end = cb;

    const bool flip = (f & PD_VFLIP) != 0;
    d.firstRow = flip ? ct : cb - 1;
    d.rowStep = flip ? view.pitch : -int64_t{view.pitch};
    d.cut = flip ? ct - d.top : d.bottom - cb;
    if ((f & PD_YZOOM) != 0) {
        d.s0 = d.cut * 256 / d.scaleY;
        d.frac = d.cut * 256 % d.scaleY;
    } else {
        d.s0 = d.cut;
        d.frac = 0;
    }
    d.src0 = r.data + (d.s0 + Below(r)) * static_cast<int64_t>(r.stride);

    BlitParam& p = d.p;
    p.x = static_cast<int32_t>(d.left);
    p.y = static_cast<int32_t>(d.top);
    p.pattern = rq.pattern;
    p.scaleX = (f & PD_XZOOM) != 0 ? rq.scaleX : 256;
    p.scaleY = (f & PD_YZOOM) != 0 ? rq.scaleY : 256;
    p.table = rq.table;
    p.span = static_cast<int32_t>(cr - cl);
    p.rows = static_cast<int32_t>(d.h);
    p.src = d.src0;
    p.dst = view.bits + view.topOffset + d.firstRow * view.pitch + cl;
    p.dstStep = static_cast<int32_t>(d.rowStep);
    p.srcStep = static_cast<int32_t>(r.stride);
    p.skipLeft = static_cast<int32_t>(cl - d.left);
    p.skipRight = static_cast<int32_t>(d.right - cr);
    p.skipRows = static_cast<int32_t>(d.cut);
    return true;
}

// Mesh: a mask that covers every pixel is the plain operation (returned as f
// without PD_MESH). The mask's bytes are aligned to the frame rows by the bottom
// line drawn. The mesh operation is only ROP and recolour together without
// PD_SHADOW; with PD_SHADOW the two bits mean plain and the mask is not used.
uint32_t AlignMesh(Draw& d, uint32_t f)
{
    if ((f & (PD_MESH | PD_SHADOW)) != PD_MESH) {
        return f;
    }
    const uint32_t mesh = d.request->mesh;
    if (mesh == 0xFFFFFFFFu) {
        return f & ~uint32_t{PD_MESH};
    }
    uint32_t mask = mesh;
    uint32_t turn = 8 * (static_cast<uint32_t>(d.end) & 3);
    if ((f & PD_VFLIP) != 0) {
        mask = ((mask & 0x00FF00FFu) << 8) | ((mask >> 8) & 0x00FF00FFu);
        turn ^= 16;
    }
    d.p.mesh = RotateRight(mask, 32 - turn);
    return f;
}

// The rows by the row mode: the row effect with or without PD_YZOOM.
void DrawRows(Draw& d, uint32_t f)
{
    const bool wave = d.request->waveAmplitude != 0;
    switch (f & kRowModeBits) {
    case 0:  // 1:1, no row effect
        d.blit(&d.p);
        break;
    case PD_YZOOM:
        ScaleRows(d);
        break;
    case PD_WAVE:
        if (wave) {
            WaveRows(d, false);
        } else {
            d.blit(&d.p);
        }
        break;
    case PD_WAVE | PD_YZOOM:
        if (wave) {
            WaveRows(d, true);
        } else {
            ScaleRows(d);
        }
        break;
    case PD_RIPPLE:
        RippleRows(d, false);
        break;
    case PD_RIPPLE | PD_YZOOM:
        RippleRows(d, true);
        break;
    case PD_SCANLINE:
        break;  // scan lines without enlargement draw nothing
    case PD_SCANLINE | PD_YZOOM:
        ScanRows(d);
        break;
    }
}

} // namespace

int PatPutPlace(SproxContext* context, BlitParam* p)
{
    if (context == nullptr) {
        return 0;
    }
    const PatternRecord* r = Drawable(p->pattern);
    if (r == nullptr) {
        return 0;
    }
    const int64_t left = int64_t{p->x} - r->hotX;
    const int64_t right = left + r->width;
    const int64_t top = int64_t{p->y} - r->hotY;
    const int64_t bottom = top + r->visibleHeight;
    const SproxRect& clip = context->clip;
    const int64_t cl = std::max<int64_t>(clip.left, left);
    const int64_t cr = std::min<int64_t>(clip.right, right);
    if (cr <= cl) {
        return 0;
    }
    const int64_t ct = std::max<int64_t>(clip.top, top);
    const int64_t cb = std::min({int64_t{clip.bottom}, bottom, int64_t{context->height}});
    if (ct >= cb) {
        return 0;
    }
    if (!gDisplay.ops.lock(context)) {
        return 0;
    }
    p->x = static_cast<int32_t>(left);
    p->y = static_cast<int32_t>(top);
    p->span = static_cast<int32_t>(cr - cl);
    p->rows = static_cast<int32_t>(cb - ct);
    p->skipLeft = static_cast<int32_t>(cl - left);
    p->skipRight = static_cast<int32_t>(right - cr);
    p->skipRows = static_cast<int32_t>(bottom - cb);
    p->srcStep = static_cast<int32_t>(r->stride);
    p->src = r->data + (p->skipRows + Below(*r)) * static_cast<int64_t>(r->stride);
    p->dst = context->bits + context->topOffset + (cb - 1) * context->pitch + cl;
    p->dstStep = -context->pitch;
    return 1;
}

void PatPut(SproxContext* context, int x, int y, int pattern, int scale, Blitter blitter,
            const uint8_t* table)
{
    if (blitter == nullptr) {
        return;
    }
    BlitParam p{};
    p.x = x;
    p.y = y;
    p.pattern = static_cast<uint32_t>(pattern);
    p.scaleX = scale;
    p.scaleY = 256;
    p.table = table;
    if (!PatPutPlace(context, &p)) {
        return;
    }
    blitter(&p);
    gDisplay.ops.unlock(context);
}

void PatDraw(const FrameView* view, const DrawRequest* request)
{
    if (view == nullptr || request == nullptr) {
        return;
    }
    const PatternRecord* r = Drawable(request->pattern);
    if (r == nullptr) {
        return;
    }
    Draw d{};
    d.view = view;
    d.request = request;
    d.record = r;
    uint32_t f = request->flags;
    if (!Place(d, &f) || !Clip(d, f)) {
        return;
    }
    f = AlignMesh(d, f);
    d.blit = kBlitters[f & 63];
    DrawRows(d, f);
}

} // namespace sprox
