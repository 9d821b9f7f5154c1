// Sprite drawing: our exports beside the peers (SDL2, Allegro 4) and the memcpy
// line, on the workloads plain, rop, recolour, mirror, scale2x and scalehalf of
// the shared benchmark definitions: a 640 x 480 8-bit frame refilled before every
// pass, sprite A (64 x 64), 20000 positions from xorshift32, counted over items
// 0..1999. harness.h describes the options and the table it prints.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unistd.h>

#include "harness.h"
#include "peer_allegro.h"
#include "sprox.h"

namespace {

using bench::Check;
using bench::kFrameHeight;
using bench::kFrameWidth;
using bench::kSpriteSize;

constexpr int kItems = 20000;
constexpr int kCountedItems = 2000;
constexpr int kPatternNumber = 0;

const bench::Palette gPalette = bench::WorkloadPalette();
const std::vector<uint8_t> gSprite = bench::SpriteA();
const std::vector<bench::Position> gPositions = bench::Positions(kItems);

// --- Ours: a 640 x 480 context whose frame fields are set by hand, and sprite A
// as pattern 0 of a DAR image built in memory ---

std::vector<uint8_t> gOurFrame(kFrameWidth * kFrameHeight);
SproxContext gContext{};
uint8_t* gRop = nullptr;
const uint8_t* gRecolour = nullptr;

uint8_t* OurLine(int y) { return gOurFrame.data() + y * kFrameWidth; }

// The version 0 DAR image of sprite A: head, palette, one entry whose rows are
// stored bottom row first, each row one segment per opaque run and a last
// segment whose skip covers trailing transparent pixels.
void BuildPattern()
{
    std::vector<std::vector<uint8_t>> rows;
    size_t stride = 4;
    for (int y = kSpriteSize - 1; y >= 0; --y) {
        std::vector<uint8_t> row;
        const uint8_t* px = &gSprite[y * kSpriteSize];
        int x = 0;
        while (x < kSpriteSize) {
            int skip = 0;
            while (x + skip < kSpriteSize && px[x + skip] == 0) {
                ++skip;
            }
            int count = 0;
            while (x + skip + count < kSpriteSize && px[x + skip + count] != 0) {
                ++count;
            }
            const uint32_t word = static_cast<uint32_t>(skip) | static_cast<uint32_t>(count) << 16;
            for (int b = 0; b < 4; ++b) {
                row.push_back(static_cast<uint8_t>(word >> (8 * b)));
            }
            row.insert(row.end(), px + x + skip, px + x + skip + count);
            row.resize((row.size() + 3) / 4 * 4);
            x += skip + count;
        }
        stride = std::max(stride, row.size());
        rows.push_back(row);
    }
    std::vector<uint8_t> image(1036 + 8);
    std::memcpy(image.data(), "DAR:8", 5);
    image[5] = 0;
    image[6] = 1;  // one pattern
    image[8] = 4;  // palette at 8 + 4
    for (int i = 0; i < 256; ++i) {
        image[12 + 4 * i] = gPalette.blue[i];
        image[12 + 4 * i + 1] = gPalette.green[i];
        image[12 + 4 * i + 2] = gPalette.red[i];
    }
    const uint8_t head[8] = {kSpriteSize, 0, kSpriteSize, 0, static_cast<uint8_t>(stride),
                             static_cast<uint8_t>(stride >> 8), 0, 0};
    std::memcpy(&image[1036], head, 8);
    for (auto& row : rows) {
        row.resize(stride, 0);
        image.insert(image.end(), row.begin(), row.end());
    }
    // Registered the way a game registers it: from a DAR file.
    char path[] = "/tmp/sprox-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, image.data(), image.size()) != static_cast<ssize_t>(image.size()) ||
        close(fd) != 0 || SX_PatEntryDARFile(kPatternNumber, 1, path) != 1) {
        std::fprintf(stderr, "draw_bench: sprite A did not register\n");
        std::exit(1);
    }
    unlink(path);
}

void StartOurs()
{
    bench::StartFrameContext(gContext, gOurFrame.data(), gPalette);
    BuildPattern();

    // The 50 % table from the ROP exports.
    gRop = SX_CreateRop();
    if (gRop == nullptr) {
        std::fprintf(stderr, "draw_bench: no ROP table\n");
        std::exit(1);
    }
    SX_TransRop(&gContext, gRop, 50);
    gRecolour = gRop + 128 * 256;
}

DrawRequest Request(uint32_t flags, int scaleX, const uint8_t* table)
{
    DrawRequest rq{};
    rq.flags = flags;
    rq.pattern = kPatternNumber;
    rq.scaleX = scaleX;
    rq.scaleY = 256;
    rq.table = table;
    return rq;
}

DrawRequest gRecolourRequest, gMirrorRequest, gScale2xRequest, gScaleHalfRequest;

void OurDraw(DrawRequest& rq, int x, int y)
{
    rq.x = x;
    rq.y = y;
    SX_PatDraw(&gContext, &rq);
}

void OursPlain(int x, int y) { SX_PatPut(&gContext, x, y, kPatternNumber); }
void OursRop(int x, int y) { SX_RopPut(&gContext, x, y, kPatternNumber, gRop); }
void OursRecolour(int x, int y) { OurDraw(gRecolourRequest, x, y); }
void OursMirror(int x, int y) { OurDraw(gMirrorRequest, x, y); }
void OursScale2x(int x, int y) { OurDraw(gScale2xRequest, x, y); }
void OursScaleHalf(int x, int y) { OurDraw(gScaleHalfRequest, x, y); }

// --- SDL2: RLE colour-keyed blit between 8-bit surfaces sharing a palette ---

SDL_Surface* gSdlFrame = nullptr;
SDL_Surface* gSdlSprite = nullptr;

uint8_t* SdlLine(int y) { return static_cast<uint8_t*>(gSdlFrame->pixels) + y * gSdlFrame->pitch; }

void StartSdl()
{
    gSdlFrame = SDL_CreateRGBSurfaceWithFormat(0, kFrameWidth, kFrameHeight, 8, SDL_PIXELFORMAT_INDEX8);
    gSdlSprite = SDL_CreateRGBSurfaceWithFormat(0, kSpriteSize, kSpriteSize, 8, SDL_PIXELFORMAT_INDEX8);
    Check(gSdlFrame != nullptr && gSdlSprite != nullptr, "SDL surfaces");
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {gPalette.red[i], gPalette.green[i], gPalette.blue[i], 255};
    }
    SDL_SetPaletteColors(gSdlFrame->format->palette, colours, 0, 256);
    SDL_SetSurfacePalette(gSdlSprite, gSdlFrame->format->palette);
    for (int y = 0; y < kSpriteSize; ++y) {
        std::memcpy(static_cast<uint8_t*>(gSdlSprite->pixels) + y * gSdlSprite->pitch,
                    &gSprite[y * kSpriteSize], kSpriteSize);
    }
    Check(SDL_SetColorKey(gSdlSprite, SDL_TRUE | SDL_RLEACCEL, 0) == 0, "SDL colour key");
}

void SdlPlain(int x, int y)
{
    SDL_Rect r{x, y, kSpriteSize, kSpriteSize};
    SDL_BlitSurface(gSdlSprite, nullptr, gSdlFrame, &r);
}

// --- Allegro 4 ---

void AllegroPlain(int x, int y) { AllegroPeerDrawRle(x, y); }
void AllegroRop(int x, int y) { AllegroPeerDrawTransRle(x, y); }
void AllegroRecolour(int x, int y) { AllegroPeerDrawLitRle(x, y, 128); }
void AllegroMirror(int x, int y) { AllegroPeerDrawHFlip(x, y); }
void AllegroScale2x(int x, int y) { AllegroPeerStretch(x, y, 128, 64); }
void AllegroScaleHalf(int x, int y) { AllegroPeerStretch(x, y, 32, 64); }

// --- The memcpy line: each visible sprite row copied without a mask ---

std::vector<uint8_t> gCopyFrame(kFrameWidth * kFrameHeight);

uint8_t* CopyLine(int y) { return gCopyFrame.data() + y * kFrameWidth; }

void CopyRows(int x, int y)
{
    const int left = std::max(x, 0);
    const int right = std::min(x + kSpriteSize, kFrameWidth);
    const int top = std::max(y, 0);
    const int bottom = std::min(y + kSpriteSize, kFrameHeight);
    for (int line = top; line < bottom; ++line) {
        std::memcpy(CopyLine(line) + left, &gSprite[(line - y) * kSpriteSize + left - x],
                    static_cast<size_t>(std::max(right - left, 0)));
    }
}

// --- Passes ---

void OurFill() { bench::FillFrame(OurLine, kFrameWidth, kFrameHeight); }
uint32_t OurSum() { return bench::FrameChecksum(OurLine, kFrameWidth, kFrameHeight); }
void SdlFill() { bench::FillFrame(SdlLine, kFrameWidth, kFrameHeight); }
uint32_t SdlSum() { return bench::FrameChecksum(SdlLine, kFrameWidth, kFrameHeight); }
void AllegroFill() { bench::FillFrame(AllegroPeerFrameLine, kFrameWidth, kFrameHeight); }
uint32_t AllegroSum() { return bench::FrameChecksum(AllegroPeerFrameLine, kFrameWidth, kFrameHeight); }
void CopyFill() { bench::FillFrame(CopyLine, kFrameWidth, kFrameHeight); }
uint32_t CopySum() { return bench::FrameChecksum(CopyLine, kFrameWidth, kFrameHeight); }

// Item i draws at position i.
template <void (*Draw)(int x, int y)>
void AtPosition(int i)
{
    Draw(gPositions[i].x, gPositions[i].y);
}

const bench::Impl kImpls[] = {
    {"memcpy", "memcpy", AtPosition<CopyRows>, CopyFill, CopySum},
    {"plain", "ours", AtPosition<OursPlain>, OurFill, OurSum},
    {"plain", "SDL_BlitSurface", AtPosition<SdlPlain>, SdlFill, SdlSum},
    {"plain", "draw_rle_sprite", AtPosition<AllegroPlain>, AllegroFill, AllegroSum},
    {"rop", "ours", AtPosition<OursRop>, OurFill, OurSum},
    {"rop", "draw_trans_rle_sprite", AtPosition<AllegroRop>, AllegroFill, AllegroSum},
    {"recolour", "ours", AtPosition<OursRecolour>, OurFill, OurSum},
    {"recolour", "draw_lit_rle_sprite", AtPosition<AllegroRecolour>, AllegroFill, AllegroSum},
    {"mirror", "ours", AtPosition<OursMirror>, OurFill, OurSum},
    {"mirror", "draw_sprite_h_flip", AtPosition<AllegroMirror>, AllegroFill, AllegroSum},
    {"scale2x", "ours", AtPosition<OursScale2x>, OurFill, OurSum},
    {"scale2x", "stretch_sprite", AtPosition<AllegroScale2x>, AllegroFill, AllegroSum},
    {"scalehalf", "ours", AtPosition<OursScaleHalf>, OurFill, OurSum},
    {"scalehalf", "stretch_sprite", AtPosition<AllegroScaleHalf>, AllegroFill, AllegroSum},
};

void StartAll()
{
    StartOurs();
    gRecolourRequest = Request(PD_RECOLOR, 256, gRecolour);
    gMirrorRequest = Request(PD_MIRROR, 256, nullptr);
    gScale2xRequest = Request(PD_XZOOM, 512, nullptr);
    gScaleHalfRequest = Request(PD_XZOOM, 128, nullptr);
    StartSdl();
    Check(AllegroPeerStart(kFrameWidth, kFrameHeight, gSprite.data(), kSpriteSize, kSpriteSize,
                           gPalette.red, gPalette.green, gPalette.blue) != 0,
          "Allegro start");
}

} // namespace

int main(int argc, char** argv)
{
    StartAll();
    return bench::Main({kImpls, sizeof kImpls / sizeof kImpls[0], kItems, kCountedItems}, argc,
                       argv);
}
