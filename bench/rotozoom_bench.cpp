// The rotate-zoom workload of the shared benchmark definitions: sprite A (64 x 64,
// colour 0 transparent) turned about its centre at 1:1 into a 640 x 480 8-bit
// frame refilled before every pass; call i puts the pivot (32, 32) on (x + 32,
// y + 32) of position i of the xorshift32 sequence, at angle i & 255; 1000 calls
// a pass. Ours (SX_RotoZoomPut) beside the peer (pivot_scaled_sprite).
//
//   rotozoom_bench [benchmark options]    times both, prints ours, the peer's
//                                         and the ratio
//   rotozoom_bench --list                 the names WORKLOAD/IMPL
//   rotozoom_bench --count=WORKLOAD/IMPL  one warm-up pass, then calls 0..255 in
//                                         CountedPass, for
//       valgrind --tool=callgrind --toggle-collect='*CountedPass*' rotozoom_bench --count=rotozoom/ours
//   (bench/count.sh build/bench/rotozoom_bench runs that for both)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "dar_write.h"
#include "rotozoom_peer.h"
#include "sprox.h"

namespace {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kSpriteSize = 64;
constexpr int kPivot = 32;
constexpr int kItems = 1000;
constexpr int kCountedItems = 256;
constexpr int kPatternNumber = 0;

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "rotozoom_bench: %s\n", what);
        std::exit(1);
    }
}

// Sprite A, top row first; 0 is transparent.
std::vector<uint8_t> MakeSpriteA()
{
    std::vector<uint8_t> s(kSpriteSize * kSpriteSize);
    int opaque = 0;
    for (int y = 0; y < kSpriteSize; ++y) {
        for (int x = 0; x < kSpriteSize; ++x) {
            const int dx = x - 32;
            const int dy = y - 32;
            const bool clear = dx * dx + dy * dy > 900 || (x * 7 + y * 13) % 11 == 0;
            s[y * kSpriteSize + x] = clear ? 0 : static_cast<uint8_t>(1 + (x + 3 * y) % 250);
            opaque += clear ? 0 : 1;
        }
    }
    Check(opaque == 2565, "sprite A is not 2565 opaque pixels");
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

const std::vector<uint8_t> gSprite = MakeSpriteA();
const std::vector<Position> gPositions = MakePositions();

// --- Ours: a 640 x 480 context whose frame fields are set by hand, and sprite A
// as pattern 0 of a DAR file (key colour 0, hot spot (0, 0)) ---

std::vector<uint8_t> gOurFrame(kFrameWidth * kFrameHeight);
SproxContext gContext{};

uint8_t* OurLine(int y) { return gOurFrame.data() + y * kFrameWidth; }

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

    dar::Palette palette{};
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = static_cast<uint8_t>((i * 53) % 256);
        palette[4 * i + 1] = static_cast<uint8_t>((i * 91) % 256);
        palette[4 * i + 2] = static_cast<uint8_t>((i * 37) % 256);
    }
    dar::Picture picture;
    picture.width = kSpriteSize;
    picture.height = kSpriteSize;
    picture.pixels = gSprite;
    picture.key = 0;
    std::vector<uint8_t> image;
    std::string error;
    Check(dar::WriteDar(palette, {picture}, {}, &image, &error), "sprite A does not encode");
    char path[] = "/tmp/sprox-rotozoom-bench-XXXXXX";
    const int fd = mkstemp(path);
    Check(fd >= 0 && write(fd, image.data(), image.size()) == static_cast<ssize_t>(image.size()) &&
              close(fd) == 0,
          "cannot write the archive");
    const int registered = SX_PatEntryDARFile(kPatternNumber, 1, path);
    unlink(path);
    Check(registered == 1, "sprite A did not register");
}

void OursRotoZoom(int i)
{
    const Position& p = gPositions[i];
    SX_RotoZoomPut(&gContext, p.x + kPivot, p.y + kPivot, kPatternNumber, kPivot, kPivot, i & 255,
                   256);
}

void PeerPivot(int i)
{
    const Position& p = gPositions[i];
    RotoPeerPivot(p.x + kPivot, p.y + kPivot, kPivot, kPivot, i & 255);
}

// --- Passes ---

struct Impl {
    const char* workload;
    const char* name;  // "ours" or the peer's call
    void (*draw)(int i);
    uint8_t* (*line)(int y);
};

const Impl kImpls[] = {
    {"rotozoom", "ours", OursRotoZoom, OurLine},
    {"rotozoom", "pivot_scaled_sprite", PeerPivot, RotoPeerFrameLine},
};

void RunPass(const Impl& impl, int items)
{
    for (int i = 0; i < items; ++i) {
        impl.draw(i);
    }
}

// The pass that callgrind counts (see the top of the file).
__attribute__((noinline)) void CountedPass(const Impl& impl)
{
    RunPass(impl, kCountedItems);
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

// Collects the wall-clock and CPU time per call of every run, for the table.
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

void PrintTable(const TableReporter& reporter)
{
    const auto ours = reporter.perItem.find(BenchName(kImpls[0]));
    const auto peer = reporter.perItem.find(BenchName(kImpls[1]));
    if (ours == reporter.perItem.end() || peer == reporter.perItem.end()) {
        return;
    }
    const TableReporter::Times& o = ours->second;
    const TableReporter::Times& q = peer->second;
    std::printf("\n%-10s %-22s %9s %9s %7s   %9s %9s %7s\n", "workload", "peer", "ours wall",
                "peer wall", "ratio", "ours cpu", "peer cpu", "ratio");
    std::printf("%-10s %-22s %9.1f %9.1f %7.2f   %9.1f %9.1f %7.2f\n", kImpls[1].workload,
                kImpls[1].name, o.wall, q.wall, o.wall / q.wall, o.cpu, q.cpu, o.cpu / q.cpu);
}

} // namespace

int main(int argc, char** argv)
{
    StartOurs();
    Check(RotoPeerStart(kFrameWidth, kFrameHeight, gSprite.data(), kSpriteSize, kSpriteSize) != 0,
          "peer start");
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
        std::fprintf(stderr, "rotozoom_bench: no workload %s\n", what.c_str());
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
