// The contract against the fake machine.
#include <string>

#include "contract/machine.h"
#include "fake/fake_ddraw.h"
#include "fake/fake_sound.h"

namespace contract {

Under& Machine()
{
    static std::string directSoundCreate = "DirectSoundCreate";
    static int window;
    static Under under = [] {
        fake::ddraw().modes = {{640, 480, 8}, {800, 600, 8}, {1024, 768, 8}};
        return Under{&fake::ddraw(), &fake::ddraw(), &window, &fake::sound(), &directSoundCreate,
                     nullptr, nullptr};
    }();
    return under;
}

} // namespace contract
