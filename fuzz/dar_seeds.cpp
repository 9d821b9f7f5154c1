// Writes the fuzzer's seed corpus: small valid archives of every version and
// header length, with and without key colours, into the directory given.
#include <cstdio>
#include <string>
#include <vector>

#include "dar_write.h"

namespace {

dar::Picture Picture(int width, int height, int key, int seed, int hot)
{
    dar::Picture p;
    p.width = width;
    p.height = height;
    p.key = key;
    p.hotX = hot;
    p.hotY = -hot;
    for (int i = 0; i < width * height; ++i) {
        const bool hole = key >= 0 && (i * 7 + seed) % 5 < 2;
        p.pixels.push_back(static_cast<uint8_t>(hole ? key : 1 + (i * 13 + seed) % 200));
    }
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dar_seeds DIR\n");
        return 2;
    }
    dar::Palette palette{};
    for (int i = 0; i < 1024; ++i) {
        palette[i] = static_cast<uint8_t>(i * 5);
    }
    struct Seed {
        const char* name;
        dar::WriteOptions options;
        bool hot;
    };
    const Seed seeds[] = {{"v1_l14", {1, 14}, true}, {"v1_l18", {1, 18}, true},
                          {"v1_l8", {1, 8}, false},  {"v0", {0, 8}, false}};
    for (const Seed& s : seeds) {
        const int hot = s.hot ? 2 : 0;
        std::vector<dar::Picture> pictures = {Picture(7, 3, 0, 1, hot), Picture(5, 2, -1, 2, hot),
                                              Picture(12, 4, 9, 3, hot), Picture(1, 1, 4, 4, hot)};
        std::vector<uint8_t> bytes;
        std::string error;
        if (!dar::WriteDar(palette, pictures, s.options, &bytes, &error)) {
            std::fprintf(stderr, "dar_seeds: %s: %s\n", s.name, error.c_str());
            return 1;
        }
        const std::string path = std::string(argv[1]) + "/" + s.name + ".dar";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::fprintf(stderr, "dar_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
        std::fclose(f);
    }
    return 0;
}
