#include "scene.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kShakeFrames = 12;
constexpr int kLoudest = 0;
constexpr int kQuietest = -3000;

std::string MakeFolder()
{
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    std::string pattern = (error ? std::filesystem::path("/tmp") : base) / "sprox_demo.XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

// A blip shakes the view for a moment: the scroll origin jumps around (0, 0) and
// the frame wraps round at its edges.
void Shake(Scene& scene, SproxContext* context)
{
    int amount = scene.shake > 0 ? (scene.shake + 2) / 3 : 0;
    context->scrollX = scene.shake % 2 == 0 ? amount : -amount;
    context->scrollY = scene.shake % 4 < 2 ? amount : -amount;
    if (scene.shake > 0) {
        --scene.shake;
    }
}

} // namespace

bool StartScene(Scene& scene, SproxContext* context, SDL_Window* window, bool offscreen, int width,
                int height)
{
    scene.folder = MakeFolder();
    if (scene.folder.empty()) {
        std::fprintf(stderr, "sprox_demo: no temporary folder\n");
        return false;
    }
    std::string error;
    if (!StartSprites(scene.sprites, context, scene.folder, width, height, &error)) {
        std::fprintf(stderr, "sprox_demo: %s\n", error.c_str());
        return false;
    }
    StartSound(scene.sound, window, offscreen, scene.folder);
    scene.player.x = width - 24;
    scene.player.y = height - 2;
    return true;
}

bool StepScene(Scene& scene, SproxContext* context, SDL_Window* window, int frame)
{
    const Sprites& sprites = scene.sprites;
    Controls controls = CaptureControls(scene.player, sprites.width, sprites.height);
    if (controls.quit) {
        return false;
    }
    if (controls.blip) {
        PlayBlip(scene.sound, PanAt(scene.player.x, sprites.width));
        scene.shake = kShakeFrames;
    }

    SX_Clear(context, 0);
    DrawBackdrop(sprites, context, frame);
    DrawEffectRows(sprites, context, frame);
    DrawStatusPanel(sprites, context, controls.bits, scene.sound.on);
    DrawPlayer(sprites, context, scene.player.x, scene.player.y, scene.player.facingLeft);
    Point drone = DronePosition(sprites, frame);
    DrawDrone(sprites, context, drone);
    Shake(scene, context);

    // The loop sounds from the drone's side, louder the nearer the player is.
    int distance = std::abs(drone.x - scene.player.x) + std::abs(drone.y - scene.player.y);
    int volume = std::max(kQuietest, kLoudest - distance * 10);
    UpdateSound(scene.sound, window, PanAt(drone.x, sprites.width), volume);
    return true;
}

void EndScene(Scene& scene)
{
    EndSound(scene.sound);
    EndSprites(scene.sprites);
    if (!scene.folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(scene.folder, ignored);
        scene.folder.clear();
    }
}
