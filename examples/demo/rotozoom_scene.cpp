#include "rotozoom_scene.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dar_write.h"

namespace {

constexpr int kSpritePattern = 100;
constexpr int kSpriteSize = 48;
// Where the badge turns: on the status panel, right of the sound lamp.
constexpr int kBadgeX = 262;
constexpr int kBadgeY = 221;

// Colours of the demo's test palette: 16 bands (0 grey, then round the colour
// wheel) of 16 brightness steps.
constexpr uint8_t Colour(int band, int level) { return static_cast<uint8_t>(band * 16 + level); }

// A round badge with a coloured rim, four coloured quarters and an arrow that
// points up, so that the turn can be followed; colour 0 around it is
// transparent.
dar::Picture Sprite()
{
    dar::Picture p;
    p.width = kSpriteSize;
    p.height = kSpriteSize;
    p.key = 0;
    const int c = kSpriteSize / 2;
    for (int y = 0; y < kSpriteSize; ++y) {
        for (int x = 0; x < kSpriteSize; ++x) {
            const int dx = x - c;
            const int dy = y - c;
            const int d2 = dx * dx + dy * dy;
            uint8_t colour = 0;
            if (d2 < 23 * 23) {
                const int quarter = (dx < 0 ? 0 : 1) + (dy < 0 ? 0 : 2);
                colour = Colour(3 + 3 * quarter, 9);
            }
            if (d2 < 23 * 23 && d2 >= 19 * 19) {
                colour = Colour(0, 15);
            }
            const bool shaft = std::abs(dx) <= 2 && dy > -12 && dy < 14;
            const bool head = dy >= -18 && dy <= -10 && std::abs(dx) <= dy + 18;
            if (shaft || head) {
                colour = Colour(1, 15);
            }
            p.pixels.push_back(colour);
        }
    }
    return p;
}

// Writes the scene's archive to a temporary file and registers it.
bool Register()
{
    dar::Palette palette{};  // the frame keeps its own colours
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dar::WriteDar(palette, {Sprite()}, {}, &bytes, &error)) {
        std::fprintf(stderr, "sprox_demo: rotate-zoom scene: %s\n", error.c_str());
        return false;
    }
    char path[] = "/tmp/sprox-demo-rotozoom-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        return false;
    }
    const auto size = static_cast<ssize_t>(bytes.size());
    const bool written = write(fd, bytes.data(), bytes.size()) == size;
    close(fd);
    const bool registered = written && SX_PatEntryDARFile(kSpritePattern, 1, path) == 1;
    unlink(path);
    return registered;
}

} // namespace

void DrawRotoZoomScene(SproxContext* context, int frame)
{
    static const bool ready = Register();
    if (!ready) {
        return;
    }
    // A full turn every 128 frames; the size swings between about 0.4 and 0.8 times.
    const int swing = frame * 3 % 280;
    const int zoom = 320 + (swing < 140 ? swing : 280 - swing) * 2;
    SX_RotoZoomPut(context, kBadgeX, kBadgeY, kSpritePattern, kSpriteSize / 2, kSpriteSize / 2,
                   frame * 2, zoom);
}
