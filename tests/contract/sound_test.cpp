// The sound buffer contract: what every machine answers for DirectSound buffers
// (made from a format, written under a lock, duplicated, played and stopped,
// their pan, volume and position set, and let go in either order).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "contract/machine.h"

using namespace contract;

namespace {

constexpr uint32_t kBytes = 4000;
constexpr uint32_t kWaveFlags = sys::kDsbCapsStatic | sys::kDsbCapsCtrlFrequency |
                                sys::kDsbCapsCtrlPan | sys::kDsbCapsCtrlVolume;

// The format block of 16-bit mono PCM at 22050 Hz, as a file holds it.
std::vector<uint8_t> PcmFormat()
{
    return {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0};
}

class SoundContract : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Machine().sound, nullptr);
        sys::Sound& snd = *Machine().sound;
        int32_t made = snd.DirectSoundCreate(Machine().soundEntry, &ds_);
        if (made < 0) {
            ds_ = nullptr;
            GTEST_SKIP() << "this machine has no sound device here (DirectSoundCreate answers "
                         << std::hex << made << ")";
        }
        ASSERT_NE(ds_, nullptr);
        ASSERT_GE(snd.DsSetCooperativeLevel(ds_, Machine().window, sys::kDsSclNormal), 0);
    }

    void TearDown() override
    {
        for (auto buffer = made_.rbegin(); buffer != made_.rend(); ++buffer) {
            snd_.BufferRelease(*buffer);
        }
        if (ds_ != nullptr) {
            snd_.DsRelease(ds_);
        }
    }

    int32_t Create(const std::vector<uint8_t>& format, uint32_t flags, uint32_t bytes,
                   sys::DsBuffer* buffer)
    {
        sys::DsBufferDesc desc{20, flags, bytes, 0, format.empty() ? nullptr : format.data(),
                               static_cast<uint32_t>(format.size())};
        *buffer = nullptr;
        int32_t result = snd_.DsCreateSoundBuffer(ds_, desc, buffer);
        if (result >= 0) {
            made_.push_back(*buffer);
        }
        return result;
    }

    // A buffer of kBytes whose byte i is i * 3, written under one lock.
    sys::DsBuffer Filled()
    {
        sys::DsBuffer buffer = nullptr;
        EXPECT_EQ(Create(PcmFormat(), kWaveFlags, kBytes, &buffer), sys::kDsOk);
        if (buffer == nullptr) {
            return nullptr;
        }
        void* region1 = nullptr;
        void* region2 = &region1;
        uint32_t length1 = 0;
        uint32_t length2 = 99;
        EXPECT_EQ(snd_.BufferLock(buffer, 0, kBytes, &region1, &length1, &region2, &length2, 0),
                  sys::kDsOk);
        EXPECT_EQ(length1, kBytes);
        EXPECT_EQ(region2, nullptr);
        EXPECT_EQ(length2, 0u);
        if (region1 != nullptr && length1 == kBytes) {
            auto* bytes = static_cast<uint8_t*>(region1);
            for (uint32_t i = 0; i < kBytes; ++i) {
                bytes[i] = static_cast<uint8_t>(i * 3);
            }
        }
        EXPECT_EQ(snd_.BufferUnlock(buffer, region1, length1, region2, length2), sys::kDsOk);
        return buffer;
    }

    // How many bytes of the buffer differ from i * 3, read under a lock; -1 when
    // it does not lock.
    int Wrong(sys::DsBuffer buffer)
    {
        void* region1 = nullptr;
        void* region2 = nullptr;
        uint32_t length1 = 0;
        uint32_t length2 = 0;
        if (snd_.BufferLock(buffer, 0, kBytes, &region1, &length1, &region2, &length2, 0) < 0) {
            return -1;
        }
        int wrong = length1 == kBytes ? 0 : 1;
        const auto* bytes = static_cast<const uint8_t*>(region1);
        for (uint32_t i = 0; i < length1; ++i) {
            wrong += bytes[i] != static_cast<uint8_t>(i * 3);
        }
        snd_.BufferUnlock(buffer, region1, length1, region2, length2);
        return wrong;
    }

    sys::Sound& snd_ = *Machine().sound;
    sys::DsObject ds_ = nullptr;
    std::vector<sys::DsBuffer> made_;
};

} // namespace

// The primary buffer needs no format; a secondary buffer's format must be one.
TEST_F(SoundContract, BuffersAreMadeFromAFormatAndBadFormatsAreRefused)
{
    sys::DsBuffer primary = nullptr;
    EXPECT_EQ(Create({}, sys::kDsbCapsPrimaryBuffer, 0, &primary), sys::kDsOk);
    EXPECT_NE(primary, nullptr);
    sys::DsBuffer buffer = nullptr;
    EXPECT_EQ(Create(PcmFormat(), kWaveFlags, kBytes, &buffer), sys::kDsOk);
    EXPECT_NE(buffer, nullptr);

    std::vector<uint8_t> noChannels = PcmFormat();
    noChannels[2] = 0;
    EXPECT_LT(Create(noChannels, kWaveFlags, kBytes, &buffer), 0);
    std::vector<uint8_t> cut = PcmFormat();
    cut.resize(12);
    EXPECT_LT(Create(cut, kWaveFlags, kBytes, &buffer), 0);
}

// A lock that runs past the end goes on at the start, as a second region; one
// longer than the buffer is refused.
TEST_F(SoundContract, ALockPastTheEndGoesOnAtTheStart)
{
    sys::DsBuffer buffer = Filled();
    ASSERT_NE(buffer, nullptr);
    void* start = nullptr;
    void* none = nullptr;
    uint32_t whole = 0;
    uint32_t nothing = 0;
    ASSERT_EQ(snd_.BufferLock(buffer, 0, kBytes, &start, &whole, &none, &nothing, 0), sys::kDsOk);
    ASSERT_EQ(snd_.BufferUnlock(buffer, start, whole, none, nothing), sys::kDsOk);

    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t length1 = 0;
    uint32_t length2 = 0;
    ASSERT_EQ(snd_.BufferLock(buffer, kBytes - 10, 30, &region1, &length1, &region2, &length2, 0),
              sys::kDsOk);
    EXPECT_EQ(region1, static_cast<uint8_t*>(start) + kBytes - 10);
    EXPECT_EQ(length1, 10u);
    EXPECT_EQ(region2, start);
    EXPECT_EQ(length2, 20u);
    EXPECT_EQ(snd_.BufferUnlock(buffer, region1, length1, region2, length2), sys::kDsOk);

    EXPECT_LT(snd_.BufferLock(buffer, 0, kBytes + 1, &region1, &length1, &region2, &length2, 0), 0);
    EXPECT_EQ(Wrong(buffer), 0);
}

// A looping play shows in the status until it is stopped.
TEST_F(SoundContract, ALoopingPlayLastsUntilItIsStopped)
{
    sys::DsBuffer buffer = Filled();
    ASSERT_NE(buffer, nullptr);
    uint32_t status = 0xFFFF;
    ASSERT_EQ(snd_.BufferGetStatus(buffer, &status), sys::kDsOk);
    EXPECT_EQ(status & sys::kDsbStatusPlaying, 0u);
    ASSERT_EQ(snd_.BufferPlay(buffer, 0, 0, sys::kDsbPlayLooping), sys::kDsOk);
    ASSERT_EQ(snd_.BufferGetStatus(buffer, &status), sys::kDsOk);
    EXPECT_EQ(status & (sys::kDsbStatusPlaying | sys::kDsbStatusLooping),
              sys::kDsbStatusPlaying | sys::kDsbStatusLooping);
    ASSERT_EQ(snd_.BufferStop(buffer), sys::kDsOk);
    ASSERT_EQ(snd_.BufferGetStatus(buffer, &status), sys::kDsOk);
    EXPECT_EQ(status & sys::kDsbStatusPlaying, 0u);
}

// Pan and volume take what lies in their ranges and refuse the rest; a position
// in the buffer is taken. (Past the end the machines differ: the system's wraps
// it round, the SDL machine refuses it.)
TEST_F(SoundContract, PanVolumeAndPositionKeepToTheirRanges)
{
    sys::DsBuffer buffer = Filled();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(snd_.BufferSetPan(buffer, sys::kDsbPanLeft), sys::kDsOk);
    EXPECT_EQ(snd_.BufferSetPan(buffer, sys::kDsbPanRight), sys::kDsOk);
    EXPECT_EQ(snd_.BufferSetPan(buffer, sys::kDsbPanRight + 1), sys::kDsErrInvalidParam);
    EXPECT_EQ(snd_.BufferSetPan(buffer, sys::kDsbPanLeft - 1), sys::kDsErrInvalidParam);
    EXPECT_EQ(snd_.BufferSetVolume(buffer, sys::kDsbVolumeMin), sys::kDsOk);
    EXPECT_EQ(snd_.BufferSetVolume(buffer, sys::kDsbVolumeMax), sys::kDsOk);
    EXPECT_EQ(snd_.BufferSetVolume(buffer, sys::kDsbVolumeMax + 1), sys::kDsErrInvalidParam);
    EXPECT_EQ(snd_.BufferSetVolume(buffer, sys::kDsbVolumeMin - 1), sys::kDsErrInvalidParam);
    EXPECT_EQ(snd_.BufferSetCurrentPosition(buffer, 100), sys::kDsOk);
}

// A duplicate shares the samples of its original, and keeps them when the
// original is let go first.
TEST_F(SoundContract, ADuplicateSharesTheSamplesAndOutlivesItsOriginal)
{
    sys::DsBuffer original = Filled();
    ASSERT_NE(original, nullptr);
    sys::DsBuffer copy = nullptr;
    ASSERT_EQ(snd_.DsDuplicateSoundBuffer(ds_, original, &copy), sys::kDsOk);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Wrong(copy), 0);

    made_.erase(made_.begin());
    snd_.BufferRelease(original);
    made_.push_back(copy);
    EXPECT_EQ(Wrong(copy), 0);
    ASSERT_EQ(snd_.BufferPlay(copy, 0, 0, sys::kDsbPlayLooping), sys::kDsOk);
    uint32_t status = 0;
    ASSERT_EQ(snd_.BufferGetStatus(copy, &status), sys::kDsOk);
    EXPECT_NE(status & sys::kDsbStatusPlaying, 0u);
}
