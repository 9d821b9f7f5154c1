// The translucency-table workload: one table at level 50 for the workload palette,
// ours (SX_TransRop, the exact search) beside the peer (an RGB map and a colour map
// built from it, approximate), one table per item. Beside it (--all), ours at
// levels 25 and 75 and on other palettes: random colours, sixteen ramps of sixteen
// shades as game palettes are often made, a colour cube with greys, 256 greys, and
// a dozen colours repeated over the whole palette.
//
//   rop_bench [harness options] [--level=N]
//             [--palette=workload|random|ramps|cube|greys|duplicates]
//       ours and the peer alternately, the ratio table of harness.h; --count=
//       transtable/ours counts one table of that palette and level
//   rop_bench --all [benchmark options]   every palette and level, Google Benchmark
//
// Workload palette entry i: red (i*37) % 256, green (i*91) % 256, blue (i*53) % 256.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "harness.h"
#include "rop_peer.h"
#include "sprox.h"

namespace {

using Rgb = std::array<unsigned char, 3>;
using Palette = std::array<Rgb, 256>;

Palette WorkloadPalette()
{
    Palette p;
    for (int i = 0; i < 256; ++i) {
        p[i] = {static_cast<unsigned char>(i * 37 % 256), static_cast<unsigned char>(i * 91 % 256),
                static_cast<unsigned char>(i * 53 % 256)};
    }
    return p;
}

Palette RandomPalette()
{
    std::mt19937 rng(2024);
    Palette p;
    for (auto& c : p) {
        for (auto& k : c) {
            k = static_cast<unsigned char>(rng() % 256);
        }
    }
    return p;
}

// Sixteen hues, each from black to its full colour in sixteen even steps.
Palette RampPalette()
{
    std::mt19937 rng(7);
    Palette p;
    for (int hue = 0; hue < 16; ++hue) {
        Rgb full;
        for (auto& k : full) {
            k = static_cast<unsigned char>(rng() % 256);
        }
        for (int shade = 0; shade < 16; ++shade) {
            for (int k = 0; k < 3; ++k) {
                p[hue * 16 + shade][k] = static_cast<unsigned char>(full[k] * (shade + 1) / 16);
            }
        }
    }
    return p;
}

// A colour cube of six levels per component (0, 51, ..., 255), then forty greys.
Palette CubePalette()
{
    Palette p;
    for (int i = 0; i < 216; ++i) {
        p[i] = {static_cast<unsigned char>(i / 36 * 51), static_cast<unsigned char>(i / 6 % 6 * 51),
                static_cast<unsigned char>(i % 6 * 51)};
    }
    for (int i = 216; i < 256; ++i) {
        auto grey = static_cast<unsigned char>((i - 216) * 255 / 39);
        p[i] = {grey, grey, grey};
    }
    return p;
}

// 256 greys, black to white.
Palette GreyPalette()
{
    Palette p;
    for (int i = 0; i < 256; ++i) {
        p[i] = {static_cast<unsigned char>(i), static_cast<unsigned char>(i),
                static_cast<unsigned char>(i)};
    }
    return p;
}

// 256 entries drawn from a dozen random colours: many equal colours at different
// indices.
Palette DuplicatePalette()
{
    Palette few = RandomPalette();
    std::mt19937 rng(5);
    Palette p;
    for (auto& c : p) {
        c = few[rng() % 12];
    }
    return p;
}

const std::map<std::string, Palette (*)()> kPalettes = {
    {"workload", WorkloadPalette}, {"random", RandomPalette},         {"ramps", RampPalette},
    {"cube", CubePalette},         {"greys", GreyPalette},            {"duplicates", DuplicatePalette}};

struct Workload {
    SproxContext context;
    uint8_t* table;
    unsigned char peerTable[65536];
};

// One context per palette, with a table made for it.
Workload& TheWorkload(const std::string& palette)
{
    static std::map<std::string, Workload*> workloads;
    Workload*& w = workloads[palette];
    if (w == nullptr) {
        w = new Workload;
        std::memset(&w->context, 0, sizeof w->context);
        Palette rgb = kPalettes.at(palette)();
        for (int i = 0; i < 256; ++i) {
            w->context.colors[i] = SproxColor{rgb[i][2], rgb[i][1], rgb[i][0], 0};
        }
        w->table = SX_CreateRop();
    }
    return *w;
}

void SetPeerPalette(const std::string& palette)
{
    Palette rgb = kPalettes.at(palette)();
    unsigned char plain[256][3];
    std::memcpy(plain, rgb.data(), sizeof plain);
    RopPeerSetPalette(plain);
}

void TransTableOurs(benchmark::State& state, const std::string& palette, int level)
{
    Workload& w = TheWorkload(palette);
    for (auto _ : state) {
        SX_TransRop(&w.context, w.table, level);
        benchmark::DoNotOptimize(w.table);
        benchmark::ClobberMemory();
    }
}

void TransTablePeer(benchmark::State& state, const std::string& palette)
{
    Workload& w = TheWorkload(palette);
    SetPeerPalette(palette);
    for (auto _ : state) {
        RopPeerTransTable(w.peerTable);
        benchmark::DoNotOptimize(w.peerTable);
        benchmark::ClobberMemory();
    }
}

void RegisterAll()
{
    benchmark::RegisterBenchmark("TransTableOurs", TransTableOurs, "workload", 50)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("TransTablePeer", TransTablePeer, "workload")
        ->Unit(benchmark::kMillisecond);
    for (int level : {25, 75}) {
        benchmark::RegisterBenchmark(("TransTableOurs/workload/" + std::to_string(level)).c_str(),
                                     TransTableOurs, "workload", level)
            ->Unit(benchmark::kMillisecond);
    }
    for (const char* palette : {"random", "ramps", "cube", "greys", "duplicates"}) {
        for (int level : {25, 50, 75}) {
            benchmark::RegisterBenchmark(
                (std::string("TransTableOurs/") + palette + "/" + std::to_string(level)).c_str(),
                TransTableOurs, palette, level)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark((std::string("TransTablePeer/") + palette).c_str(),
                                     TransTablePeer, palette)
            ->Unit(benchmark::kMillisecond);
    }
}

// What the workload tables are made of (--palette, --level); the peer's level is
// always 50.
std::string gPalette = "workload";
int gLevel = 50;

void NoFill() {}

void OursTable(int)
{
    Workload& w = TheWorkload(gPalette);
    SX_TransRop(&w.context, w.table, gLevel);
}

void PeerTable(int) { RopPeerTransTable(TheWorkload(gPalette).peerTable); }

uint32_t OursSum() { return bench::Fnv1a(bench::kFnvStart, TheWorkload(gPalette).table, 65536); }
uint32_t PeerSum() { return bench::Fnv1a(bench::kFnvStart, TheWorkload(gPalette).peerTable, 65536); }

const bench::Impl kImpls[] = {
    {"transtable", "ours", OursTable, NoFill, OursSum},
    {"transtable", "create_trans_table", PeerTable, NoFill, PeerSum},
};

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--all") == 0) {
        argv[1] = argv[0];
        --argc;
        ++argv;
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
            return 1;
        }
        RegisterAll();
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    }
    // --palette and --level are ours; the rest goes to the harness.
    std::vector<char*> rest;
    for (int k = 0; k < argc; ++k) {
        if (std::strncmp(argv[k], "--level=", 8) == 0) {
            gLevel = std::atoi(argv[k] + 8);
        } else if (std::strncmp(argv[k], "--palette=", 10) == 0 && kPalettes.count(argv[k] + 10) != 0) {
            gPalette = argv[k] + 10;
        } else {
            rest.push_back(argv[k]);
        }
    }
    TheWorkload(gPalette);
    SetPeerPalette(gPalette);
    return bench::Main({kImpls, 2, 1, 1}, static_cast<int>(rest.size()), rest.data());
}
