// dartool: makes DAR pattern archives from PNGs, lists them, and turns them back
// into PNGs. The usage text below says what each command does.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "colours.h"
#include "dar_read.h"
#include "dar_write.h"
#include "png_io.h"

namespace {

constexpr char kUsage[] =
    "usage: dartool pack OUT.dar [--palette FILE] [--hot X,Y] [--key N|auto|none] IN.png...\n"
    "       dartool list IN.dar\n"
    "       dartool unpack IN.dar DIR\n"
    "       dartool --help\n";

constexpr char kHelp[] =
    "\n"
    "pack    makes an archive of the PNGs, one pattern each, in the order given.\n"
    "        All patterns share one palette of 256 colours, taken from\n"
    "          --palette FILE  an indexed-colour PNG or a DAR archive, if given;\n"
    "          else the first indexed-colour PNG among the inputs;\n"
    "          else a palette built for all the inputs by libimagequant\n"
    "          (entry 0 black, kept for the key colour).\n"
    "        Indexed-colour PNGs keep their colour indices. Truecolour, grey and\n"
    "        RGBA PNGs are mapped onto the palette by nearest colour; pixels with\n"
    "        alpha 0 become the key colour, all others are opaque.\n"
    "        --key and --hot apply to the inputs that follow them:\n"
    "          --key auto   (default) the key colour is the palette's first fully\n"
    "                       transparent entry (entry 0 of a built palette)\n"
    "          --key N      colour index N (0-255) is the key colour\n"
    "          --key none   no key colour: every pixel is opaque\n"
    "          --hot X,Y    the hot spot, the pixel placed at the drawing position;\n"
    "                       without it the PNG's \"HotSpot\" text or 0,0\n"
    "        A pattern with no pixel of its key colour is stored without a key.\n"
    "        Prints one line per pattern (size, hot spot, key) and a total.\n"
    "list    prints the archive's head and every entry header.\n"
    "unpack  writes DIR/0000.png, 0001.png, ... as indexed-colour PNGs with the\n"
    "        key colour transparent and the hot spot as a \"HotSpot\" text.\n"
    "\n"
    "Exit status: 0 done, 1 a file could not be read, converted or written,\n"
    "2 wrong arguments.\n";

int Usage()
{
    std::fprintf(stderr, "%s(dartool --help says more)\n", kUsage);
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

// The archive's palette: its 256 entries, how many of them the source really has
// (truecolour pixels are mapped onto those only), and its first transparent entry.
struct ArchivePalette {
    dar::Palette colours{};
    int count = 256;
    int transparent = -1;
    std::string source;
};

enum class KeyMode { kAuto, kNone, kIndex };

// One input PNG with the options that stood before it.
struct Input {
    std::string path;
    KeyMode keyMode = KeyMode::kAuto;
    int keyIndex = -1;
    bool hotGiven = false;
    int hotX = 0;
    int hotY = 0;
    dar::IndexedImage image;   // size, hot spot; pixels and palette when indexed
    dar::RgbaPicture rgba;     // the pixels when not indexed
    bool indexed = true;
};

ArchivePalette IndexedPalette(const dar::IndexedImage& image, const std::string& source)
{
    ArchivePalette p;
    p.colours = PaletteOf(image);
    p.count = static_cast<int>(image.colours.size());
    p.transparent = FirstTransparentEntry(image);
    p.source = source;
    return p;
}

// --palette FILE: an indexed-colour PNG or a DAR archive.
bool LoadPaletteFile(const std::string& path, ArchivePalette* palette, std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, &bytes)) {
        *error = path + ": cannot read the palette file";
        return false;
    }
    const char* why = "neither an indexed-colour PNG nor a DAR archive";
    if (bytes.size() >= 5 && std::memcmp(bytes.data(), "DAR:8", 5) == 0) {
        dar::ArchiveInfo info;
        if (dar::ReadDarInfo(bytes, &info, error)) {
            palette->colours = info.palette;
            palette->count = 256;
            palette->transparent = -1;
            palette->source = path;
            return true;
        }
        *error = path + ": not a palette: a damaged DAR archive (" + *error + ")";
        return false;
    }
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0) {
        dar::IndexedImage image;
        std::vector<uint8_t> rgba;
        if (!dar::LoadPng(path, &image, &rgba, error)) {
            *error = *error + " (reading the palette)";
            return false;
        }
        if (image.colours.empty()) {
            why = "a PNG without a palette (truecolour or grey); give an indexed-colour PNG";
        } else {
            *palette = IndexedPalette(image, path);
            return true;
        }
    }
    *error = path + ": not a palette: " + why;
    return false;
}

// The colour indices of one input on the archive's palette, and its key.
bool Convert(const Input& in, const ArchivePalette& palette, dar::Picture* p, std::string* error)
{
    p->width = in.image.width;
    p->height = in.image.height;
    const int autoKey = in.indexed ? FirstTransparentEntry(in.image) : palette.transparent;
    p->key = in.keyMode == KeyMode::kIndex ? in.keyIndex : in.keyMode == KeyMode::kAuto ? autoKey : -1;
    if (in.indexed) {
        p->pixels = in.image.pixels;
    } else if (!dar::MapToPalette(in.rgba, palette.colours, palette.count, p->key, &p->pixels)) {
        *error = in.path + ": cannot convert: it has fully transparent pixels, but " +
                 (in.keyMode == KeyMode::kNone ? std::string("--key none gives them no colour")
                                               : "the palette (" + palette.source +
                                                     ") has no transparent entry; give --key N");
        return false;
    }
    if (p->key >= 0 && std::memchr(p->pixels.data(), p->key, p->pixels.size()) == nullptr) {
        p->key = -1;  // nothing transparent: full-width rows
    }
    p->hotX = in.hotGiven ? in.hotX : in.image.hasHotSpot ? in.image.hotX : 0;
    p->hotY = in.hotGiven ? in.hotY : in.image.hasHotSpot ? in.image.hotY : 0;
    return true;
}

int Pack(int argc, char** argv)
{
    if (argc < 4) {
        return Usage();
    }
    const std::string outPath = argv[2];
    std::string paletteFile;
    Input options;
    std::vector<Input> inputs;

    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--hot" || arg == "--key" || arg == "--palette") {
            if (i + 1 >= argc) {
                return Usage();
            }
            const std::string value = argv[++i];
            char tail = 0;
            if (arg == "--palette") {
                paletteFile = value;
            } else if (arg == "--hot") {
                if (std::sscanf(value.c_str(), "%d,%d%c", &options.hotX, &options.hotY, &tail) != 2) {
                    return Fail("--hot wants X,Y, not " + value);
                }
                options.hotGiven = true;
            } else if (value == "auto") {
                options.keyMode = KeyMode::kAuto;
            } else if (value == "none") {
                options.keyMode = KeyMode::kNone;
            } else if (std::sscanf(value.c_str(), "%d%c", &options.keyIndex, &tail) == 1 &&
                       options.keyIndex >= 0 && options.keyIndex <= 255) {
                options.keyMode = KeyMode::kIndex;
            } else {
                return Fail("--key wants a colour index 0 to 255, auto or none, not " + value);
            }
            continue;
        }
        Input in = options;
        in.path = arg;
        std::string error;
        if (!dar::LoadPng(arg, &in.image, &in.rgba.pixels, &error)) {
            return Fail(error);
        }
        in.indexed = in.rgba.pixels.empty();
        in.rgba.width = in.image.width;
        in.rgba.height = in.image.height;
        inputs.push_back(std::move(in));
    }
    if (inputs.empty()) {
        return Usage();
    }

    ArchivePalette palette;
    std::string error;
    const Input* firstIndexed = nullptr;
    for (const Input& in : inputs) {
        if (in.indexed && firstIndexed == nullptr) {
            firstIndexed = &in;
        }
    }
    if (!paletteFile.empty()) {
        if (!LoadPaletteFile(paletteFile, &palette, &error)) {
            return Fail(error);
        }
    } else if (firstIndexed != nullptr) {
        palette = IndexedPalette(firstIndexed->image, firstIndexed->path);
    } else {
        std::vector<dar::RgbaPicture> all;
        for (const Input& in : inputs) {
            all.push_back(in.rgba);
        }
        if (!dar::BuildPalette(all, &palette.colours, &palette.count, &error)) {
            return Fail(error);
        }
        palette.transparent = 0;
        palette.source = "built by libimagequant";
    }

    std::vector<dar::Picture> pictures;
    for (const Input& in : inputs) {
        if (in.indexed && PaletteOf(in.image) != palette.colours) {
            std::fprintf(stderr, "dartool: warning: %s: palette differs from the archive's (%s); "
                                 "its colour indices are kept\n", in.path.c_str(), palette.source.c_str());
        }
        dar::Picture p;
        if (!Convert(in, palette, &p, &error)) {
            return Fail(error);
        }
        pictures.push_back(std::move(p));
    }
    std::vector<uint8_t> bytes;
    if (!dar::WriteDar(palette.colours, pictures, dar::WriteOptions{}, &bytes, &error)) {
        return Fail(error);
    }
    if (!WriteFile(outPath, bytes)) {
        return Fail(outPath + ": cannot write");
    }
    for (size_t i = 0; i < pictures.size(); ++i) {
        const dar::Picture& p = pictures[i];
        std::printf("%4zu %s: %dx%d, hot spot %d,%d, key %d%s\n", i, inputs[i].path.c_str(), p.width,
                    p.height, p.hotX, p.hotY, p.key, inputs[i].indexed ? "" : " (mapped onto the palette)");
    }
    std::printf("%s: %zu patterns, %zu bytes, palette %s (%d colours)\n", outPath.c_str(), pictures.size(),
                bytes.size(), palette.source.c_str(), palette.count);
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
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
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
