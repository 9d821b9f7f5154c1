// The translucency-table workload: one table for a 640 x 480 frame's palette at
// level 50, ours (SX_TransRop, the exact bucketed search) beside the peer (an RGB
// map and a colour map built from it, approximate), one table per iteration.
//
//   rop_bench                        both, then our time, the peer's and the ratio
//   rop_bench --callgrind-one=ours   one table and nothing else, for
//   rop_bench --callgrind-one=peer   valgrind --tool=callgrind --toggle-collect=RopBenchOne*
//
// Palette entry i: red (i*37) % 256, green (i*91) % 256, blue (i*53) % 256.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "rop_peer.h"
#include "sprox.h"

namespace {

constexpr int kLevel = 50;

struct Workload {
    SproxContext context;
    unsigned char rgb[256][3];
    uint8_t* table;
    unsigned char peerTable[65536];
};

Workload& TheWorkload()
{
    static Workload* workload = [] {
        auto* w = new Workload;
        std::memset(&w->context, 0, sizeof w->context);
        for (int i = 0; i < 256; ++i) {
            w->rgb[i][0] = static_cast<unsigned char>(i * 37 % 256);
            w->rgb[i][1] = static_cast<unsigned char>(i * 91 % 256);
            w->rgb[i][2] = static_cast<unsigned char>(i * 53 % 256);
            w->context.colors[i] = SproxColor{w->rgb[i][2], w->rgb[i][1], w->rgb[i][0], 0};
        }
        w->table = SX_CreateRop();
        RopPeerSetPalette(w->rgb);
        return w;
    }();
    return *workload;
}

void TransTableOurs(benchmark::State& state)
{
    Workload& w = TheWorkload();
    for (auto _ : state) {
        SX_TransRop(&w.context, w.table, kLevel);
        benchmark::DoNotOptimize(w.table);
        benchmark::ClobberMemory();
    }
}

void TransTablePeer(benchmark::State& state)
{
    Workload& w = TheWorkload();
    for (auto _ : state) {
        RopPeerTransTable(w.peerTable);
        benchmark::DoNotOptimize(w.peerTable);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(TransTableOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(TransTablePeer)->Unit(benchmark::kMillisecond);

// The console report, then one line that sets our time beside the peer's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                secondsPerTable_[run.benchmark_name()] =
                    run.real_accumulated_time / static_cast<double>(run.iterations);
            }
        }
    }

    void PrintRatio() const
    {
        auto ours = secondsPerTable_.find("TransTableOurs");
        auto peer = secondsPerTable_.find("TransTablePeer");
        if (ours == secondsPerTable_.end() || peer == secondsPerTable_.end()) {
            return;
        }
        std::printf("transtable: ours %.3f ms, peer %.3f ms, ours/peer %.2f\n",
                    ours->second * 1e3, peer->second * 1e3, ours->second / peer->second);
    }

private:
    std::map<std::string, double> secondsPerTable_;
};

} // namespace

// One table each, kept out of line so that callgrind can count exactly them.
extern "C" [[gnu::noinline]] void RopBenchOneOurs()
{
    Workload& w = TheWorkload();
    SX_TransRop(&w.context, w.table, kLevel);
}

extern "C" [[gnu::noinline]] void RopBenchOnePeer()
{
    RopPeerTransTable(TheWorkload().peerTable);
}

int main(int argc, char** argv)
{
    if (argc == 2 && std::strncmp(argv[1], "--callgrind-one=", 16) == 0) {
        std::string which = argv[1] + 16;
        TheWorkload();
        if (which == "ours") {
            RopBenchOneOurs();
        } else if (which == "peer") {
            RopBenchOnePeer();
        } else {
            std::fprintf(stderr, "--callgrind-one=ours or --callgrind-one=peer\n");
            return 2;
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio();
    benchmark::Shutdown();
    return 0;
}
