// dartool: makes DAR pattern archives from indexed-colour PNGs, lists them, and
// turns them back into PNGs.
//
//   dartool pack OUT.dar [--hot X,Y] [--key N|auto|none] IN.png...
//   dartool list IN.dar
//   dartool unpack IN.dar DIR
//
// pack: the palette of the first image is the archive's. Options apply to the
// images that follow them. --key auto (the default) takes the first fully
// transparent palette entry of each image as its key colour; an image with no
// pixel of its key colour is written with key -1 as full-width rows, which the
// library reads as a bitmap without converting it. --hot sets the hot spot;
// without it an image's "HotSpot" text (which unpack writes) or (0, 0) is used.
// unpack writes DIR/0000.png, 0001.png, ... with the key colour transparent.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dar_read.h"
#include "dar_write.h"
#include "png_io.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: dartool pack OUT.dar [--hot X,Y] [--key N|auto|none] IN.png...\n"
                 "       dartool list IN.dar\n"
                 "       dartool unpack IN.dar DIR\n");
    return 2;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "dartool: %s\n", message.c_str());
    return 1;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

dar::Palette PaletteOf(const dar::IndexedImage& image)
{
    dar::Palette palette{};
    for (size_t i = 0; i < image.colours.size() && i < 256; ++i) {
        palette[4 * i + 0] = image.colours[i][2];
        palette[4 * i + 1] = image.colours[i][1];
        palette[4 * i + 2] = image.colours[i][0];
    }
    return palette;
}

int FirstTransparentEntry(const dar::IndexedImage& image)
{
    for (size_t i = 0; i < image.alpha.size(); ++i) {
        if (image.alpha[i] == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int Pack(int argc, char** argv)
{
    if (argc < 4) {
        return Usage();
    }
    const std::string outPath = argv[2];
    enum class KeyMode { kAuto, kNone, kIndex } keyMode = KeyMode::kAuto;
    int keyIndex = -1;
    bool hotGiven = false;
    int hotX = 0;
    int hotY = 0;
    dar::Palette palette{};
    std::vector<dar::Picture> pictures;

    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--hot" || arg == "--key") {
            if (i + 1 >= argc) {
                return Usage();
            }
            const std::string value = argv[++i];
            char tail = 0;
            if (arg == "--hot") {
                if (std::sscanf(value.c_str(), "%d,%d%c", &hotX, &hotY, &tail) != 2) {
                    return Fail("--hot wants X,Y, not " + value);
                }
                hotGiven = true;
            } else if (value == "auto") {
                keyMode = KeyMode::kAuto;
            } else if (value == "none") {
                keyMode = KeyMode::kNone;
            } else if (std::sscanf(value.c_str(), "%d%c", &keyIndex, &tail) == 1 && keyIndex >= 0 &&
                       keyIndex <= 255) {
                keyMode = KeyMode::kIndex;
            } else {
                return Fail("--key wants a colour index 0 to 255, auto or none, not " + value);
            }
            continue;
        }
        dar::IndexedImage image;
        std::string error;
        if (!dar::LoadIndexedPng(arg, &image, &error)) {
            return Fail(error);
        }
        const dar::Palette own = PaletteOf(image);
        if (pictures.empty()) {
            palette = own;
        } else if (own != palette) {
            std::fprintf(stderr, "dartool: warning: %s: palette differs from the first image's; "
                                 "its colour indices are kept\n", arg.c_str());
        }
        dar::Picture p;
        p.width = image.width;
        p.height = image.height;
        p.pixels = std::move(image.pixels);
        p.key = keyMode == KeyMode::kIndex ? keyIndex
                : keyMode == KeyMode::kAuto ? FirstTransparentEntry(image) : -1;
        if (p.key >= 0 && std::memchr(p.pixels.data(), p.key, p.pixels.size()) == nullptr) {
            p.key = -1;  // nothing transparent: full-width rows
        }
        p.hotX = hotGiven ? hotX : image.hasHotSpot ? image.hotX : 0;
        p.hotY = hotGiven ? hotY : image.hasHotSpot ? image.hotY : 0;
        pictures.push_back(std::move(p));
    }
    if (pictures.empty()) {
        return Usage();
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dar::WriteDar(palette, pictures, dar::WriteOptions{}, &bytes, &error)) {
        return Fail(error);
    }
    if (!WriteFile(outPath, bytes)) {
        return Fail(outPath + ": cannot write");
    }
    return 0;
}

bool Load(const std::string& path, std::vector<uint8_t>* bytes, dar::ArchiveInfo* info,
          std::string* error)
{
    if (!ReadFile(path, bytes)) {
        *error = path + ": cannot read";
        return false;
    }
    if (!dar::ReadDarInfo(*bytes, info, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

int List(int argc, char** argv)
{
    if (argc != 3) {
        return Usage();
    }
    std::vector<uint8_t> bytes;
    dar::ArchiveInfo info;
    std::string error;
    if (!Load(argv[2], &bytes, &info, &error)) {
        return Fail(error);
    }
    std::printf("%s: version %d, %d patterns, palette at offset %u\n", argv[2], info.version,
                info.count, 8 + info.paletteOffset);
    std::printf("entry   offset  width height stride  key   hotX   hotY visible   L\n");
    for (size_t i = 0; i < info.entries.size(); ++i) {
        const dar::EntryInfo& e = info.entries[i];
        std::printf("%5zu %8zu %6d %6d %6u %4d %6d %6d %7d %3d\n", i, e.offset, e.width, e.height,
                    e.stride, e.key, e.hotX, e.hotY, e.visibleHeight, e.headerLength);
    }
    return 0;
}

int Unpack(int argc, char** argv)
{
    if (argc != 4) {
        return Usage();
    }
    std::vector<uint8_t> bytes;
    dar::ArchiveInfo info;
    std::vector<dar::Picture> pictures;
    std::string error;
    if (!ReadFile(argv[2], &bytes)) {
        return Fail(std::string(argv[2]) + ": cannot read");
    }
    if (!dar::ReadDar(bytes, &info, &pictures, &error)) {
        return Fail(std::string(argv[2]) + ": " + error);
    }
    const std::filesystem::path dir = argv[3];
    std::error_code made;
    std::filesystem::create_directories(dir, made);
    if (made) {
        return Fail(dir.string() + ": " + made.message());
    }
    int status = 0;
    for (size_t i = 0; i < pictures.size(); ++i) {
        const dar::Picture& p = pictures[i];
        char name[32];
        std::snprintf(name, sizeof name, "%04zu.png", i);
        const std::string path = (dir / name).string();
        if (p.width == 0 || p.height == 0) {
            std::fprintf(stderr, "dartool: warning: entry %zu is empty; no %s written\n", i, name);
            continue;
        }
        dar::IndexedImage image;
        image.width = p.width;
        image.height = p.height;
        image.pixels = p.pixels;
        for (int c = 0; c < 256; ++c) {
            image.colours.push_back({info.palette[4 * c + 2], info.palette[4 * c + 1], info.palette[4 * c]});
        }
        if (p.key >= 0) {
            image.alpha.assign(static_cast<size_t>(p.key) + 1, 255);
            image.alpha[static_cast<size_t>(p.key)] = 0;
        }
        image.hasHotSpot = true;
        image.hotX = p.hotX;
        image.hotY = p.hotY;
        if (!dar::SaveIndexedPng(path, image, &error)) {
            std::fprintf(stderr, "dartool: %s\n", error.c_str());
            status = 1;
        }
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        return Usage();
    }
    if (std::strcmp(argv[1], "pack") == 0) {
        return Pack(argc, argv);
    }
    if (std::strcmp(argv[1], "list") == 0) {
        return List(argc, argv);
    }
    if (std::strcmp(argv[1], "unpack") == 0) {
        return Unpack(argc, argv);
    }
    return Usage();
}
