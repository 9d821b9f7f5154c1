#include "dar_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "sprox/core/report.h"

namespace dartest {

dar::Picture MakePicture(int width, int height, int key, int seed, int hotX, int hotY)
{
    dar::Picture p;
    p.width = width;
    p.height = height;
    p.key = key;
    p.hotX = hotX;
    p.hotY = hotY;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int v = (x * 7 + y * 13 + seed * 31) % 251;
            // Holes of several lengths, at the row ends too, when there is a key.
            bool hole = key >= 0 && ((x + y + seed) % 5 == 0 || (x * y + seed) % 7 < 2);
            p.pixels.push_back(static_cast<uint8_t>(hole ? key : (v == key ? v + 1 : v)));
        }
    }
    return p;
}

dar::Palette MakePalette()
{
    dar::Palette palette{};
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = static_cast<uint8_t>(i);
        palette[4 * i + 1] = static_cast<uint8_t>(255 - i);
        palette[4 * i + 2] = static_cast<uint8_t>(i ^ 0x55);
    }
    return palette;
}

std::vector<uint8_t> MakeArchive(const std::vector<dar::Picture>& pictures, dar::WriteOptions options)
{
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(dar::WriteDar(MakePalette(), pictures, options, &bytes, &error)) << error;
    return bytes;
}

std::vector<uint8_t> MakeArchive(int n, dar::WriteOptions options)
{
    std::vector<dar::Picture> pictures;
    for (int i = 0; i < n; ++i) {
        pictures.push_back(MakePicture(3 + i % 5, 2 + i % 3, i % 2 == 0 ? 0 : -1, i));
    }
    return MakeArchive(pictures, options);
}

TempFile::TempFile(const std::vector<uint8_t>& bytes)
{
    static int serial = 0;
    path_ = testing::TempDir() + "sprox_pattern_" + std::to_string(getpid()) + "_" +
            std::to_string(serial++) + ".dar";
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    EXPECT_NE(f, nullptr) << path_;
    if (f != nullptr) {
        if (!bytes.empty()) {
            EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        }
        std::fclose(f);
    }
}

TempFile::~TempFile() { std::remove(path_.c_str()); }

std::vector<uint8_t> PixelsOf(const sprox::PatternRecord& record, uint8_t hole)
{
    const int width = record.width;
    const int below = record.storedHeight - record.rowsAbove - record.visibleHeight;
    std::vector<uint8_t> out;
    for (int y = record.visibleHeight - 1; y >= 0; --y) {
        const uint8_t* seg = record.data + static_cast<size_t>(below + y) * record.stride;
        std::vector<uint8_t> line(static_cast<size_t>(width), hole);
        int x = 0;
        int remaining = width;
        while (remaining > 0) {
            uint32_t word;
            std::memcpy(&word, seg, 4);
            const int skip = static_cast<int>(word & 0xFFFF);
            const int count = static_cast<int>(word >> 16);
            if (remaining <= skip) {
                break;
            }
            x += skip;
            remaining -= skip;
            const int n = count < remaining ? count : remaining;
            std::memcpy(line.data() + x, seg + 4, static_cast<size_t>(n));
            x += n;
            remaining -= n;
            const auto next = (reinterpret_cast<uintptr_t>(seg) + 4 + static_cast<uintptr_t>(count) + 3) & ~uintptr_t{3};
            seg = reinterpret_cast<const uint8_t*>(next);
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

std::vector<uint8_t> Shown(const dar::Picture& picture, uint8_t hole)
{
    std::vector<uint8_t> out = picture.pixels;
    if (picture.key >= 0) {
        for (auto& px : out) {
            if (px == picture.key) {
                px = hole;
            }
        }
    }
    return out;
}

std::string ReportText(int code, const char* where)
{
    char text[sprox::kReportBufferSize];
    EXPECT_TRUE(sprox::ComposeReport(code, where, text));
    return text;
}

} // namespace dartest
