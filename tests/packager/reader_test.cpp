// Reading packages back: round trips through the store, and damaged packages.
#include <random>

#include <gtest/gtest.h>

#include "files.h"
#include "packager/encode.h"
#include "packager/reader.h"
#include "packager/store.h"

using namespace mx4;
using namespace mx4test;

namespace {

// Random data in two flavours: uniform bytes, and runs of a few values of random
// lengths (which exercise triples, the escape and the 255 limit).
Bytes RandomData(std::mt19937& random, std::size_t size, bool runs)
{
    Bytes data;
    data.reserve(size);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> few(0, 5);
    std::uniform_int_distribution<std::size_t> shortRun(1, 6);
    std::uniform_int_distribution<std::size_t> longRun(1, 600);
    std::bernoulli_distribution rareLongRun(0.125);
    while (data.size() < size) {
        if (!runs) {
            data.push_back(static_cast<unsigned char>(byte(random)));
            continue;
        }
        const auto value = static_cast<unsigned char>(few(random));
        const std::size_t n = rareLongRun(random) ? longRun(random) : shortRun(random);
        data.insert(data.end(), std::min(n, size - data.size()), value);
    }
    return data;
}

// A package of one entry with the given blob, built by hand.
Bytes OneEntryPackage(const std::string& name, std::int32_t length, const Bytes& blob)
{
    Bytes out = PackageHeader(1);
    AppendRecord(out, name, static_cast<std::int32_t>(blob.size()), length);
    out.insert(out.end(), blob.begin(), blob.end());
    return out;
}

ReadResult Decode(const Bytes& file, Bytes& data)
{
    std::vector<PackageEntry> entries;
    const ReadResult parsed = PackageParse(file.data(), file.size(), entries);
    if (parsed != READ_OK) {
        return parsed;
    }
    return PackageDecode(file.data(), file.size(), entries.at(0), data);
}

} // namespace

TEST(Reader, EncodingsRoundTripOnRandomData)
{
    std::mt19937 random(1234);
    std::vector<std::size_t> sizes = {0, 1, 2, 3, 4, 5, 7, 254, 255, 256, 257, 510, 511, 4096, 65529};
    for (int i = 0; i < 40; ++i) {
        sizes.push_back(std::uniform_int_distribution<std::size_t>(0, 20000)(random));
    }
    for (std::size_t size : sizes) {
        for (bool runs : {false, true}) {
            const Bytes data = RandomData(random, size, runs);
            for (std::int32_t encoding : {ENC_STORED, ENC_RUNLENGTH, ENC_SCRAMBLED}) {
                SCOPED_TRACE(testing::Message() << "size " << size << " runs " << runs << " encoding " << encoding);
                Bytes blob(size + 256);
                blob.resize(EncodeEntry(blob.data(), blob.size(), data.data(), data.size(), encoding));
                if (blob.empty()) {
                    // Only run-length coding may outgrow the buffer, and only on data
                    // that holds its escape byte often.
                    EXPECT_EQ(encoding, ENC_RUNLENGTH);
                    EXPECT_FALSE(runs);
                    continue;
                }
                Bytes decoded;
                ASSERT_EQ(Decode(OneEntryPackage("E", static_cast<std::int32_t>(size), blob), decoded), READ_OK);
                EXPECT_EQ(decoded, data);
            }
        }
    }
}

TEST(Reader, PackagesBuiltByTheStoreReadBack)
{
    std::mt19937 random(99);
    TempDir dir;
    const std::string path = dir / "p.mx4";
    std::vector<std::pair<std::string, Bytes>> written;
    for (int i = 0; i < 24; ++i) {
        const std::string name = "ENTRY" + std::to_string(i % 9); // some names come back
        const Bytes data = RandomData(random, std::uniform_int_distribution<std::size_t>(0, 3000)(random), i % 2 == 0);
        ASSERT_EQ(PackageWriteEntry(name.c_str(), path.c_str(), data.data(), data.size(), 64 + i % 3), 1);
        std::erase_if(written, [&](const auto& entry) { return entry.first == name; });
        written.emplace_back(name, data);
    }
    Package package;
    ASSERT_EQ(PackageLoad(path.c_str(), package), READ_OK);
    ASSERT_EQ(package.entries.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(package.entries[i].name, written[i].first);
        Bytes data;
        ASSERT_EQ(PackageReadEntry(package, written[i].first.c_str(), data), READ_OK);
        EXPECT_EQ(data, written[i].second) << written[i].first;
    }
    Bytes data = {1};
    EXPECT_EQ(PackageReadEntry(package, "NOSUCH", data), READ_NO_ENTRY);
    EXPECT_TRUE(data.empty());
}

TEST(Reader, NotAPackage)
{
    TempDir dir;
    Package package;
    EXPECT_EQ(PackageLoad((dir / "absent").c_str(), package), READ_CANT_OPEN);
    WriteText(dir / "short", "PACKAGE0.02");
    EXPECT_EQ(PackageLoad((dir / "short").c_str(), package), READ_NOT_PACKAGE);
    WriteBytes(dir / "other", AsBytes(std::string("PACKAGE0.03\0\0\0\0\0", 16)));
    EXPECT_EQ(PackageLoad((dir / "other").c_str(), package), READ_NOT_PACKAGE);
    WriteBytes(dir / "empty", PackageHeader(0));
    EXPECT_EQ(PackageLoad((dir / "empty").c_str(), package), READ_OK);
    EXPECT_TRUE(package.entries.empty());
}

TEST(Reader, DamagedDirectories)
{
    const Bytes good = OneEntryPackage("E", 3, Blob(64, 3, {1, 2, 3}));
    std::vector<PackageEntry> entries;
    ASSERT_EQ(PackageParse(good.data(), good.size(), entries), READ_OK);
    for (std::size_t size = 16; size < good.size(); ++size) {
        EXPECT_EQ(PackageParse(good.data(), size, entries), READ_DAMAGED) << size;
        EXPECT_TRUE(entries.empty());
    }
    Bytes negative = good;
    negative[15] = 0x80;
    EXPECT_EQ(PackageParse(negative.data(), negative.size(), entries), READ_DAMAGED);
    Bytes huge = good;
    huge[12] = 0xFF;
    huge[14] = 0x7F;
    EXPECT_EQ(PackageParse(huge.data(), huge.size(), entries), READ_DAMAGED);
    Bytes tiny = good;
    tiny[32] = 7;
    EXPECT_EQ(PackageParse(tiny.data(), tiny.size(), entries), READ_DAMAGED);
}

TEST(Reader, DamagedBlobs)
{
    struct Case {
        const char* what;
        std::int32_t length;
        Bytes blob;
    };
    const Case cases[] = {
        {"stored, too short", 4, Blob(64, 4, {1, 2, 3})},
        {"stored, too long", 2, Blob(64, 2, {1, 2, 3})},
        {"lengths disagree", 3, Blob(64, 2, {1, 2, 3})},
        {"negative length", -1, Blob(64, -1, {})},
        {"scrambled without key", 0, Blob(66, 0, {})},
        {"scrambled, short", 3, Blob(66, 3, {0x3C, 1, 2})},
        {"run-length without escape", 0, Blob(65, 0, {})},
        {"triple cut short", 5, Blob(65, 5, {0, 0, 9})},
        {"count zero", 0, Blob(65, 0, {0, 0, 9, 0})},
        {"runs beyond the length", 4, Blob(65, 4, {0, 0, 9, 5})},
        {"literal beyond the length", 1, Blob(65, 1, {0, 7, 8})},
        {"stream ends early", 6, Blob(65, 6, {0, 0, 9, 5})},
        {"length beyond any stream", 1 << 30, Blob(65, 1 << 30, {0, 0, 9, 255})},
        {"unknown encoding", 1, Blob(67, 1, {1})},
    };
    for (const Case& c : cases) {
        Bytes data = {42};
        EXPECT_EQ(Decode(OneEntryPackage("E", c.length, c.blob), data), READ_DAMAGED) << c.what;
        EXPECT_TRUE(data.empty()) << c.what;
    }
    Bytes data;
    ASSERT_EQ(Decode(OneEntryPackage("E", 8, Blob(65, 8, {9, 9, 1, 2, 9, 3, 5, 4})), data), READ_OK);
    EXPECT_EQ(data, (Bytes{1, 1, 3, 3, 3, 3, 3, 4}));
}
