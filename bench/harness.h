// The shared part of the workload benchmarks (draw_bench, rotozoom_bench,
// paint_bench, rop_bench): the workload data of the benchmark definitions and the
// pass harness that sets ours beside each peer.
//
// A workload is a list of implementations of the same work: "ours", one or more
// peers (each named by its call), and for the sprite workloads the "memcpy" line.
// An implementation does item i of a pass; before every pass its target is refilled
// (not timed). Ours and a peer are timed alternately, pass by pass (ours, peer,
// ours, peer, ...), so that a load on the machine falls on both alike; the figure
// is the median of the per-pair ratios ours / peer, with its quartiles and range.
//
//   PROGRAM [--pairs=N] [--only=WORKLOAD]   the ratio table (default 15 pairs)
//   PROGRAM --list                          the names WORKLOAD/IMPL
//   PROGRAM --count=WORKLOAD/IMPL           a warm-up over the counted items, then
//                                           the counted items in CountedPass, for
//       valgrind --tool=callgrind --toggle-collect='*CountedPass*' PROGRAM --count=plain/ours
//   (bench/count.sh runs that for every workload)
//
// Every row also prints a checksum of the target after one pass (FNV-1a over the
// visible pixels), so that a faster routine can be seen to draw the same picture,
// and ours can be compared with a peer where both should draw the same.
#ifndef SPROX_BENCH_HARNESS_H
#define SPROX_BENCH_HARNESS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <time.h>

#include "sprox.h"

namespace bench {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
constexpr int kSpriteSize = 64;

inline void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "bench: %s\n", what);
        std::exit(1);
    }
}

// --- The workload data ---

// Entry i: red (i*37) % 256, green (i*91) % 256, blue (i*53) % 256.
struct Palette {
    uint8_t red[256], green[256], blue[256];
};

inline Palette WorkloadPalette()
{
    Palette p;
    for (int i = 0; i < 256; ++i) {
        p.red[i] = static_cast<uint8_t>((i * 37) % 256);
        p.green[i] = static_cast<uint8_t>((i * 91) % 256);
        p.blue[i] = static_cast<uint8_t>((i * 53) % 256);
    }
    return p;
}

// Sprite A, 64 x 64, top row first; 0 is transparent.
inline std::vector<uint8_t> SpriteA()
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

// The sprite's top-left corners: two xorshift32 outputs (seed 12345) per position.
inline std::vector<Position> Positions(int count)
{
    uint32_t s = 12345;
    auto next = [&s] {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    };
    std::vector<Position> p(static_cast<size_t>(count));
    for (auto& pos : p) {
        pos.x = static_cast<int>(next() % 672) - 32;
        pos.y = static_cast<int>(next() % 512) - 32;
    }
    Check(p.size() >= 3 && p[0].x == 90 && p[0].y == 399 && p[1].x == 608 && p[1].y == 458 &&
              p[2].x == 531 && p[2].y == 66,
          "positions differ from the definition");
    return p;
}

// frame[y][x] = (x*3 + y*5) & 255 through a row accessor.
inline void FillFrame(uint8_t* (*line)(int), int width, int height)
{
    for (int y = 0; y < height; ++y) {
        uint8_t* row = line(y);
        for (int x = 0; x < width; ++x) {
            row[x] = static_cast<uint8_t>((x * 3 + y * 5) & 255);
        }
    }
}

inline uint32_t Fnv1a(uint32_t hash, const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return hash;
}

constexpr uint32_t kFnvStart = 2166136261u;

inline uint32_t FrameChecksum(uint8_t* (*line)(int), int width, int height)
{
    uint32_t hash = kFnvStart;
    for (int y = 0; y < height; ++y) {
        hash = Fnv1a(hash, line(y), static_cast<size_t>(width));
    }
    return hash;
}

// A 640 x 480 top-down context over `bits` whose frame fields are set by hand,
// clipped to the whole frame, its colour table the palette.
inline void StartFrameContext(SproxContext& context, uint8_t* bits, const Palette& palette)
{
    context.width = kFrameWidth;
    context.height = kFrameHeight;
    context.direction = -1;
    context.stride = kFrameWidth;
    context.pitch = kFrameWidth;
    context.bits = bits;
    context.topOffset = 0;
    context.clip = {0, 0, kFrameWidth, kFrameHeight};
    context.self = &context;
    for (int i = 0; i < 256; ++i) {
        context.colors[i] = {palette.blue[i], palette.green[i], palette.red[i], 0};
    }
}

// --- The pass harness ---

struct Impl {
    const char* workload;
    const char* name;          // "ours", the peer's call, or "memcpy"
    void (*item)(int i);       // item i of a pass
    void (*fill)();            // before every pass, not timed
    uint32_t (*checksum)();    // of the target after a pass
};

struct Suite {
    const Impl* impls;
    size_t count;
    int items;          // per timed pass
    int countedItems;   // per pass that callgrind counts
};

inline std::string NameOf(const Impl& impl) { return std::string(impl.workload) + "/" + impl.name; }

inline void RunPass(const Impl& impl, int items)
{
    for (int i = 0; i < items; ++i) {
        impl.item(i);
    }
}

// The pass that callgrind counts.
__attribute__((noinline)) inline void CountedPass(const Impl& impl, int items)
{
    RunPass(impl, items);
}

struct PassTime {
    double wall;  // seconds
    double cpu;
};

inline double Seconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

inline PassTime TimedPass(const Impl& impl, int items)
{
    impl.fill();
    const double wall = Seconds(CLOCK_MONOTONIC);
    const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    RunPass(impl, items);
    return {Seconds(CLOCK_MONOTONIC) - wall, Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu};
}

// The value at fraction q of the sorted values (nearest rank).
inline double Quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

// The checksum of the target after one pass from a fresh fill.
inline uint32_t ChecksumAfterPass(const Impl& impl, int items)
{
    impl.fill();
    RunPass(impl, items);
    return impl.checksum();
}

inline void PrintHeader()
{
    std::printf("%-10s %-22s %5s %10s %10s  %6s %15s %13s  %6s  %-8s %-8s %s\n", "workload", "peer",
                "pairs", "ours ns", "peer ns", "wall", "wall IQR", "wall range", "cpu", "ours sum",
                "peer sum", "same");
}

// Ours beside one peer: `pairs` alternating passes after a warm-up of each.
inline void ComparePair(const Suite& suite, const Impl& ours, const Impl& peer, int pairs)
{
    const uint32_t ourSum = ChecksumAfterPass(ours, suite.items);   // also the warm-up
    const uint32_t peerSum = ChecksumAfterPass(peer, suite.items);
    std::vector<double> ourWall, peerWall, wallRatio, cpuRatio;
    for (int p = 0; p < pairs; ++p) {
        const PassTime o = TimedPass(ours, suite.items);
        const PassTime q = TimedPass(peer, suite.items);
        ourWall.push_back(o.wall);
        peerWall.push_back(q.wall);
        wallRatio.push_back(o.wall / q.wall);
        cpuRatio.push_back(o.cpu / q.cpu);
    }
    const double perItem = 1e9 / suite.items;
    std::printf("%-10s %-22s %5d %10.1f %10.1f  %6.2f %7.2f-%-7.2f %6.2f-%-6.2f  %6.2f  %08x %08x %s\n",
                ours.workload, peer.name, pairs, Quantile(ourWall, 0.5) * perItem,
                Quantile(peerWall, 0.5) * perItem, Quantile(wallRatio, 0.5),
                Quantile(wallRatio, 0.25), Quantile(wallRatio, 0.75), Quantile(wallRatio, 0.0),
                Quantile(wallRatio, 1.0), Quantile(cpuRatio, 0.5), ourSum, peerSum,
                ourSum == peerSum ? "yes" : "no");
    std::fflush(stdout);
}

// A line of its own, timed alone (the memcpy line).
inline void TimeAlone(const Suite& suite, const Impl& impl, int passes)
{
    const uint32_t sum = ChecksumAfterPass(impl, suite.items);
    std::vector<double> wall;
    for (int p = 0; p < passes; ++p) {
        wall.push_back(TimedPass(impl, suite.items).wall);
    }
    std::printf("%-10s %-22s %5d %10s %10.1f  %6s %15s %13s  %6s  %-8s %08x\n", impl.workload,
                impl.name, passes, "-", Quantile(wall, 0.5) * 1e9 / suite.items, "", "", "", "",
                "", sum);
    std::fflush(stdout);
}

inline int Main(const Suite& suite, int argc, char** argv)
{
    const Impl* begin = suite.impls;
    const Impl* end = suite.impls + suite.count;
    int pairs = 15;
    std::string only;
    for (int k = 1; k < argc; ++k) {
        const char* arg = argv[k];
        if (std::strcmp(arg, "--list") == 0) {
            for (const Impl* impl = begin; impl != end; ++impl) {
                std::printf("%s\n", NameOf(*impl).c_str());
            }
            return 0;
        }
        if (std::strncmp(arg, "--count=", 8) == 0) {
            for (const Impl* impl = begin; impl != end; ++impl) {
                if (NameOf(*impl) == arg + 8) {
                    impl->fill();
                    RunPass(*impl, suite.countedItems);  // warm-up, not counted
                    impl->fill();
                    CountedPass(*impl, suite.countedItems);
                    return 0;
                }
            }
            std::fprintf(stderr, "no workload %s; --list names them\n", arg + 8);
            return 1;
        }
        if (std::strncmp(arg, "--pairs=", 8) == 0 && std::atoi(arg + 8) > 0) {
            pairs = std::atoi(arg + 8);
        } else if (std::strncmp(arg, "--only=", 7) == 0) {
            only = arg + 7;
        } else {
            std::fprintf(stderr, "usage: %s [--pairs=N] [--only=WORKLOAD] | --list | "
                                 "--count=WORKLOAD/IMPL\n", argv[0]);
            return 2;
        }
    }
    std::printf("ns per item (median); wall and cpu: median of the per-pair ratios ours / peer, "
                "with the interquartile range and the range of the wall ratio\n");
    PrintHeader();
    const Impl* ours = nullptr;
    for (const Impl* impl = begin; impl != end; ++impl) {
        if (!only.empty() && only != impl->workload) {
            continue;
        }
        if (std::strcmp(impl->name, "memcpy") == 0) {
            TimeAlone(suite, *impl, pairs);
        } else if (std::strcmp(impl->name, "ours") == 0) {
            ours = impl;
        } else if (ours != nullptr && std::strcmp(ours->workload, impl->workload) == 0) {
            ComparePair(suite, *ours, *impl, pairs);
        }
    }
    return 0;
}

} // namespace bench

#endif
