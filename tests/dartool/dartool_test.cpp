// dartool from the command line: pack, list, unpack, and what it refuses.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dar_read.h"
#include "dar_write.h"
#include "png_io.h"

namespace fs = std::filesystem;

namespace {

class DarTool : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(testing::TempDir()) / ("dartool_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs dartool; the exit status, with standard output (and standard error
    // when asked) in *out.
    int Run(const std::string& args, std::string* out = nullptr, bool withErrors = false) const
    {
        std::string command = std::string("\"") + DARTOOL + "\" " + args + (withErrors ? " 2>&1" : " 2>/dev/null");
        std::FILE* pipe = popen(command.c_str(), "r");
        std::string text;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            text += buffer;
        }
        int status = pclose(pipe);
        if (out != nullptr) {
            *out = text;
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
};

dar::IndexedImage Image(int width, int height, int colours, int seed)
{
    dar::IndexedImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < colours; ++i) {
        image.colours.push_back({static_cast<uint8_t>(i * 3), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i ^ seed)});
    }
    for (int i = 0; i < width * height; ++i) {
        image.pixels.push_back(static_cast<uint8_t>((i * 5 + seed + i / 3) % colours));
    }
    return image;
}

void Save(const std::string& path, const dar::IndexedImage& image)
{
    std::string error;
    ASSERT_TRUE(dar::SaveIndexedPng(path, image, &error)) << error;
}

dar::IndexedImage Load(const std::string& path)
{
    dar::IndexedImage image;
    std::string error;
    EXPECT_TRUE(dar::LoadIndexedPng(path, &image, &error)) << error;
    return image;
}

// A PNG written byte by byte, for the kinds the library's writer does not make.
void RawPng(const std::string& path, int width, int height, int depth, int colourType,
            const std::vector<uint8_t>& scanlines, const std::vector<uint8_t>& plte)
{
    auto chunk = [](std::string& out, const char* type, const std::vector<uint8_t>& data) {
        auto put32 = [&out](uint32_t v) {
            for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>(v >> s));
        };
        put32(static_cast<uint32_t>(data.size()));
        std::string body(type);
        body.append(data.begin(), data.end());
        out += body;
        put32(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
    };
    std::vector<uint8_t> ihdr = {0, 0, 0, static_cast<uint8_t>(width), 0, 0, 0, static_cast<uint8_t>(height),
                                 static_cast<uint8_t>(depth), static_cast<uint8_t>(colourType), 0, 0, 0};
    std::vector<uint8_t> packed(compressBound(static_cast<uLong>(scanlines.size())));
    uLongf packedSize = packed.size();
    compress(packed.data(), &packedSize, scanlines.data(), static_cast<uLong>(scanlines.size()));
    packed.resize(packedSize);
    std::string out = "\x89PNG\r\n\x1a\n";
    chunk(out, "IHDR", ihdr);
    if (!plte.empty()) chunk(out, "PLTE", plte);
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", {});
    std::ofstream(path, std::ios::binary) << out;
}

std::vector<uint8_t> Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST_F(DarTool, PackListUnpackGivesThePixelsBack)
{
    // a: colour 0 transparent through tRNS, with a hot spot text.
    dar::IndexedImage a = Image(13, 7, 16, 1);
    a.alpha = {0};
    a.pixels[0] = a.pixels[20] = a.pixels[21] = a.pixels.back() = 0;
    a.hasHotSpot = true;
    a.hotX = -3;
    a.hotY = 5;
    // b: no transparency. c: a transparent entry no pixel uses.
    dar::IndexedImage b = Image(4, 9, 16, 2);
    dar::IndexedImage c = Image(6, 2, 8, 3);
    c.colours.push_back({1, 2, 3});
    c.alpha = {255, 255, 255, 255, 255, 255, 255, 255, 0};
    Save(Path("a.png"), a);
    Save(Path("b.png"), b);
    Save(Path("c.png"), c);

    ASSERT_EQ(Run("pack " + Path("x.dar") + " a.png --hot 2,4 " + Path("b.png") + " " + Path("c.png")), 1)
        << "a relative name that does not exist is refused";
    ASSERT_EQ(Run("pack " + Path("x.dar") + " " + Path("a.png") + " --hot 2,4 " + Path("b.png") + " " + Path("c.png")), 0);

    std::string listing;
    ASSERT_EQ(Run("list " + Path("x.dar"), &listing), 0);
    EXPECT_NE(listing.find("version 1, 3 patterns, palette at offset 12"), std::string::npos) << listing;
    // entry, offset, width, height, stride, key, hot spot, visible height, L
    EXPECT_NE(listing.find("    0     1036     13      7"), std::string::npos) << listing;
    EXPECT_NE(listing.find("     4      9      8   -1      2      4       9  14"), std::string::npos) << listing;
    EXPECT_NE(listing.find("     6      2     12   -1      2      4       2  14"), std::string::npos) << listing;

    ASSERT_EQ(Run("unpack " + Path("x.dar") + " " + Path("out")), 0);
    const dar::IndexedImage a2 = Load(Path("out/0000.png"));
    const dar::IndexedImage b2 = Load(Path("out/0001.png"));
    const dar::IndexedImage c2 = Load(Path("out/0002.png"));
    EXPECT_EQ(a2.pixels, a.pixels);
    EXPECT_EQ(b2.pixels, b.pixels);
    EXPECT_EQ(c2.pixels, c.pixels);
    EXPECT_EQ(a2.width, 13);
    EXPECT_EQ(a2.height, 7);
    ASSERT_EQ(a2.colours.size(), 256u);
    for (size_t i = 0; i < a.colours.size(); ++i) {
        EXPECT_EQ(a2.colours[i], a.colours[i]);   // the first image's palette
    }
    EXPECT_EQ(a2.alpha, std::vector<uint8_t>{0});
    EXPECT_TRUE(b2.alpha.empty());
    EXPECT_TRUE(c2.alpha.empty());
    EXPECT_EQ(a2.hotX, -3);
    EXPECT_EQ(a2.hotY, 5);
    EXPECT_EQ(b2.hotX, 2);
    EXPECT_EQ(c2.hotY, 4);

    // What unpack wrote packs into the same archive again.
    ASSERT_EQ(Run("pack " + Path("y.dar") + " " + Path("out/0000.png") + " " + Path("out/0001.png") + " " +
                  Path("out/0002.png")), 0);
    EXPECT_EQ(Bytes(Path("y.dar")), Bytes(Path("x.dar")));
}

TEST_F(DarTool, KeyOptionsAndLowBitDepths)
{
    // 4 bits per pixel, 3 x 2: indices 0 1 2 / 3 0 0; no tRNS.
    RawPng(Path("four.png"), 3, 2, 4, 3, {0, 0x01, 0x20, 0, 0x30, 0x00}, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120});
    ASSERT_EQ(Run("pack " + Path("k.dar") + " " + Path("four.png") + " --key 0 " + Path("four.png") + " --key none " + Path("four.png")), 0);
    std::vector<uint8_t> bytes = Bytes(Path("k.dar"));
    dar::ArchiveInfo info;
    std::vector<dar::Picture> pictures;
    std::string error;
    ASSERT_TRUE(dar::ReadDar(bytes, &info, &pictures, &error)) << error;
    ASSERT_EQ(pictures.size(), 3u);
    const std::vector<uint8_t> expected = {0, 1, 2, 3, 0, 0};
    EXPECT_EQ(pictures[0].key, -1);
    EXPECT_EQ(pictures[1].key, 0);
    EXPECT_EQ(pictures[2].key, -1);
    for (const auto& p : pictures) {
        EXPECT_EQ(p.pixels, expected);
    }
    // The palette is stored blue, green, red, reserved.
    EXPECT_EQ(std::vector<uint8_t>(info.palette.begin(), info.palette.begin() + 8),
              (std::vector<uint8_t>{30, 20, 10, 0, 60, 50, 40, 0}));
}

TEST_F(DarTool, TruecolourAndRgbaMapOntoThePalette)
{
    // The palette: 0 black and transparent, 1 red, 2 green, 3 blue.
    RawPng(Path("pal.png"), 1, 1, 8, 3, {0, 1}, {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});
    dar::IndexedImage pal = Load(Path("pal.png"));
    pal.alpha = {0};
    Save(Path("pal.png"), pal);
    // RGBA 3 x 2: near red, transparent, green / blue at half alpha, opaque black, near blue.
    // Opaque black must not take the transparent entry 0, though it is nearest.
    RawPng(Path("rgba.png"), 3, 2, 8, 6,
           {0, 250, 10, 5, 255, 9, 9, 9, 0, 0, 255, 0, 255,
            0, 0, 0, 255, 128, 0, 0, 0, 255, 20, 30, 200, 255}, {});
    // RGB 2 x 1: near green, near red.
    RawPng(Path("rgb.png"), 2, 1, 8, 2, {0, 40, 200, 40, 180, 0, 0}, {});

    const std::vector<uint8_t> rgbaIndices = {1, 0, 2, 3, 1, 3};
    const std::vector<uint8_t> rgbIndices = {2, 1};
    std::string printed;
    for (const std::string& palette : {"--palette " + Path("pal.png"), Path("pal.png")}) {
        SCOPED_TRACE(palette);
        ASSERT_EQ(Run("pack " + Path("t.dar") + " " + palette + " " + Path("rgba.png") + " " + Path("rgb.png"), &printed), 0);
        dar::ArchiveInfo info;
        std::vector<dar::Picture> pictures;
        std::string error;
        ASSERT_TRUE(dar::ReadDar(Bytes(Path("t.dar")), &info, &pictures, &error)) << error;
        ASSERT_EQ(pictures.size(), palette[0] == '-' ? 2u : 3u);
        const dar::Picture& rgba = pictures[pictures.size() - 2];
        const dar::Picture& rgb = pictures.back();
        EXPECT_EQ(rgba.pixels, rgbaIndices);
        EXPECT_EQ(rgba.key, 0);
        EXPECT_EQ(rgb.pixels, rgbIndices);
        EXPECT_EQ(rgb.key, -1);
        EXPECT_EQ(std::vector<uint8_t>(info.palette.begin(), info.palette.begin() + 16),
                  (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0}));
    }
    EXPECT_NE(printed.find("rgba.png: 3x2, hot spot 0,0, key 0"), std::string::npos) << printed;
    EXPECT_NE(printed.find("rgb.png: 2x1, hot spot 0,0, key -1"), std::string::npos) << printed;
    EXPECT_NE(printed.find("3 patterns"), std::string::npos) << printed;

    // Truecolour only: libimagequant builds the palette, entry 0 is the key, and
    // pictures of few colours come back in their own colours.
    ASSERT_EQ(Run("pack " + Path("q.dar") + " " + Path("rgba.png") + " " + Path("rgb.png")), 0);
    ASSERT_EQ(Run("unpack " + Path("q.dar") + " " + Path("q")), 0);
    const dar::IndexedImage q = Load(Path("q/0000.png"));
    EXPECT_EQ(q.alpha, std::vector<uint8_t>{0});
    const std::vector<std::array<uint8_t, 3>> colours = {
        {250, 10, 5}, {0, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}, {20, 30, 200}};
    ASSERT_EQ(q.pixels.size(), colours.size());
    EXPECT_EQ(q.pixels[1], 0);
    for (size_t i = 0; i < colours.size(); ++i) {
        if (i != 1) {
            EXPECT_NE(q.pixels[i], 0) << i;
            EXPECT_EQ(q.colours[q.pixels[i]], colours[i]) << i;
        }
    }

    // A palette without a transparent entry has no colour for transparent pixels.
    std::string said;
    EXPECT_EQ(Run("pack " + Path("n.dar") + " --palette " + Path("q.dar") + " " + Path("rgba.png"), &said, true), 1);
    EXPECT_NE(said.find("rgba.png: cannot convert"), std::string::npos) << said;
    EXPECT_EQ(Run("pack " + Path("n.dar") + " --palette " + Path("q.dar") + " --key 3 " + Path("rgba.png")), 0);

    // --palette with what is not a palette names the file and says so.
    std::ofstream(Path("notes.txt")) << "red green blue\n";
    for (const std::string name : {"rgb.png", "notes.txt"}) {
        EXPECT_EQ(Run("pack " + Path("b.dar") + " --palette " + Path(name) + " " + Path("rgba.png"), &said, true), 1);
        EXPECT_NE(said.find(name + ": not a palette"), std::string::npos) << said;
    }
    EXPECT_FALSE(fs::exists(Path("b.dar")));
}

TEST_F(DarTool, RefusesWhatItCannotUse)
{
    // A PNG cut short.
    RawPng(Path("rgb.png"), 1, 1, 8, 2, {0, 1, 2, 3}, {});
    std::vector<uint8_t> png = Bytes(Path("rgb.png"));
    std::ofstream(Path("cut.png"), std::ios::binary).write(reinterpret_cast<const char*>(png.data()), 40);
    std::string said;
    EXPECT_EQ(Run("pack " + Path("r.dar") + " " + Path("cut.png"), &said, true), 1);
    EXPECT_NE(said.find("cut.png: "), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(Path("r.dar")));
    EXPECT_EQ(Run("pack " + Path("r.dar") + " --key 256 " + Path("rgb.png")), 1);
    EXPECT_EQ(Run("pack " + Path("r.dar")), 2);
    EXPECT_EQ(Run("frobnicate"), 2);
    EXPECT_EQ(Run("list " + Path("missing.dar")), 1);

    // An archive whose rows run past the end is not unpacked.
    dar::Picture p;
    p.width = 2;
    p.height = 2;
    p.pixels = {1, 2, 3, 4};
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(dar::WriteDar(dar::Palette{}, {p}, {}, &bytes, &error));
    bytes.pop_back();
    std::ofstream(Path("cut.dar"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<std::streamsize>(bytes.size()));
    EXPECT_EQ(Run("list " + Path("cut.dar")), 1);
    EXPECT_EQ(Run("unpack " + Path("cut.dar") + " " + Path("cut")), 1);
}

TEST(DarWriter, RefusesWhatTheFormatCannotHold)
{
    std::vector<uint8_t> bytes;
    std::string error;
    dar::Picture hot;
    hot.width = 1;
    hot.height = 1;
    hot.pixels = {5};
    hot.hotX = 1;
    EXPECT_FALSE(dar::WriteDar(dar::Palette{}, {hot}, {1, 8}, &bytes, &error));
    EXPECT_FALSE(dar::WriteDar(dar::Palette{}, {hot}, {0, 8}, &bytes, &error));
    EXPECT_TRUE(dar::WriteDar(dar::Palette{}, {hot}, {1, 14}, &bytes, &error));
    // Every other pixel transparent: 4 bytes per 1 opaque pixel, too long a row.
    dar::Picture wide;
    wide.width = 20000;
    wide.height = 1;
    wide.key = 0;
    for (int x = 0; x < wide.width; ++x) {
        wide.pixels.push_back(static_cast<uint8_t>(x % 2));
    }
    EXPECT_FALSE(dar::WriteDar(dar::Palette{}, {wide}, {}, &bytes, &error));
    EXPECT_NE(error.find("65535"), std::string::npos);
}
