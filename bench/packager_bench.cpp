// Stage packages: encoding and decoding 1 MiB in each encoding, and building a
// package of 64 stages of 60 KB the way mx4pack does (one rewrite per entry).
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "packager/encode.h"
#include "packager/format.h"
#include "packager/reader.h"
#include "packager/store.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::size_t kMiB = 1 << 20;

// Map-like data: rows of 256 tiles, mostly background with runs of floor and
// platform tiles and scattered single objects.
Bytes MapData(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> what(0, 99);
    std::uniform_int_distribution<int> runLength(3, 40);
    std::uniform_int_distribution<int> tile(1, 120);
    Bytes data;
    data.reserve(size);
    while (data.size() < size) {
        const int roll = what(random);
        if (roll < 55) {
            data.insert(data.end(), static_cast<std::size_t>(runLength(random)), 0);
        } else if (roll < 80) {
            data.insert(data.end(), static_cast<std::size_t>(runLength(random)),
                        static_cast<unsigned char>(tile(random)));
        } else {
            data.push_back(static_cast<unsigned char>(tile(random)));
        }
    }
    data.resize(size);
    return data;
}

Bytes RandomData(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes data(size);
    for (unsigned char& byte : data) {
        byte = static_cast<unsigned char>(random());
    }
    return data;
}

const Bytes& Data(bool map)
{
    static const Bytes mapData = MapData(kMiB, 7);
    static const Bytes randomData = RandomData(kMiB, 7);
    return map ? mapData : randomData;
}

// args: encoding, 1 for map data / 0 for random data.
void BM_Encode(benchmark::State& state)
{
    const auto encoding = static_cast<std::int32_t>(state.range(0));
    const Bytes& data = Data(state.range(1) != 0);
    Bytes out(data.size() + 256);
    std::size_t size = 0;
    for (auto _ : state) {
        size = mx4::EncodeEntry(out.data(), out.size(), data.data(), data.size(), encoding);
        benchmark::DoNotOptimize(size);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    // The blob's size, 0 when run-length coding outgrew the store's buffer (the store
    // then encodes again as stored).
    state.counters["blob"] = static_cast<double>(size);
}
BENCHMARK(BM_Encode)->ArgsProduct({{mx4::ENC_STORED, mx4::ENC_RUNLENGTH, mx4::ENC_SCRAMBLED}, {1, 0}});

void BM_Decode(benchmark::State& state)
{
    const auto encoding = static_cast<std::int32_t>(state.range(0));
    const Bytes& data = Data(state.range(1) != 0);
    Bytes file(mx4::kHeaderSize + mx4::kRecordSize + data.size() + 256);
    const std::size_t blobSize = mx4::EncodeEntry(file.data() + mx4::kHeaderSize + mx4::kRecordSize,
                                                  file.size() - mx4::kHeaderSize - mx4::kRecordSize,
                                                  data.data(), data.size(), encoding);
    if (blobSize == 0) {
        state.SkipWithError("does not encode in the store's buffer");
        return;
    }
    std::copy(mx4::kPackageMagic, mx4::kPackageMagic + mx4::kMagicSize, file.begin());
    mx4::PutInt32(file.data() + mx4::kMagicSize, 1);
    unsigned char* record = file.data() + mx4::kHeaderSize;
    record[0] = 'E';
    mx4::PutInt32(record + mx4::kNameSize, static_cast<std::int32_t>(blobSize));
    mx4::PutInt32(record + mx4::kNameSize + 4, static_cast<std::int32_t>(data.size()));
    file.resize(mx4::kHeaderSize + mx4::kRecordSize + blobSize);
    std::vector<mx4::PackageEntry> entries;
    mx4::PackageParse(file.data(), file.size(), entries);
    Bytes decoded;
    for (auto _ : state) {
        const mx4::ReadResult result = mx4::PackageDecode(file.data(), file.size(), entries.at(0), decoded);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(decoded.data());
    }
    if (decoded != data) {
        state.SkipWithError("decoded data differs");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_Decode)->ArgsProduct({{mx4::ENC_STORED, mx4::ENC_RUNLENGTH, mx4::ENC_SCRAMBLED}, {1}});

// 64 stages of 60 KB of map data, run-length coded, each written by a rewrite of
// the whole package, in a folder under the system's temporary folder.
void BM_BuildPackage(benchmark::State& state)
{
    std::vector<Bytes> stages;
    for (unsigned i = 0; i < 64; ++i) {
        stages.push_back(MapData(60 * 1000, 100 + i));
    }
    std::string folder = (std::filesystem::temp_directory_path() / "mx4bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = folder + "/bench.mx4";
    std::size_t packageSize = 0;
    for (auto _ : state) {
        std::remove(path.c_str());
        for (std::size_t i = 0; i < stages.size(); ++i) {
            const std::string name = "STAGE" + std::to_string(i + 1);
            if (!mx4::PackageWriteEntry(name.c_str(), path.c_str(), stages[i].data(), stages[i].size(),
                                        mx4::ENC_RUNLENGTH)) {
                state.SkipWithError("write failed");
                break;
            }
        }
    }
    packageSize = std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0;
    std::filesystem::remove_all(folder);
    state.counters["package"] = static_cast<double>(packageSize);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 64 * 60 * 1000));
}
BENCHMARK(BM_BuildPackage)->Unit(benchmark::kMillisecond);

} // namespace
