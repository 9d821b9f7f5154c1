#include "sprox/input/config.h"

namespace sprox {

// Each list holds the up keys, the down keys, the left keys, the right keys, then
// the keys of buttons 1, 2, 3, 4 and 9; letters are their upper-case codes.
InputTables gInput = {{
    {1, 0, {
        {IN_UP, 'K'}, {IN_UP, vk::kUp}, {IN_UP, vk::kPad8},
        {IN_DOWN, 'J'}, {IN_DOWN, vk::kDown}, {IN_DOWN, vk::kPad2},
        {IN_LEFT, 'H'}, {IN_LEFT, vk::kLeft}, {IN_LEFT, vk::kPad4},
        {IN_RIGHT, 'L'}, {IN_RIGHT, vk::kRight}, {IN_RIGHT, vk::kPad6},
        {ButtonBit(1), 'Z'}, {ButtonBit(1), vk::kSpace},
        {ButtonBit(2), 'X'}, {ButtonBit(2), vk::kEnter},
        {ButtonBit(3), vk::kShift},
        {ButtonBit(4), 'Q'},
        {ButtonBit(9), vk::kF2},
    }},
    {1, 0, {
        {IN_UP, 'K'}, {IN_UP, vk::kUp}, {IN_UP, vk::kPad8},
        {IN_DOWN, 'J'}, {IN_DOWN, vk::kDown}, {IN_DOWN, vk::kPad2},
        {IN_LEFT, 'H'}, {IN_LEFT, vk::kLeft}, {IN_LEFT, vk::kPad4},
        {IN_RIGHT, 'L'}, {IN_RIGHT, vk::kRight}, {IN_RIGHT, vk::kPad6},
        {ButtonBit(1), vk::kPad0}, {ButtonBit(1), vk::kSpace},
        {ButtonBit(2), vk::kPad5}, {ButtonBit(2), vk::kEnter},
        {ButtonBit(3), vk::kShift},
        {ButtonBit(4), 'Q'},
    }},
    {2, 0, {
        {IN_UP, 'E'},
        {IN_DOWN, 'C'},
        {IN_LEFT, 'S'},
        {IN_RIGHT, 'F'},
        {ButtonBit(1), 'Z'},
        {ButtonBit(2), 'X'}, {ButtonBit(2), 'D'},
        {ButtonBit(3), vk::kShift},
        {ButtonBit(4), 'Q'},
    }},
}, {}, {}};

} // namespace sprox
