// The files the demo makes at start-up, read back by SDL's own wave loader and by
// the library through its exports, on SDL's off-screen video and dummy audio
// drivers.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "art.h"
#include "picture.h"
#include "sprox.h"
#include "wave_file.h"

namespace {

class DemoFiles : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window_ = SDL_CreateWindow("demo files", 0, 0, 64, 48, 0);
        ASSERT_NE(window_, nullptr) << SDL_GetError();
        char name[] = "/tmp/sprox_demo_test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder_ = name;
    }

    void TearDown() override
    {
        for (const std::string& file : files_) {
            std::remove(file.c_str());
        }
        std::remove(folder_.c_str());
        if (window_ != nullptr) {
            SDL_DestroyWindow(window_);
        }
        SDL_Quit();
    }

    std::string Path(const char* name)
    {
        files_.push_back(folder_ + "/" + name);
        return files_.back();
    }

    SDL_Window* window_ = nullptr;
    std::string folder_;
    std::vector<std::string> files_;
};

std::vector<int16_t> Ramp(int count)
{
    std::vector<int16_t> samples;
    for (int i = 0; i < count; ++i) {
        samples.push_back(static_cast<int16_t>(i * 977 - 30000));
    }
    return samples;
}

TEST_F(DemoFiles, WaveFilesHoldTheirSamplesAndFormat)
{
    for (int count : {1, 2205}) {
        std::vector<int16_t> samples = Ramp(count);
        std::vector<uint8_t> bytes = WaveFileBytes(samples, 11025);
        SDL_AudioSpec audio{};
        Uint8* data = nullptr;
        Uint32 length = 0;
        ASSERT_NE(SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1,
                                 &audio, &data, &length),
                  nullptr)
            << SDL_GetError();
        EXPECT_EQ(audio.freq, 11025);
        EXPECT_EQ(audio.format, AUDIO_S16LSB);
        EXPECT_EQ(audio.channels, 1);
        ASSERT_EQ(length, samples.size() * 2);
        std::vector<int16_t> back(samples.size());
        SDL_memcpy(back.data(), data, length);
        EXPECT_EQ(back, samples);
        SDL_FreeWAV(data);

        // Readers forgive lengths that overrun the file; the chunk lengths must
        // still add up to exactly the file: the RIFF length, then "fmt " and "data".
        auto le32 = [&](size_t at) {
            return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
        };
        EXPECT_EQ(le32(4) + 8, bytes.size());
        size_t at = 12;
        std::string ids;
        while (at + 8 <= bytes.size()) {
            ids.append(reinterpret_cast<const char*>(&bytes[at]), 4);
            at += 8 + le32(at + 4);
        }
        EXPECT_EQ(ids, "fmt data");
        EXPECT_EQ(at, bytes.size());
    }
}

TEST_F(DemoFiles, TheLibraryPlaysAWrittenWaveAndRefusesACutOne)
{
    ASSERT_EQ(SX_WaveInit(nullptr, window_), 1);
    std::string error;
    std::string whole = Path("whole.wav");
    ASSERT_TRUE(WriteWaveFile(whole, Ramp(4000), 22050, &error)) << error;
    int slot = SX_WaveOpen(whole.c_str());
    EXPECT_EQ(SX_WavePlayEx(slot, 0), 0);
    EXPECT_EQ(SX_WaveSetState(slot, 1200, -600), 1);

    // Without its data chunk the file loads into no slot.
    std::vector<uint8_t> bytes = WaveFileBytes(Ramp(4000), 22050);
    std::string cut = Path("cut.wav");
    std::FILE* file = std::fopen(cut.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, 36, file), 36u);
    std::fclose(file);
    int cutSlot = SX_WaveOpen(cut.c_str());
    EXPECT_NE(cutSlot, slot);
    EXPECT_EQ(SX_WavePlayEx(cutSlot, 0), -1);
    SX_ReleaseAll();
}

TEST_F(DemoFiles, TheArchiveGivesTheFrameItsColoursAndEveryPattern)
{
    constexpr int width = 64;
    constexpr int height = 48;
    std::vector<unsigned char> memory(static_cast<size_t>(SX_GetStructSize()));
    auto* context = reinterpret_cast<SproxContext*>(memory.data());
    SX_Init(context, window_);

    std::string error;
    std::string archive = Path("demo.dar");
    ASSERT_TRUE(WriteArchive(archive, DrawPatterns(width, height), &error)) << error;
    ASSERT_EQ(SX_PatEntryDARFile(0, kPatternCount, archive.c_str()), kPatternCount);
    SX_Size(context, width, height, kBackdrop, nullptr);
    ASSERT_EQ(context->width, width);
    for (int i = 0; i < 256; ++i) {
        SproxColor want = TestColour(i);
        const SproxColor& got = context->colors[i];
        EXPECT_TRUE(got.red == want.red && got.green == want.green && got.blue == want.blue) << i;
    }

    auto pixel = [&](int x, int y) { return context->bits[context->topOffset + y * context->pitch + x]; };
    // The opaque backdrop covers the frame with the test picture, row for row.
    std::vector<uint8_t> picture(static_cast<size_t>(width * height));
    DrawTestPicture(picture.data(), width, height);
    SX_Clear(context, 7);
    SX_PatPut(context, 0, 0, kBackdrop);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            wrong += pixel(x, y) != picture[static_cast<size_t>(y * width + x)];
        }
    }
    EXPECT_EQ(wrong, 0);

    // Sprites land by their hot spots and leave their transparent corners alone.
    SX_Clear(context, 7);
    SX_PatPut(context, 20, 20, kMarker);
    EXPECT_EQ(pixel(20, 20), Colour(1, 15));
    EXPECT_EQ(pixel(19, 19), 7);
    SX_PatPut(context, 40, 30, kBall);
    EXPECT_NE(pixel(40, 30), 7);
    EXPECT_EQ(pixel(40 - 9, 30 - 9), 7);

    SX_End(context);
    SX_ReleaseAll();
}

} // namespace
