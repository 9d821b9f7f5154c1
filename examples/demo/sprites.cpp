#include "sprites.h"

#include <cmath>

#include "art.h"
#include "picture.h"

namespace {

constexpr int kCellWidth = 160;
constexpr int kCellHeight = 34;
constexpr int kRowsPerColumn = 6;
constexpr int kOneToOne = 256;
constexpr uint32_t kEveryPixel = 0xFFFFFFFF;
constexpr double kTurn = 6.283185307179586;

// A request whose hot spot lies where the middle of the pattern, at its scale,
// lands on (cx, cy).
DrawRequest At(const Sprites& s, int pattern, int cx, int cy, uint32_t flags,
               int scaleX = kOneToOne, int scaleY = kOneToOne)
{
    const SpriteSize& size = s.sizes[static_cast<size_t>(pattern)];
    int sx = (flags & PD_XZOOM) != 0 ? scaleX : kOneToOne;
    int sy = (flags & PD_YZOOM) != 0 ? scaleY : kOneToOne;
    DrawRequest r{};
    r.flags = flags;
    r.pattern = static_cast<uint32_t>(pattern);
    r.x = cx - size.width * sx / 512 + size.hotX * sx / kOneToOne;
    r.y = cy - size.height * sy / 512 + size.hotY * sy / kOneToOne;
    r.scaleX = scaleX;
    r.scaleY = scaleY;
    r.mesh = kEveryPixel;
    return r;
}

void Draw(SproxContext* context, const DrawRequest& request) { SX_PatDraw(context, &request); }

// Where the i-th of n sprites of a cell stands: spread over the cell right of its label.
int Slot(int cellX, int i, int n) { return cellX + 48 + i * (kCellWidth - 60) / (n - 1); }

// One cell per function; x is the cell's left edge, cy its middle row.
using CellFunction = void (*)(const Sprites&, SproxContext*, int x, int cy, int frame);

constexpr int kFour[] = {kBall, kArrow, kCreature, kGem};

// Plain 1:1 puts, each with a cross on the point it was put at.
void CellPut(const Sprites& s, SproxContext* c, int x, int cy, int)
{
    for (int i = 0; i < 4; ++i) {
        DrawRequest r = At(s, kFour[i], Slot(x, i, 4), cy, 0);
        SX_PatPut(c, r.x, r.y, kFour[i]);
        SX_PatPut(c, r.x, r.y, kMarker);
    }
}

void CellMirror(const Sprites& s, SproxContext* c, int x, int cy, int)
{
    for (int i = 0; i < 4; ++i) {
        Draw(c, At(s, kFour[i], Slot(x, i, 4), cy, PD_MIRROR));
    }
}

// Growing both ways, shrinking both ways, twice as wide with gaps between the
// enlarged pixels, and taller only.
void CellZoom(const Sprites& s, SproxContext* c, int x, int cy, int)
{
    Draw(c, At(s, kBall, Slot(x, 0, 4), cy, PD_XZOOM | PD_YZOOM, 384, 384));
    Draw(c, At(s, kArrow, Slot(x, 1, 4), cy, PD_XZOOM | PD_YZOOM, 160, 160));
    Draw(c, At(s, kCreature, Slot(x, 2, 4), cy, PD_XZOOM | PD_SCATTER, 512));
    Draw(c, At(s, kGem, Slot(x, 3, 4), cy, PD_YZOOM, kOneToOne, 448));
}

void CellFlip(const Sprites& s, SproxContext* c, int x, int cy, int)
{
    Draw(c, At(s, kArrow, Slot(x, 0, 4), cy, PD_VFLIP));
    Draw(c, At(s, kCreature, Slot(x, 1, 4), cy, PD_VFLIP));
    Draw(c, At(s, kCreature, Slot(x, 2, 4), cy, PD_VFLIP | PD_MIRROR));
    Draw(c, At(s, kBall, Slot(x, 3, 4), cy, PD_VFLIP));
}

// Rows shifted sideways along a sine; a negative period turns the shift over on
// every row; the gem waves while enlarged.
void CellWave(const Sprites& s, SproxContext* c, int x, int cy, int frame)
{
    const struct {
        int pattern;
        int period;
        int amplitude;
    } waves[] = {{kCreature, 24, 3}, {kArrow, 16, 2}, {kBall, -16, 2}, {kGem, 20, 3}};
    for (int i = 0; i < 4; ++i) {
        uint32_t flags = PD_WAVE | (i == 3 ? PD_YZOOM : 0);
        DrawRequest r = At(s, waves[i].pattern, Slot(x, i, 4), cy, flags, kOneToOne, 384);
        r.wavePeriod = waves[i].period;
        r.waveAmplitude = waves[i].amplitude;
        r.wavePhase = frame * 8;
        Draw(c, r);
    }
}

// Rows displaced up and down, most in the middle of the pattern.
void CellRipple(const Sprites& s, SproxContext* c, int x, int cy, int frame)
{
    const int patterns[] = {kCreature, kBall, kArrow, kGem};
    for (int i = 0; i < 4; ++i) {
        uint32_t flags = PD_RIPPLE | (i == 3 ? PD_YZOOM : 0);
        DrawRequest r = At(s, patterns[i], Slot(x, i, 4), cy, flags, kOneToOne, 384);
        r.wavePeriod = 8;
        r.wavePhase = frame * 6;
        Draw(c, r);
    }
}

// Enlarged upwards with only the first row of each source row drawn.
void CellScan(const Sprites& s, SproxContext* c, int x, int cy, int)
{
    const int scales[] = {448, 512, 384, 512};
    for (int i = 0; i < 4; ++i) {
        Draw(c, At(s, kFour[i], Slot(x, i, 4), cy, PD_SCANLINE | PD_YZOOM, kOneToOne, scales[i]));
    }
}

// Screen doors: a checkerboard, every other row, every other column, a sparse
// diagonal.
void CellMesh(const Sprites& s, SproxContext* c, int x, int cy, int)
{
    const uint32_t masks[] = {0xAA55AA55, 0xFF00FF00, 0xAAAAAAAA, 0x88442211};
    for (int i = 0; i < 4; ++i) {
        DrawRequest r = At(s, kFour[i], Slot(x, i, 4), cy, PD_MESH);
        r.mesh = masks[i];
        Draw(c, r);
    }
}

// Shadows darken what lies under the pattern's shape: a flat one under the
// ball, cast ones beside the creature and the gem, and the arrow's alone.
void CellShadow(const Sprites& s, SproxContext* c, int x, int cy, int)
{
    DrawRequest ground = At(s, kBall, Slot(x, 0, 4), cy + 12, PD_SHADOW | PD_YZOOM, kOneToOne, 64);
    ground.table = s.shadow.data();
    Draw(c, ground);
    Draw(c, At(s, kBall, Slot(x, 0, 4), cy - 3, 0));

    DrawRequest arrow = At(s, kArrow, Slot(x, 1, 4), cy, PD_SHADOW);
    arrow.table = s.shadow.data();
    Draw(c, arrow);

    for (int i : {2, 3}) {
        DrawRequest cast = At(s, kFour[i], Slot(x, i, 4) + 3, cy + 2, PD_SHADOW);
        cast.table = s.shadow.data();
        Draw(c, cast);
        Draw(c, At(s, kFour[i], Slot(x, i, 4), cy, 0));
    }
}

// The creature and the ball in other colours through 256-byte colour tables.
void CellRecolor(const Sprites& s, SproxContext* c, int x, int cy, int)
{
    for (int i = 0; i < 3; ++i) {
        DrawRequest r = At(s, kCreature, Slot(x, i, 4), cy, PD_RECOLOR | (i == 1 ? PD_MIRROR : 0));
        r.table = s.hues[static_cast<size_t>(i)].data();
        Draw(c, r);
    }
    DrawRequest ball = At(s, kBall, Slot(x, 3, 4), cy, PD_RECOLOR);
    ball.table = s.hues[2].data();
    Draw(c, ball);
}

// A ball bouncing with squash and stretch, an arrow whose wave swells and
// fades, a breathing creature, a gem spinning like a coin.
void CellAnim(const Sprites& s, SproxContext* c, int x, int cy, int frame)
{
    double t = frame * kTurn / 48;
    double bounce = std::abs(std::sin(t));
    int squash = bounce < 0.3 ? static_cast<int>(96 * (0.3 - bounce) / 0.3) : 0;
    int scaleY = kOneToOne - squash;
    int lift = static_cast<int>(bounce * 14);
    int height = s.sizes[kBall].height * scaleY / kOneToOne;
    Draw(c, At(s, kBall, Slot(x, 0, 4), cy + 15 - lift - height / 2, PD_XZOOM | PD_YZOOM,
               kOneToOne + squash, scaleY));

    DrawRequest arrow = At(s, kArrow, Slot(x, 1, 4), cy, PD_WAVE);
    arrow.wavePeriod = 20;
    arrow.waveAmplitude = static_cast<int>(4 * std::sin(t / 2));
    arrow.wavePhase = frame * 10;
    Draw(c, arrow);

    int breath = static_cast<int>(32 * std::sin(t));
    Draw(c, At(s, kCreature, Slot(x, 2, 4), cy, PD_XZOOM | PD_YZOOM, kOneToOne - breath / 2,
               kOneToOne + breath));

    double spin = std::cos(t);
    Draw(c, At(s, kGem, Slot(x, 3, 4), cy, PD_XZOOM | (spin < 0 ? PD_MIRROR : 0),
               static_cast<int>(std::abs(spin) * kOneToOne)));
}

// Translucent puts through the ROP table: a ball half over a plain arrow, the
// creature half over a plain gem, and a mirrored, enlarged creature.
void CellRop(const Sprites& s, SproxContext* c, int x, int cy, int)
{
    Draw(c, At(s, kArrow, Slot(x, 0, 3), cy, 0));
    DrawRequest ball = At(s, kBall, Slot(x, 0, 3) + 10, cy, 0);
    SX_RopPut(c, ball.x, ball.y, kBall, s.rop);

    Draw(c, At(s, kGem, Slot(x, 1, 3) - 4, cy, 0));
    DrawRequest creature = At(s, kCreature, Slot(x, 1, 3) + 4, cy, 0);
    SX_RopPut(c, creature.x, creature.y, kCreature, s.rop);

    DrawRequest big = At(s, kCreature, Slot(x, 2, 3), cy, PD_ROP | PD_MIRROR | PD_XZOOM | PD_YZOOM, 352, 352);
    big.table = s.rop;
    Draw(c, big);
}

struct Cell {
    Label label;
    CellFunction draw;
};

constexpr Cell kCells[] = {
    {kLabelPut, CellPut},       {kLabelMirror, CellMirror}, {kLabelZoom, CellZoom},
    {kLabelFlip, CellFlip},     {kLabelWave, CellWave},     {kLabelRipple, CellRipple},
    {kLabelScan, CellScan},     {kLabelMesh, CellMesh},     {kLabelShadow, CellShadow},
    {kLabelRecolor, CellRecolor}, {kLabelAnim, CellAnim},   {kLabelRop, CellRop},
};

// Colour tables over the test picture's bands: the same band at another step,
// or another band at the same step (grey stays grey).
ColourTable ByLevel(int base, int numerator, int denominator)
{
    ColourTable t{};
    for (int i = 0; i < 256; ++i) {
        t[static_cast<size_t>(i)] = Colour(BandOf(i), base + LevelOf(i) * numerator / denominator);
    }
    return t;
}

ColourTable TurnHue(int bands)
{
    ColourTable t{};
    for (int i = 0; i < 256; ++i) {
        int band = BandOf(i);
        int turned = band == 0 ? 0 : (band - 1 + bands) % (kBands - 1) + 1;
        t[static_cast<size_t>(i)] = Colour(turned, LevelOf(i));
    }
    return t;
}

} // namespace

bool StartSprites(Sprites& s, SproxContext* context, const std::string& folder, int width,
                  int height, std::string* error)
{
    std::vector<dar::Picture> pictures = DrawPatterns(width, height);
    std::string path = folder + "/demo.dar";
    if (!WriteArchive(path, pictures, error)) {
        return false;
    }
    if (SX_PatEntryDARFile(0, kPatternCount, path.c_str()) != kPatternCount) {
        *error = "the library did not register the patterns of " + path;
        return false;
    }
    for (const dar::Picture& p : pictures) {
        s.sizes.push_back({p.width, p.height, p.hotX, p.hotY});
    }

    // The frame takes its colours from a pattern of the archive.
    SX_Size(context, width, height, kBackdrop, nullptr);
    if (context->width != width || context->height != height) {
        *error = "no frame";
        return false;
    }
    s.width = width;
    s.height = height;

    s.rop = SX_CreateRop();
    if (s.rop == nullptr) {
        *error = "no ROP table";
        return false;
    }
    SX_TransRop(context, s.rop, 50);
    s.dim = ByLevel(3, 1, 5);
    s.shadow = ByLevel(0, 1, 3);
    s.hues = {TurnHue(3), TurnHue(6), TurnHue(9)};
    return true;
}

void DrawBackdrop(const Sprites& s, SproxContext* context, int frame)
{
    int dx = frame % s.width;
    int dy = frame / 2 % s.height;
    for (int y : {-dy, s.height - dy}) {
        for (int x : {-dx, s.width - dx}) {
            DrawRequest r{};
            r.flags = PD_RECOLOR;
            r.pattern = kBackdrop;
            r.x = x;
            r.y = y;
            r.table = s.dim.data();
            Draw(context, r);
        }
    }
}

void DrawEffectRows(const Sprites& s, SproxContext* context, int frame)
{
    int i = 0;
    for (const Cell& cell : kCells) {
        int x = i / kRowsPerColumn * kCellWidth;
        int y = i % kRowsPerColumn * kCellHeight;
        SX_PatPut(context, x + 4, y + kCellHeight / 2 - 3, LabelPattern(cell.label));
        cell.draw(s, context, x, y + kCellHeight / 2, frame);
        ++i;
    }
}

void DrawStatusPanel(const Sprites& s, SproxContext* context, int32_t inputBits, bool soundOn)
{
    int top = s.height - kPanelHeight;
    SX_RopPut(context, 0, top, kPanel, s.rop);
    SX_PatPut(context, 4, top + 5, LabelPattern(kLabelInput));
    constexpr int lampsLeft = 30;
    for (int bit = 0; bit < 16; ++bit) {
        bool lit = (inputBits >> bit & 1) != 0;
        SX_PatPut(context, lampsLeft + bit * kLampPitch, top + 4, lit ? kLampOn : kLampOff);
    }
    SX_PatPut(context, lampsLeft, top + 13, LabelPattern(kLabelCaptions));
    SX_PatPut(context, 184, top + 5, LabelPattern(kLabelSound));
    SX_PatPut(context, 208, top + 4, soundOn ? kLampOn : kLampOff);
    SX_PatPut(context, 4, top + 26, LabelPattern(kLabelHelp));
}

void DrawPlayer(const Sprites& s, SproxContext* context, int x, int y, bool facingLeft)
{
    DrawRequest r{};
    r.flags = PD_RECOLOR | (facingLeft ? PD_MIRROR : 0);
    r.pattern = kCreature;
    r.x = x;
    r.y = y;
    r.table = s.hues[2].data();
    Draw(context, r);
}

Point DronePosition(const Sprites& s, int frame)
{
    double t = frame * kTurn / 240;
    int rangeX = s.width / 2 - 16;
    int rangeY = (s.height - kPanelHeight) / 2 - 16;
    return {s.width / 2 + static_cast<int>(rangeX * std::sin(t * 2)),
            (s.height - kPanelHeight) / 2 + static_cast<int>(rangeY * std::sin(t * 3 + 0.5))};
}

void DrawDrone(const Sprites& s, SproxContext* context, Point at)
{
    DrawRequest r = At(s, kGem, at.x, at.y, PD_ROP | PD_XZOOM | PD_YZOOM, 512, 512);
    r.table = s.rop;
    Draw(context, r);
}

void EndSprites(Sprites& s)
{
    if (s.rop != nullptr) {
        SX_DeleteRop(s.rop);
        s.rop = nullptr;
    }
}
