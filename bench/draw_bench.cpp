// Sprite drawing: our exports beside the peers (SDL2, Allegro 4) and the memcpy
// line, on the workloads plain, rop, recolour, mirror, scale2x and scalehalf of
// the shared benchmark definitions: a 640 x 480 8-bit frame refilled before every
// pass, sprite A (64 x 64), 20000 positions from xorshift32.
//
//   draw_bench [benchmark options]    times every workload and prints, per
//                                     workload, ours, the peer's and the ratio
//   draw_bench --list                 the names WORKLOAD/IMPL
//   draw_bench --count=WORKLOAD/IMPL  one warm-up pass, then items 0..1999 in
//                                     CountedPass, for
//       valgrind --tool=callgrind --toggle-collect='*CountedPass*' draw_bench --count=plain/ours
//   (bench/count.sh runs that for every workload and prints instructions per item)
#include <benchmark/benchmark.h>

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "peer_allegro.h"
#include "sprox.h"

namespace {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kSpriteSize = 64;
constexpr int kItems = 20000;
constexpr int kCountedItems = 2000;
constexpr int kPatternNumber = 0;

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "draw_bench: %s\n", what);
        std::exit(1);
    }
}

// --- The workloads' data ---

struct Palette {
    uint8_t red[256], green[256], blue[256];
};

Palette MakePalette()
{
    Palette p;
    for (int i = 0; i < 256; ++i) {
        p.red[i] = static_cast<uint8_t>((i * 37) % 256);
        p.green[i] = static_cast<uint8_t>((i * 91) % 256);
        p.blue[i] = static_cast<uint8_t>((i * 53) % 256);
    }
    return p;
}

// Sprite A, top row first; 0 is transparent.
std::vector<uint8_t> MakeSpriteA()
{
    std::vector<uint8_t> s(kSpriteSize * kSpriteSize);
    int opaque = 0;
    int runs = 0;
    for (int y = 0; y < kSpriteSize; ++y) {
        bool inRun = false;
        for (int x = 0; x < kSpriteSize; ++x) {
            const int dx = x - 32;
            const int dy = y - 32;
            const bool clear = dx * dx + dy * dy > 900 || (x * 7 + y * 13) % 11 == 0;
            s[y * kSpriteSize + x] = clear ? 0 : static_cast<uint8_t>(1 + (x + 3 * y) % 250);
            opaque += clear ? 0 : 1;
            runs += !clear && !inRun ? 1 : 0;
            inRun = !clear;
        }
    }
    Check(opaque == 2565 && runs == 301, "sprite A is not 2565 opaque pixels in 301 runs");
    return s;
}

struct Position {
    int x, y;
};

std::vector<Position> MakePositions()
{
    uint32_t s = 12345;
    auto next = [&s] {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    };
    std::vector<Position> p(kItems);
    for (auto& pos : p) {
        pos.x = static_cast<int>(next() % 672) - 32;
        pos.y = static_cast<int>(next() % 512) - 32;
    }
    Check(p[0].x == 90 && p[0].y == 399 && p[1].x == 608 && p[1].y == 458 && p[2].x == 531 &&
              p[2].y == 66,
          "positions differ from the definition");
    return p;
}

void FillFrame(uint8_t* (*line)(int))
{
    for (int y = 0; y < kFrameHeight; ++y) {
        uint8_t* row = line(y);
        for (int x = 0; x < kFrameWidth; ++x) {
            row[x] = static_cast<uint8_t>((x * 3 + y * 5) & 255);
        }
    }
}

const Palette gPalette = MakePalette();
const std::vector<uint8_t> gSprite = MakeSpriteA();
const std::vector<Position> gPositions = MakePositions();

// --- Ours: a 640 x 480 context whose frame fields are set by hand, and sprite A
// as pattern 0 of a DAR image built in memory ---

std::vector<uint8_t> gOurFrame(kFrameWidth * kFrameHeight);
SproxContext gContext{};
uint8_t* gRop = nullptr;
const uint8_t* gRecolour = nullptr;

uint8_t* OurLine(int y) { return gOurFrame.data() + y * kFrameWidth; }

// The version 0 DAR image of sprite A: head, palette, one entry whose rows are
// stored bottom row first, each row one segment per opaque run and a last
// segment whose skip covers trailing transparent pixels.
void BuildPattern()
{
    std::vector<std::vector<uint8_t>> rows;
    size_t stride = 4;
    for (int y = kSpriteSize - 1; y >= 0; --y) {
        std::vector<uint8_t> row;
        const uint8_t* px = &gSprite[y * kSpriteSize];
        int x = 0;
        while (x < kSpriteSize) {
            int skip = 0;
            while (x + skip < kSpriteSize && px[x + skip] == 0) {
                ++skip;
            }
            int count = 0;
            while (x + skip + count < kSpriteSize && px[x + skip + count] != 0) {
                ++count;
            }
            const uint32_t word = static_cast<uint32_t>(skip) | static_cast<uint32_t>(count) << 16;
            for (int b = 0; b < 4; ++b) {
                row.push_back(static_cast<uint8_t>(word >> (8 * b)));
            }
            row.insert(row.end(), px + x + skip, px + x + skip + count);
            row.resize((row.size() + 3) / 4 * 4);
            x += skip + count;
        }
        stride = std::max(stride, row.size());
        rows.push_back(row);
    }
    std::vector<uint8_t> image(1036 + 8);
    std::memcpy(image.data(), "DAR:8", 5);
    image[5] = 0;
    image[6] = 1;  // one pattern
    image[8] = 4;  // palette at 8 + 4
    for (int i = 0; i < 256; ++i) {
        image[12 + 4 * i] = gPalette.blue[i];
        image[12 + 4 * i + 1] = gPalette.green[i];
        image[12 + 4 * i + 2] = gPalette.red[i];
    }
    const uint8_t head[8] = {kSpriteSize, 0, kSpriteSize, 0, static_cast<uint8_t>(stride),
                             static_cast<uint8_t>(stride >> 8), 0, 0};
    std::memcpy(&image[1036], head, 8);
    for (auto& row : rows) {
        row.resize(stride, 0);
        image.insert(image.end(), row.begin(), row.end());
    }
    // Registered the way a game registers it: from a DAR file.
    char path[] = "/tmp/sprox-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, image.data(), image.size()) != static_cast<ssize_t>(image.size()) ||
        close(fd) != 0 || SX_PatEntryDARFile(kPatternNumber, 1, path) != 1) {
        std::fprintf(stderr, "draw_bench: sprite A did not register\n");
        std::exit(1);
    }
    unlink(path);
}

void StartOurs()
{
    gContext.width = kFrameWidth;
    gContext.height = kFrameHeight;
    gContext.direction = -1;
    gContext.stride = kFrameWidth;
    gContext.pitch = kFrameWidth;
    gContext.bits = gOurFrame.data();
    gContext.topOffset = 0;
    gContext.clip = {0, 0, kFrameWidth, kFrameHeight};
    gContext.self = &gContext;
    for (int i = 0; i < 256; ++i) {
        gContext.colors[i] = {gPalette.blue[i], gPalette.green[i], gPalette.red[i], 0};
    }
    BuildPattern();

    // The 50 % table from the ROP exports.
    gRop = SX_CreateRop();
    if (gRop == nullptr) {
        std::fprintf(stderr, "draw_bench: no ROP table\n");
        std::exit(1);
    }
    SX_TransRop(&gContext, gRop, 50);
    gRecolour = gRop + 128 * 256;
}

DrawRequest Request(uint32_t flags, int scaleX, const uint8_t* table)
{
    DrawRequest rq{};
    rq.flags = flags;
    rq.pattern = kPatternNumber;
    rq.scaleX = scaleX;
    rq.scaleY = 256;
    rq.table = table;
    return rq;
}

DrawRequest gRecolourRequest, gMirrorRequest, gScale2xRequest, gScaleHalfRequest;

void OurDraw(DrawRequest& rq, int x, int y)
{
    rq.x = x;
    rq.y = y;
    SX_PatDraw(&gContext, &rq);
}

void OursPlain(int x, int y) { SX_PatPut(&gContext, x, y, kPatternNumber); }
void OursRop(int x, int y) { SX_RopPut(&gContext, x, y, kPatternNumber, gRop); }
void OursRecolour(int x, int y) { OurDraw(gRecolourRequest, x, y); }
void OursMirror(int x, int y) { OurDraw(gMirrorRequest, x, y); }
void OursScale2x(int x, int y) { OurDraw(gScale2xRequest, x, y); }
void OursScaleHalf(int x, int y) { OurDraw(gScaleHalfRequest, x, y); }

// --- SDL2: RLE colour-keyed blit between 8-bit surfaces sharing a palette ---

SDL_Surface* gSdlFrame = nullptr;
SDL_Surface* gSdlSprite = nullptr;

uint8_t* SdlLine(int y) { return static_cast<uint8_t*>(gSdlFrame->pixels) + y * gSdlFrame->pitch; }

void StartSdl()
{
    gSdlFrame = SDL_CreateRGBSurfaceWithFormat(0, kFrameWidth, kFrameHeight, 8, SDL_PIXELFORMAT_INDEX8);
    gSdlSprite = SDL_CreateRGBSurfaceWithFormat(0, kSpriteSize, kSpriteSize, 8, SDL_PIXELFORMAT_INDEX8);
    Check(gSdlFrame != nullptr && gSdlSprite != nullptr, "SDL surfaces");
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i] = {gPalette.red[i], gPalette.green[i], gPalette.blue[i], 255};
    }
    SDL_SetPaletteColors(gSdlFrame->format->palette, colours, 0, 256);
    SDL_SetSurfacePalette(gSdlSprite, gSdlFrame->format->palette);
    for (int y = 0; y < kSpriteSize; ++y) {
        std::memcpy(static_cast<uint8_t*>(gSdlSprite->pixels) + y * gSdlSprite->pitch,
                    &gSprite[y * kSpriteSize], kSpriteSize);
    }
    Check(SDL_SetColorKey(gSdlSprite, SDL_TRUE | SDL_RLEACCEL, 0) == 0, "SDL colour key");
}

void SdlPlain(int x, int y)
{
    SDL_Rect r{x, y, kSpriteSize, kSpriteSize};
    SDL_BlitSurface(gSdlSprite, nullptr, gSdlFrame, &r);
}

// --- Allegro 4 ---

void AllegroPlain(int x, int y) { AllegroPeerDrawRle(x, y); }
void AllegroRop(int x, int y) { AllegroPeerDrawTransRle(x, y); }
void AllegroRecolour(int x, int y) { AllegroPeerDrawLitRle(x, y, 128); }
void AllegroMirror(int x, int y) { AllegroPeerDrawHFlip(x, y); }
void AllegroScale2x(int x, int y) { AllegroPeerStretch(x, y, 128, 64); }
void AllegroScaleHalf(int x, int y) { AllegroPeerStretch(x, y, 32, 64); }

// --- The memcpy line: each visible sprite row copied without a mask ---

std::vector<uint8_t> gCopyFrame(kFrameWidth * kFrameHeight);

uint8_t* CopyLine(int y) { return gCopyFrame.data() + y * kFrameWidth; }

void CopyRows(int x, int y)
{
    const int left = std::max(x, 0);
    const int right = std::min(x + kSpriteSize, kFrameWidth);
    const int top = std::max(y, 0);
    const int bottom = std::min(y + kSpriteSize, kFrameHeight);
    for (int line = top; line < bottom; ++line) {
        std::memcpy(CopyLine(line) + left, &gSprite[(line - y) * kSpriteSize + left - x],
                    static_cast<size_t>(std::max(right - left, 0)));
    }
}

// --- Passes ---

struct Impl {
    const char* workload;
    const char* name;  // "ours", a peer, or "memcpy"
    void (*draw)(int x, int y);
    uint8_t* (*line)(int y);
};

const Impl kImpls[] = {
    {"memcpy", "memcpy", CopyRows, CopyLine},
    {"plain", "ours", OursPlain, OurLine},
    {"plain", "SDL_BlitSurface", SdlPlain, SdlLine},
    {"plain", "draw_rle_sprite", AllegroPlain, AllegroPeerFrameLine},
    {"rop", "ours", OursRop, OurLine},
    {"rop", "draw_trans_rle_sprite", AllegroRop, AllegroPeerFrameLine},
    {"recolour", "ours", OursRecolour, OurLine},
    {"recolour", "draw_lit_rle_sprite", AllegroRecolour, AllegroPeerFrameLine},
    {"mirror", "ours", OursMirror, OurLine},
    {"mirror", "draw_sprite_h_flip", AllegroMirror, AllegroPeerFrameLine},
    {"scale2x", "ours", OursScale2x, OurLine},
    {"scale2x", "stretch_sprite", AllegroScale2x, AllegroPeerFrameLine},
    {"scalehalf", "ours", OursScaleHalf, OurLine},
    {"scalehalf", "stretch_sprite", AllegroScaleHalf, AllegroPeerFrameLine},
};

void RunPass(const Impl& impl, int items)
{
    for (int i = 0; i < items; ++i) {
        impl.draw(gPositions[i].x, gPositions[i].y);
    }
}

// The pass that callgrind counts (see the top of the file).
__attribute__((noinline)) void CountedPass(const Impl& impl)
{
    RunPass(impl, kCountedItems);
}

void StartAll()
{
    StartOurs();
    gRecolourRequest = Request(PD_RECOLOR, 256, gRecolour);
    gMirrorRequest = Request(PD_MIRROR, 256, nullptr);
    gScale2xRequest = Request(PD_XZOOM, 512, nullptr);
    gScaleHalfRequest = Request(PD_XZOOM, 128, nullptr);
    StartSdl();
    Check(AllegroPeerStart(kFrameWidth, kFrameHeight, gSprite.data(), kSpriteSize, kSpriteSize,
                           gPalette.red, gPalette.green, gPalette.blue) != 0,
          "Allegro start");
}

void BM_Pass(benchmark::State& state, const Impl* impl)
{
    FillFrame(impl->line);
    RunPass(*impl, kItems);  // warm-up
    for (auto _ : state) {
        state.PauseTiming();
        FillFrame(impl->line);
        state.ResumeTiming();
        RunPass(*impl, kItems);
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

// Collects the wall-clock and CPU time per item of every run, to print the table
// at the end.
class TableReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double wall;
        double cpu;
    };
    std::map<std::string, Times> perItem;  // nanoseconds

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
                const double items = static_cast<double>(r.iterations) * kItems / 1e9;
                perItem[r.run_name.function_name] = {r.real_accumulated_time / items,
                                                     r.cpu_accumulated_time / items};
            }
        }
    }
};

std::string BenchName(const Impl& impl) { return std::string(impl.workload) + "/" + impl.name; }

// Ours beside each peer of the same workload: nanoseconds per item and ours / peer,
// wall clock and CPU.
void PrintTable(const TableReporter& reporter)
{
    std::printf("\n%-10s %-22s %9s %9s %7s   %9s %9s %7s\n", "workload", "peer", "ours wall",
                "peer wall", "ratio", "ours cpu", "peer cpu", "ratio");
    const TableReporter::Times* ours = nullptr;
    for (const Impl& impl : kImpls) {
        auto it = reporter.perItem.find(BenchName(impl));
        if (it == reporter.perItem.end()) {
            continue;
        }
        const TableReporter::Times& t = it->second;
        if (std::strcmp(impl.name, "memcpy") == 0) {
            std::printf("%-10s %-22s %9s %9.1f %7s   %9s %9.1f\n", "memcpy", "memcpy line", "-",
                        t.wall, "", "-", t.cpu);
        } else if (std::strcmp(impl.name, "ours") == 0) {
            ours = &t;
        } else if (ours != nullptr) {
            std::printf("%-10s %-22s %9.1f %9.1f %7.2f   %9.1f %9.1f %7.2f\n", impl.workload,
                        impl.name, ours->wall, t.wall, ours->wall / t.wall, ours->cpu, t.cpu,
                        ours->cpu / t.cpu);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    StartAll();
    if (argc >= 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const Impl& impl : kImpls) {
            std::printf("%s\n", BenchName(impl).c_str());
        }
        return 0;
    }
    if (argc >= 2 && std::strncmp(argv[1], "--count=", 8) == 0) {
        const std::string what = argv[1] + 8;
        for (const Impl& impl : kImpls) {
            if (what == BenchName(impl)) {
                FillFrame(impl.line);
                RunPass(impl, kItems);  // warm-up, not counted
                FillFrame(impl.line);
                CountedPass(impl);
                return 0;
            }
        }
        std::fprintf(stderr, "draw_bench: no workload %s; use one of:\n", what.c_str());
        for (const Impl& impl : kImpls) {
            std::fprintf(stderr, "  %s\n", BenchName(impl).c_str());
        }
        return 1;
    }
    for (const Impl& impl : kImpls) {
        benchmark::RegisterBenchmark(BenchName(impl).c_str(), BM_Pass, &impl)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintTable(reporter);
    benchmark::Shutdown();
    return 0;
}
