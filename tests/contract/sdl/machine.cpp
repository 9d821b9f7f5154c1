// The contract against the SDL machine: a hidden window on the X display (or on
// the dummy video driver without one), sound on SDL's dummy audio driver.
#include <SDL2/SDL.h>

#include <cstdlib>

#include "contract/machine.h"
#include "sprox/sys/machine.h"

namespace contract {

Under& Machine()
{
    static Under under = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        const char* driver = std::getenv("DISPLAY") != nullptr ? "x11" : "dummy";
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
        SDL_Window* window = nullptr;
        if (SDL_VideoInit(driver) == 0) {
            window = SDL_CreateWindow("sprox contract", 0, 0, kWidth, kHeight, SDL_WINDOW_HIDDEN);
        }
        sys::Machine& m = sys::M();
        return Under{m.ddraw(), nullptr, window, m.sound(), nullptr,
                     "the SDL machine keeps surfaces in memory, which no display-mode change takes",
                     "the SDL machine's primary surface is the window, which gives no memory to lock"};
    }();
    return under;
}

} // namespace contract
