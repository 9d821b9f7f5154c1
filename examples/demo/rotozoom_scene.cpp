#include "rotozoom_scene.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dar_write.h"

namespace {

constexpr int kPanelPattern = 100;
constexpr int kSpritePattern = 101;
constexpr int kPanelSize = 150;
constexpr int kSpriteSize = 48;

// Colours of the demo's test palette: 16 bands (0 grey, then round the colour
// wheel) of 16 brightness steps.
constexpr uint8_t Colour(int band, int level) { return static_cast<uint8_t>(band * 16 + level); }

// A dark chequered panel with a light frame; no transparent pixels.
dar::Picture Panel()
{
    dar::Picture p;
    p.width = kPanelSize;
    p.height = kPanelSize;
    p.key = -1;
    p.hotX = kPanelSize / 2;
    p.hotY = kPanelSize / 2;
    for (int y = 0; y < kPanelSize; ++y) {
        for (int x = 0; x < kPanelSize; ++x) {
            const bool edge = x < 2 || y < 2 || x >= kPanelSize - 2 || y >= kPanelSize - 2;
            const bool dark = ((x / 10) + (y / 10)) % 2 == 0;
            p.pixels.push_back(edge ? Colour(0, 12) : Colour(0, dark ? 1 : 3));
        }
    }
    return p;
}

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
    if (!dar::WriteDar(palette, {Panel(), Sprite()}, {}, &bytes, &error)) {
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
    const bool registered = written && SX_PatEntryDARFile(kPanelPattern, 2, path) == 2;
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
    const int x = context->width / 2;
    const int y = context->height / 2;
    SX_PatPut(context, x, y, kPanelPattern);
    // A full turn every 128 frames; the size swings between about 0.6 and 1.5 times.
    const int swing = frame * 3 % 280;
    const int zoom = 170 + (swing < 140 ? swing : 280 - swing) * 2;
    SX_RotoZoomPut(context, x, y, kSpritePattern, kSpriteSize / 2, kSpriteSize / 2, frame * 2,
                   zoom);
}
