// Painting: a 320 x 240 frame (the workload palette, refilled with the frame fill
// before every pass) shown in an SDL surface of a true-colour format, one item a
// frame, 100 frames a pass, frames 0..9 counted.
//
//   paint1, paint2        into XRGB8888 at scale 1 (320 x 240) and 2 (640 x 480)
//   paint16.1, paint16.2  the same into RGB565
//   paint24.1, paint24.2  the same into RGB24
//
// Ours: SX_Paint of a context on SDL's offscreen video driver (no display needed),
// its scale 1 or 2. The peer: SDL2's own conversion, SDL_BlitSurface from an INDEX8
// surface with the same palette; at scale 2 into a 320 x 240 surface of the target
// format, then SDL_BlitScaled to 640 x 480. Both draw the same picture: the table's
// "same" column compares the target pixels (their colour bits).
// harness.h describes the options and the table it prints.
#include <SDL.h>

#include <cstdlib>

#include "harness.h"
#include "sprox.h"

namespace {

using bench::Check;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kItems = 100;
constexpr int kCountedItems = 10;

struct Target {
    Uint32 format;
    int scale;
    SDL_Surface* ours;
    SDL_Surface* peer;
    SDL_Surface* peerSmall;  // scale 2: the peer's 320 x 240 step
};

Target gTargets[] = {
    {SDL_PIXELFORMAT_XRGB8888, 1, nullptr, nullptr, nullptr},
    {SDL_PIXELFORMAT_XRGB8888, 2, nullptr, nullptr, nullptr},
    {SDL_PIXELFORMAT_RGB565, 1, nullptr, nullptr, nullptr},
    {SDL_PIXELFORMAT_RGB565, 2, nullptr, nullptr, nullptr},
    {SDL_PIXELFORMAT_RGB24, 1, nullptr, nullptr, nullptr},
    {SDL_PIXELFORMAT_RGB24, 2, nullptr, nullptr, nullptr},
};

SDL_Window* gWindow = nullptr;
SproxContext gContext{};
SDL_Surface* gIndexed = nullptr;  // the peer's frame

uint8_t* OurLine(int y) { return gContext.bits + gContext.topOffset + y * gContext.pitch; }
uint8_t* PeerLine(int y) { return static_cast<uint8_t*>(gIndexed->pixels) + y * gIndexed->pitch; }

SDL_Surface* Surface(Uint32 format, int scale)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kWidth * scale, kHeight * scale,
                                                    SDL_BITSPERPIXEL(format), format);
    Check(s != nullptr, SDL_GetError());
    return s;
}

void Start()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    Check(SDL_Init(SDL_INIT_VIDEO) == 0, SDL_GetError());
    gWindow = SDL_CreateWindow("paint_bench", 0, 0, kWidth * 2, kHeight * 2, SDL_WINDOW_HIDDEN);
    Check(gWindow != nullptr, SDL_GetError());

    const bench::Palette palette = bench::WorkloadPalette();
    SX_Init(&gContext, gWindow);
    for (int i = 0; i < 256; ++i) {
        gContext.colors[i] = {palette.blue[i], palette.green[i], palette.red[i], 0};
    }
    SX_Size(&gContext, kWidth, kHeight, -1, nullptr);
    Check(gContext.bits != nullptr && gContext.width == kWidth, "SX_Size made no frame");

    gIndexed = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 8, SDL_PIXELFORMAT_INDEX8);
    Check(gIndexed != nullptr, SDL_GetError());
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {palette.red[i], palette.green[i], palette.blue[i], 255};
    }
    SDL_SetPaletteColors(gIndexed->format->palette, colours, 0, 256);
    for (Target& t : gTargets) {
        t.ours = Surface(t.format, t.scale);
        t.peer = Surface(t.format, t.scale);
        t.peerSmall = t.scale == 2 ? Surface(t.format, 1) : nullptr;
    }
}

// The colour bits of every pixel of a surface.
uint32_t SurfaceChecksum(const SDL_Surface* s)
{
    const SDL_PixelFormat* f = s->format;
    const Uint32 colour = f->Rmask | f->Gmask | f->Bmask;
    const int bytes = f->BytesPerPixel;
    uint32_t hash = bench::kFnvStart;
    for (int y = 0; y < s->h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(s->pixels) + y * s->pitch;
        for (int x = 0; x < s->w; ++x) {
            Uint32 value = 0;
            std::memcpy(&value, row + x * bytes, static_cast<size_t>(bytes));
            value &= colour;
            hash = bench::Fnv1a(hash, reinterpret_cast<const uint8_t*>(&value), sizeof value);
        }
    }
    return hash;
}

void OurFill() { bench::FillFrame(OurLine, kWidth, kHeight); }
void PeerFill() { bench::FillFrame(PeerLine, kWidth, kHeight); }

template <int T>
void OursPaint(int)
{
    gContext.scale = gTargets[T].scale;
    SX_Paint(&gContext, gTargets[T].ours, 0, 0);
}

template <int T>
void PeerPaint(int)
{
    const Target& t = gTargets[T];
    if (t.scale == 1) {
        SDL_BlitSurface(gIndexed, nullptr, t.peer, nullptr);
    } else {
        SDL_BlitSurface(gIndexed, nullptr, t.peerSmall, nullptr);
        SDL_BlitScaled(t.peerSmall, nullptr, t.peer, nullptr);
    }
}

template <int T>
uint32_t OurSum()
{
    return SurfaceChecksum(gTargets[T].ours);
}

template <int T>
uint32_t PeerSum()
{
    return SurfaceChecksum(gTargets[T].peer);
}

const bench::Impl kImpls[] = {
    {"paint1", "ours", OursPaint<0>, OurFill, OurSum<0>},
    {"paint1", "SDL_BlitSurface", PeerPaint<0>, PeerFill, PeerSum<0>},
    {"paint2", "ours", OursPaint<1>, OurFill, OurSum<1>},
    {"paint2", "SDL_BlitScaled", PeerPaint<1>, PeerFill, PeerSum<1>},
    {"paint16.1", "ours", OursPaint<2>, OurFill, OurSum<2>},
    {"paint16.1", "SDL_BlitSurface", PeerPaint<2>, PeerFill, PeerSum<2>},
    {"paint16.2", "ours", OursPaint<3>, OurFill, OurSum<3>},
    {"paint16.2", "SDL_BlitScaled", PeerPaint<3>, PeerFill, PeerSum<3>},
    {"paint24.1", "ours", OursPaint<4>, OurFill, OurSum<4>},
    {"paint24.1", "SDL_BlitSurface", PeerPaint<4>, PeerFill, PeerSum<4>},
    {"paint24.2", "ours", OursPaint<5>, OurFill, OurSum<5>},
    {"paint24.2", "SDL_BlitScaled", PeerPaint<5>, PeerFill, PeerSum<5>},
};

} // namespace

int main(int argc, char** argv)
{
    Start();
    const int result =
        bench::Main({kImpls, sizeof kImpls / sizeof kImpls[0], kItems, kCountedItems}, argc, argv);
    SX_End(&gContext);
    SDL_DestroyWindow(gWindow);
    SDL_Quit();
    return result;
}
