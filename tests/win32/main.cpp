// The test program's entry. Started as "win32_tests --write-version FILE" it only
// writes the version value its machine reads, in hex, to FILE: the version tests
// start copies of this program under names that Wine is told to give an older
// Windows.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "sprox/sys/machine.h"

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--write-version") == 0) {
        std::FILE* out = std::fopen(argv[2], "w");
        if (out == nullptr) {
            return 2;
        }
        std::fprintf(out, "%08X\n", static_cast<unsigned>(sys::PlatformMachine()->Version()));
        return std::fclose(out) == 0 ? 0 : 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
