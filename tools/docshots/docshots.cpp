// docshots: the pictures of the guide in docs/. Draws one small sprite through the
// library's exports with each draw flag, headless (no window, no display), and
// writes each frame, magnified, as an indexed PNG.
//
//   docshots DIR     writes DIR/plain.png, DIR/mirror.png, ...
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dar_write.h"
#include "png_io.h"
#include "sprox.h"

namespace {

constexpr int kFrameWidth = 96;
constexpr int kFrameHeight = 64;
constexpr int kMagnify = 3;
constexpr int kSpriteWidth = 24;
constexpr int kSpriteHeight = 32;

// Palette: 0 black; 1-4 background bands and 5-8 the same darkened (the shadow
// table's work); 16-47 the sprite's orange ramp; 48-79 a blue ramp (the recolour
// table's work); 80-255 the last 176 colours of a 6 x 6 x 6 cube, so that
// translucency finds colours in between.
dar::Palette MakePalette()
{
    dar::Palette p{};
    auto set = [&p](int i, int r, int g, int b) {
        p[4 * i] = static_cast<uint8_t>(b);
        p[4 * i + 1] = static_cast<uint8_t>(g);
        p[4 * i + 2] = static_cast<uint8_t>(r);
    };
    const int bands[4][3] = {{40, 90, 160}, {70, 150, 90}, {200, 200, 210}, {150, 60, 120}};
    for (int i = 0; i < 4; ++i) {
        set(1 + i, bands[i][0], bands[i][1], bands[i][2]);
        set(5 + i, bands[i][0] / 3, bands[i][1] / 3, bands[i][2] / 3);
    }
    for (int i = 0; i < 32; ++i) {
        set(16 + i, 255, 80 + i * 5, 20 + i * 2);
        set(48 + i, 20 + i * 2, 60 + i * 5, 255);
    }
    for (int i = 80; i < 256; ++i) {
        const int c = i - 80 + 40;
        set(i, c / 36 * 51, c / 6 % 6 * 51, c % 6 * 51);
    }
    return p;
}

// A thick letter F with a ramp from top to bottom: lopsided both ways, so that
// mirroring and flipping show. Colour 0 is the key.
dar::Picture MakeSprite()
{
    dar::Picture s;
    s.width = kSpriteWidth;
    s.height = kSpriteHeight;
    s.key = 0;
    s.hotX = kSpriteWidth / 2;
    s.hotY = kSpriteHeight / 2;
    for (int y = 0; y < kSpriteHeight; ++y) {
        for (int x = 0; x < kSpriteWidth; ++x) {
            const bool stem = x >= 2 && x < 9;
            const bool top = y >= 2 && y < 8 && x >= 2 && x < 22;
            const bool middle = y >= 13 && y < 18 && x >= 2 && x < 17;
            const bool inside = y >= 2 && y < 30 && (stem || top || middle);
            s.pixels.push_back(inside ? static_cast<uint8_t>(16 + y) : 0);
        }
    }
    return s;
}

bool SaveFrame(const SproxContext* c, const std::string& path)
{
    dar::IndexedImage image;
    image.width = kFrameWidth * kMagnify;
    image.height = kFrameHeight * kMagnify;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row = c->bits + c->topOffset + (y / kMagnify) * c->pitch;
        for (int x = 0; x < image.width; ++x) {
            image.pixels.push_back(row[x / kMagnify]);
        }
    }
    for (const SproxColor& colour : c->colors) {
        image.colours.push_back({colour.red, colour.green, colour.blue});
    }
    std::string error;
    if (!dar::SaveIndexedPng(path, image, &error)) {
        std::fprintf(stderr, "docshots: %s\n", error.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

// Four vertical bands of colours 1 to 4.
void Background(SproxContext* c)
{
    for (int y = 0; y < kFrameHeight; ++y) {
        uint8_t* row = c->bits + c->topOffset + y * c->pitch;
        for (int x = 0; x < kFrameWidth; ++x) {
            row[x] = static_cast<uint8_t>(1 + x * 4 / kFrameWidth);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: docshots DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    std::vector<uint8_t> dar;
    std::string error;
    if (!dar::WriteDar(MakePalette(), {MakeSprite()}, dar::WriteOptions{}, &dar, &error)) {
        std::fprintf(stderr, "docshots: %s\n", error.c_str());
        return 1;
    }
    const std::string darPath = (dir / "docshots.dar").string();
    std::ofstream(darPath, std::ios::binary).write(reinterpret_cast<const char*>(dar.data()),
                                                  static_cast<std::streamsize>(dar.size()));

    std::vector<uint8_t> memory(static_cast<size_t>(SX_GetStructSize()));
    SproxContext* c = reinterpret_cast<SproxContext*>(memory.data());
    SX_Init(c, nullptr);
    const int registered = SX_PatEntryDARFile(0, 1, darPath.c_str());
    std::filesystem::remove(darPath);
    SX_Size(c, kFrameWidth, kFrameHeight, 0, nullptr);
    if (registered != 1 || c->bits == nullptr) {
        std::fprintf(stderr, "docshots: the library drew no frame\n");
        return 1;
    }
    uint8_t* rop = SX_CreateRop();
    SX_TransRop(c, rop, 50);
    uint8_t recolour[256];
    uint8_t shadow[256];
    for (int i = 0; i < 256; ++i) {
        recolour[i] = static_cast<uint8_t>(i >= 16 && i < 48 ? i + 32 : i);
        shadow[i] = static_cast<uint8_t>(i >= 1 && i <= 4 ? i + 4 : i);
    }

    const int cx = kFrameWidth / 2;
    const int cy = kFrameHeight / 2;
    struct Shot {
        const char* name;
        DrawRequest request;
    };
    // flags, pattern, x, y, scaleX, scaleY, wavePeriod, waveAmplitude, wavePhase, table, mesh
    const Shot shots[] = {
        {"plain", {0, 0, cx, cy, 0, 0, 0, 0, 0, nullptr, 0}},
        {"mirror", {PD_MIRROR, 0, cx, cy, 0, 0, 0, 0, 0, nullptr, 0}},
        {"vflip", {PD_VFLIP, 0, cx, cy, 0, 0, 0, 0, 0, nullptr, 0}},
        {"xzoom", {PD_XZOOM, 0, cx, cy, 640, 0, 0, 0, 0, nullptr, 0}},
        {"scatter", {PD_XZOOM | PD_SCATTER, 0, cx, cy, 640, 0, 0, 0, 0, nullptr, 0}},
        {"yzoom", {PD_YZOOM, 0, cx, cy, 0, 160, 0, 0, 0, nullptr, 0}},
        {"rop", {PD_ROP, 0, cx, cy, 0, 0, 0, 0, 0, rop, 0}},
        {"recolor", {PD_RECOLOR, 0, cx, cy, 0, 0, 0, 0, 0, recolour, 0}},
        {"shadow", {PD_SHADOW, 0, cx, cy, 0, 0, 0, 0, 0, shadow, 0}},
        {"mesh", {PD_MESH, 0, cx, cy, 0, 0, 0, 0, 0, nullptr, 0xAA55AA55}},
        {"wave", {PD_WAVE, 0, cx, cy, 0, 0, 96, 5, 0, nullptr, 0}},
        {"ripple", {PD_RIPPLE, 0, cx, cy, 0, 0, 12, 0, 0, nullptr, 0}},
        {"scanline", {PD_YZOOM | PD_SCANLINE, 0, cx, cy, 0, 0x1C0, 0, 0, 0, nullptr, 0}},
    };
    bool ok = true;
    for (const Shot& shot : shots) {
        Background(c);
        SX_PatDraw(c, &shot.request);
        ok = SaveFrame(c, (dir / (std::string(shot.name) + ".png")).string()) && ok;
    }

    // Translucency levels 0, 25, 50, 75 and 100 side by side, with SX_RopPut.
    Background(c);
    for (int i = 0; i < 5; ++i) {
        SX_TransRop(c, rop, 25 * i);
        SX_RopPut(c, 10 + i * 19, cy, 0, rop);
    }
    ok = SaveFrame(c, (dir / "levels.png").string()) && ok;

    // Rotate-zoom: an eighth of a turn at 1:1, and a quarter turn a third larger.
    Background(c);
    SX_RotoZoomPut(c, 26, cy, 0, kSpriteWidth / 2, kSpriteHeight / 2, 32, 256);
    SX_RotoZoomPut(c, 70, cy, 0, kSpriteWidth / 2, kSpriteHeight / 2, 64, 192);
    ok = SaveFrame(c, (dir / "rotozoom.png").string()) && ok;

    SX_DeleteRop(rop);
    SX_End(c);
    SX_ReleaseAll();
    return ok ? 0 : 1;
}
