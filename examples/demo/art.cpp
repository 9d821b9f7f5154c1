#include "art.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "dar_write.h"
#include "picture.h"

namespace {

constexpr int kKey = 0;   // the sprites' transparent colour; never drawn as a colour
constexpr uint8_t kWhite = Colour(0, 15);
constexpr uint8_t kDark = Colour(0, 1);
constexpr uint8_t kOutline = Colour(0, 2);
constexpr int kBallBand = 2;
constexpr int kArrowBand = 3;
constexpr int kFinBand = 1;
constexpr int kCreatureBand = 6;
constexpr int kBellyBand = 4;
constexpr int kGemBand = 9;
constexpr int kLampBand = 3;

dar::Picture Blank(int width, int height, int hotX, int hotY)
{
    dar::Picture p;
    p.width = width;
    p.height = height;
    p.pixels.assign(static_cast<size_t>(width) * height, kKey);
    p.key = kKey;
    p.hotX = hotX;
    p.hotY = hotY;
    return p;
}

void Set(dar::Picture& p, int x, int y, uint8_t colour)
{
    if (x >= 0 && y >= 0 && x < p.width && y < p.height) {
        p.pixels[static_cast<size_t>(y) * p.width + x] = colour;
    }
}

bool Opaque(const dar::Picture& p, int x, int y)
{
    return x >= 0 && y >= 0 && x < p.width && y < p.height && p.at(x, y) != kKey;
}

// Darkens every opaque pixel that touches a transparent one or the edge.
void Outline(dar::Picture& p)
{
    dar::Picture before = p;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            if (Opaque(before, x, y) && (!Opaque(before, x - 1, y) || !Opaque(before, x + 1, y) ||
                                         !Opaque(before, x, y - 1) || !Opaque(before, x, y + 1))) {
                Set(p, x, y, kOutline);
            }
        }
    }
}

dar::Picture Backdrop(int width, int height)
{
    dar::Picture p = Blank(width, height, 0, 0);
    DrawTestPicture(p.pixels.data(), width, height);
    p.key = -1;
    return p;
}

// Lit from the top left, with a white glint.
dar::Picture Ball()
{
    constexpr int size = 18;
    constexpr double r = size / 2.0;
    dar::Picture p = Blank(size, size, size / 2, size / 2);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double dx = (x + 0.5 - r) / r;
            double dy = (y + 0.5 - r) / r;
            double d2 = dx * dx + dy * dy;
            if (d2 > 1.0) {
                continue;
            }
            double light = -0.5 * dx - 0.6 * dy + 0.62 * std::sqrt(1.0 - d2);
            int level = std::clamp(static_cast<int>(4 + 12 * light), 4, 15);
            Set(p, x, y, light > 0.93 ? kWhite : Colour(kBallBand, level));
        }
    }
    Outline(p);
    return p;
}

// Points right; the fin on top and the darker underside make flips visible.
dar::Picture Arrow()
{
    dar::Picture p = Blank(26, 12, 25, 6);
    for (int x = 2; x <= 16; ++x) {
        for (int y = 5; y <= 7; ++y) {
            Set(p, x, y, Colour(kArrowBand, y == 7 ? 9 : 13));
        }
    }
    for (int x = 15; x <= 25; ++x) {
        int half = (25 - x) * 6 / 10;
        for (int y = 6 - half; y <= 6 + half; ++y) {
            Set(p, x, y, Colour(kArrowBand, y < 6 ? 15 : 10));
        }
    }
    for (int x = 0; x <= 6; ++x) {
        for (int y = x * 5 / 6; y <= 5; ++y) {
            Set(p, x, y, Colour(kFinBand, 12));
        }
    }
    Outline(p);
    return p;
}

// Looks right, antenna on the left: neither mirror nor flip leaves it unchanged.
dar::Picture Creature()
{
    dar::Picture p = Blank(16, 18, 8, 17);
    for (int y = 2; y <= 15; ++y) {
        for (int x = 0; x < 16; ++x) {
            double dx = (x + 0.5 - 8.0) / 7.5;
            double dy = (y + 0.5 - 9.0) / 6.5;
            if (dx * dx + dy * dy <= 1.0) {
                Set(p, x, y, Colour(kCreatureBand, 14 - (y - 2) * 2 / 3));
            }
            double bx = (x + 0.5 - 7.0) / 3.5;
            double by = (y + 0.5 - 11.5) / 3.0;
            if (bx * bx + by * by <= 1.0) {
                Set(p, x, y, Colour(kBellyBand, 14));
            }
        }
    }
    Outline(p);
    for (int y = 4; y <= 8; ++y) {
        for (int x = 9; x <= 13; ++x) {
            double ex = x + 0.5 - 11.5;
            double ey = y + 0.5 - 6.5;
            if (ex * ex + ey * ey <= 5.0) {
                Set(p, x, y, kWhite);
            }
        }
    }
    Set(p, 12, 6, kDark);
    Set(p, 12, 7, kDark);
    Set(p, 11, 11, kDark);
    Set(p, 12, 11, kDark);
    for (int y = 0; y <= 2; ++y) {
        Set(p, 4, y, Colour(0, 8));
    }
    Set(p, 4, 0, Colour(kFinBand, 15));
    for (int y = 15; y <= 17; ++y) {
        for (int x : {3, 4, 5, 6, 9, 10, 11, 12}) {
            Set(p, x, y, Colour(0, y == 17 ? 3 : 6));
        }
    }
    return p;
}

// Four facets, lightest at the top left.
dar::Picture Gem()
{
    constexpr int size = 12;
    dar::Picture p = Blank(size, size, size / 2, size / 2);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double dx = x + 0.5 - size / 2.0;
            double dy = y + 0.5 - size / 2.0;
            if (std::abs(dx) + std::abs(dy) > size / 2.0) {
                continue;
            }
            int level = dy < 0 ? (dx < 0 ? 15 : 12) : (dx < 0 ? 10 : 7);
            Set(p, x, y, Colour(kGemBand, level));
        }
    }
    Outline(p);
    return p;
}

dar::Picture Marker()
{
    dar::Picture p = Blank(5, 5, 2, 2);
    for (int i = 0; i < 5; ++i) {
        Set(p, 2, i, Colour(1, 15));
        Set(p, i, 2, Colour(1, 15));
    }
    return p;
}

// A square with cut corners; lit lamps glow with a white glint.
dar::Picture Lamp(bool lit)
{
    constexpr int size = 7;
    dar::Picture p = Blank(size, size, 0, 0);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            bool corner = (x == 0 || x == size - 1) && (y == 0 || y == size - 1);
            bool edge = x == 0 || y == 0 || x == size - 1 || y == size - 1;
            if (!corner) {
                uint8_t inside = lit ? Colour(kLampBand, 15) : Colour(0, 5);
                uint8_t border = lit ? Colour(kLampBand, 7) : Colour(0, 2);
                Set(p, x, y, edge ? border : inside);
            }
        }
    }
    if (lit) {
        Set(p, 2, 2, kWhite);
    }
    return p;
}

// Light grey with rounded top corners; drawn translucently over the scene.
dar::Picture Panel(int width)
{
    dar::Picture p = Blank(width, kPanelHeight, 0, 0);
    constexpr int radius = 4;
    for (int y = 0; y < kPanelHeight; ++y) {
        for (int x = 0; x < width; ++x) {
            int cx = std::max({radius - x, x - (width - 1 - radius), 0});
            int cy = std::max(radius - y, 0);
            if (cx * cx + cy * cy > radius * radius) {
                continue;
            }
            Set(p, x, y, y == 0 ? kWhite : Colour(0, 13));
        }
    }
    return p;
}

// Glyphs five pixels high: five rows, top row first, '#' is ink. Most are three
// pixels wide; M and W need five.
constexpr std::array<const char*, 26> kLetters = {
    ".#. #.# ### #.# #.#", "##. #.# ##. #.# ##.", ".## #.. #.. #.. .##", "##. #.# #.# #.# ##.",
    "### #.. ##. #.. ###", "### #.. ##. #.. #..", ".## #.. #.# #.# .##", "#.# #.# ### #.# #.#",
    "### .#. .#. .#. ###", "..# ..# ..# #.# .#.", "#.# #.# ##. #.# #.#", "#.. #.. #.. #.. ###",
    "#...# ##.## #.#.# #...# #...#", "##. #.# #.# #.# #.#", ".#. #.# #.# #.# .#.", "##. #.# ##. #.. #..",
    ".#. #.# #.# ##. .##", "##. #.# ##. #.# #.#", ".## #.. .#. ..# ##.", "### .#. .#. .#. .#.",
    "#.# #.# #.# #.# ###", "#.# #.# #.# #.# .#.", "#...# #...# #.#.# ##.## #...#", "#.# #.# .#. #.# #.#",
    "#.# #.# .#. .#. .#.", "### ..# .#. #.. ###"};
constexpr std::array<const char*, 10> kDigits = {
    "### #.# #.# #.# ###", ".#. ##. .#. .#. ###", "##. ..# .#. #.. ###", "##. ..# .#. ..# ##.",
    "#.# #.# ### ..# ..#", "### #.. ##. ..# ##.", ".## #.. ### #.# ###", "### ..# .#. .#. .#.",
    "### #.# ### #.# ###", "### #.# ### ..# ##."};
constexpr const char* kSlash = "..# ..# .#. #.. #..";
constexpr const char* kSpace = "... ... ... ... ...";

constexpr int GlyphWidth(const char* glyph)
{
    int width = 0;
    while (glyph[width] != ' ' && glyph[width] != '\0') {
        ++width;
    }
    return width;
}

// Five rows of one width, one space between rows.
template <size_t N>
constexpr bool WellFormed(const std::array<const char*, N>& glyphs)
{
    for (const char* g : glyphs) {
        size_t width = static_cast<size_t>(GlyphWidth(g));
        if (std::char_traits<char>::length(g) != 5 * width + 4) {
            return false;
        }
        for (size_t row = 1; row < 5; ++row) {
            if (g[row * (width + 1) - 1] != ' ') {
                return false;
            }
        }
    }
    return true;
}
static_assert(WellFormed(kLetters) && WellFormed(kDigits));

const char* Glyph(char c)
{
    if (c >= 'A' && c <= 'Z') {
        return kLetters[static_cast<size_t>(c - 'A')];
    }
    if (c >= '0' && c <= '9') {
        return kDigits[static_cast<size_t>(c - '0')];
    }
    return c == '/' ? kSlash : kSpace;
}

// Characters one pixel apart, or, with a pitch, each `pitch` pixels after the
// one before; the first at column `indent`.
dar::Picture Text(const char* text, int pitch = 0, int indent = 0)
{
    std::vector<int> columns;
    int x = indent;
    for (const char* c = text; *c != '\0'; ++c) {
        columns.push_back(x);
        x += pitch > 0 ? pitch : GlyphWidth(Glyph(*c)) + 1;
    }
    dar::Picture p = Blank(x + 1, 6, 0, 0);
    for (size_t i = 0; i < columns.size(); ++i) {
        const char* glyph = Glyph(text[i]);
        int width = GlyphWidth(glyph);
        for (int gy = 0; gy < 5; ++gy) {
            for (int gx = 0; gx < width; ++gx) {
                if (glyph[gy * (width + 1) + gx] == '#') {
                    Set(p, columns[i] + gx, gy, kWhite);
                    if (!Opaque(p, columns[i] + gx + 1, gy + 1)) {
                        Set(p, columns[i] + gx + 1, gy + 1, kDark);
                    }
                }
            }
        }
    }
    return p;
}

// The characters under the lamps of bits 0 to 15: up, down, left, right,
// buttons 1 to 10, an unused bit, Escape.
constexpr const char* kCaptions = "UDLR1234567890 E";

} // namespace

std::vector<dar::Picture> DrawPatterns(int frameWidth, int frameHeight)
{
    std::vector<dar::Picture> pictures = {
        Backdrop(frameWidth, frameHeight), Ball(), Arrow(), Creature(), Gem(), Marker(),
        Lamp(false), Lamp(true), Panel(frameWidth)};
    static constexpr std::array<const char*, kLabelCaptions> labels = {
        "PUT",  "MIRROR", "ZOOM",    "FLIP", "WAVE", "RIPPLE", "SCAN",
        "MESH", "SHADOW", "RECOLOR", "ANIM", "ROP",  "INPUT",  "SOUND"};
    for (const char* label : labels) {
        pictures.push_back(Text(label));
    }
    pictures.push_back(Text(kCaptions, kLampPitch, 2));
    pictures.push_back(Text("ARROWS/HJKL MOVE  SPACE BLIP  ESC QUIT"));
    return pictures;
}

dar::Palette DemoPalette()
{
    dar::Palette palette{};
    for (int i = 0; i < 256; ++i) {
        SproxColor c = TestColour(i);
        palette[static_cast<size_t>(i) * 4 + 0] = c.blue;
        palette[static_cast<size_t>(i) * 4 + 1] = c.green;
        palette[static_cast<size_t>(i) * 4 + 2] = c.red;
    }
    return palette;
}

bool WriteArchive(const std::string& path, const std::vector<dar::Picture>& pictures,
                  std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!dar::WriteDar(DemoPalette(), pictures, dar::WriteOptions{}, &bytes, error)) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr && std::fclose(file) != 0) {
        written = false;
    }
    if (!written) {
        *error = "could not write " + path;
    }
    return written;
}
