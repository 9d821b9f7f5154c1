// The Windows sound facility on the real DirectSound: without a sound device it
// cannot make an object; on Wine's ALSA null device its buffers are made,
// filled, played, stopped and controlled, and every setting is read back through
// DirectSound's own interface. (Locks past the end and duplicates are in the
// contract that every machine answers, tests/contract.)
#include <gtest/gtest.h>

#include <cstring>

#include "windows_headers.h"

#include "sprox/sys/win32/win32_sound.h"
#include "support.h"

namespace {

constexpr uint32_t kBytes = 4000;
constexpr uint32_t kWaveFlags =
    sys::kDsbCapsStatic | sys::kDsbCapsCtrlFrequency | sys::kDsbCapsCtrlPan | sys::kDsbCapsCtrlVolume;

void* ResolveDirectSoundCreate(HMODULE* library)
{
    *library = ::LoadLibraryA("DSOUND.DLL");
    return *library != nullptr ? reinterpret_cast<void*>(::GetProcAddress(*library, "DirectSoundCreate")) : nullptr;
}

IDirectSoundBuffer* Raw(sys::DsBuffer buffer) { return static_cast<IDirectSoundBuffer*>(buffer); }

using NoDeviceDirectSound = io::WithoutSoundDevice;

TEST_F(NoDeviceDirectSound, CreateFailsAndGivesNoObject)
{
    HMODULE library = nullptr;
    void* create = ResolveDirectSoundCreate(&library);
    ASSERT_NE(nullptr, create);
    sys::DsObject ds = &library;  // must be cleared
    EXPECT_LT(sys::Win32Sound()->DirectSoundCreate(create, &ds), 0);
    EXPECT_EQ(nullptr, ds);
    ::FreeLibrary(library);
}

class NullDeviceDirectSound : public io::WithSoundDevice {
protected:
    void SetUp() override
    {
        io::WithSoundDevice::SetUp();
        if (IsSkipped()) {
            return;
        }
        void* create = ResolveDirectSoundCreate(&library_);
        ASSERT_NE(nullptr, create);
        ASSERT_EQ(sys::kDsOk, snd_->DirectSoundCreate(create, &ds_));
        ASSERT_NE(nullptr, ds_);
        ASSERT_EQ(sys::kDsOk, snd_->DsSetCooperativeLevel(ds_, ::GetDesktopWindow(), sys::kDsSclNormal));
    }

    void TearDown() override
    {
        for (sys::DsBuffer buffer : made_) {
            snd_->BufferRelease(buffer);
        }
        if (ds_ != nullptr) {
            snd_->DsRelease(ds_);
        }
        if (library_ != nullptr) {
            ::FreeLibrary(library_);
        }
    }

    sys::DsBuffer Make(const std::vector<uint8_t>& format, uint32_t flags = kWaveFlags, uint32_t bytes = kBytes)
    {
        sys::DsBufferDesc desc{20, flags, bytes, 0, format.empty() ? nullptr : format.data(),
                               static_cast<uint32_t>(format.size())};
        sys::DsBuffer buffer = nullptr;
        if (snd_->DsCreateSoundBuffer(ds_, desc, &buffer) >= 0) {
            made_.push_back(buffer);
        }
        return buffer;
    }

    // A buffer with its samples written through Lock and Unlock.
    sys::DsBuffer Filled()
    {
        sys::DsBuffer buffer = Make(io::PcmFormat(16));
        void* region1 = nullptr;
        void* region2 = &region1;
        uint32_t length1 = 0;
        uint32_t length2 = 99;
        EXPECT_EQ(sys::kDsOk, snd_->BufferLock(buffer, 0, kBytes, &region1, &length1, &region2, &length2, 0));
        EXPECT_EQ(kBytes, length1);
        EXPECT_EQ(nullptr, region2);
        EXPECT_EQ(0u, length2);
        if (region1 != nullptr && length1 == kBytes) {
            auto* bytes = static_cast<uint8_t*>(region1);
            for (uint32_t i = 0; i < kBytes; ++i) {
                bytes[i] = static_cast<uint8_t>(i * 3);
            }
        }
        EXPECT_EQ(sys::kDsOk, snd_->BufferUnlock(buffer, region1, length1, region2, length2));
        return buffer;
    }

    sys::Sound* snd_ = sys::Win32Sound();
    HMODULE library_ = nullptr;
    sys::DsObject ds_ = nullptr;
    std::vector<sys::DsBuffer> made_;
};

TEST_F(NullDeviceDirectSound, GivesThePrimaryBufferAndRefusesAnUnplayableFormat)
{
    EXPECT_NE(nullptr, Make({}, sys::kDsbCapsPrimaryBuffer, 0));

    std::vector<uint8_t> format = io::PcmFormat(16);
    format[2] = 0;  // no channels
    sys::DsBufferDesc desc{20, kWaveFlags, kBytes, 0, format.data(), 16};
    sys::DsBuffer buffer = &desc;  // must be cleared
    EXPECT_LT(snd_->DsCreateSoundBuffer(ds_, desc, &buffer), 0);
    EXPECT_EQ(nullptr, buffer);
}

TEST_F(NullDeviceDirectSound, PlaysLoopingStopsAndTakesPositionVolumeAndPan)
{
    sys::DsBuffer buffer = Filled();
    ASSERT_NE(nullptr, buffer);
    uint32_t status = 0xFFFF;
    ASSERT_EQ(sys::kDsOk, snd_->BufferGetStatus(buffer, &status));
    EXPECT_EQ(0u, status & sys::kDsbStatusPlaying);

    ASSERT_EQ(sys::kDsOk, snd_->BufferPlay(buffer, 0, 0, sys::kDsbPlayLooping));
    ASSERT_EQ(sys::kDsOk, snd_->BufferGetStatus(buffer, &status));
    EXPECT_EQ(sys::kDsbStatusPlaying | sys::kDsbStatusLooping,
              status & (sys::kDsbStatusPlaying | sys::kDsbStatusLooping));

    // Volume and pan reach the buffer while it sounds.
    LONG value = 0;
    EXPECT_EQ(sys::kDsOk, snd_->BufferSetVolume(buffer, -1500));
    ASSERT_EQ(DS_OK, Raw(buffer)->GetVolume(&value));
    EXPECT_EQ(-1500, value);
    EXPECT_EQ(sys::kDsOk, snd_->BufferSetPan(buffer, -3000));
    ASSERT_EQ(DS_OK, Raw(buffer)->GetPan(&value));
    EXPECT_EQ(-3000, value);
    // DirectSound's own answer to a pan out of range comes through.
    EXPECT_EQ(sys::kDsErrInvalidParam, snd_->BufferSetPan(buffer, sys::kDsbPanRight + 1));

    ASSERT_EQ(sys::kDsOk, snd_->BufferStop(buffer));
    ASSERT_EQ(sys::kDsOk, snd_->BufferGetStatus(buffer, &status));
    EXPECT_EQ(0u, status & sys::kDsbStatusPlaying);

    ASSERT_EQ(sys::kDsOk, snd_->BufferSetCurrentPosition(buffer, 100));
    DWORD play = 0;
    ASSERT_EQ(DS_OK, Raw(buffer)->GetCurrentPosition(&play, nullptr));
    EXPECT_EQ(100u, play);
}

TEST_F(NullDeviceDirectSound, MakesBuffersFromShortAndExtendedFormatChunks)
{
    for (uint32_t size : {14u, 16u, 18u}) {
        sys::DsBuffer buffer = Make(io::PcmFormat(size));
        ASSERT_NE(nullptr, buffer) << size;
        WAVEFORMATEX format{};
        ASSERT_EQ(DS_OK, Raw(buffer)->GetFormat(&format, sizeof format, nullptr)) << size;
        EXPECT_EQ(16, format.wBitsPerSample) << size;
        EXPECT_EQ(22050u, format.nSamplesPerSec) << size;
    }
}

// The system player takes whole images, cut ones included, and refuses bytes
// that are not a wave; a null image stops it.
using NullDeviceSystemPlayer = io::WithSoundDevice;

TEST_F(NullDeviceSystemPlayer, PlaysImagesFromMemory)
{
    sys::Sound* snd = sys::Win32Sound();
    std::vector<uint8_t> image = io::WaveImage(kBytes);
    EXPECT_TRUE(snd->SndPlaySound(image.data(), image.size(), sys::kSndAsync | sys::kSndMemory | sys::kSndLoop));
    std::vector<uint8_t> cut(image.begin(), image.begin() + 200);
    EXPECT_TRUE(snd->SndPlaySound(cut.data(), cut.size(), sys::kSndAsync | sys::kSndMemory));
    const char noise[] = "not a wave at all";
    EXPECT_FALSE(snd->SndPlaySound(noise, sizeof noise, sys::kSndAsync | sys::kSndMemory));
    EXPECT_TRUE(snd->SndPlaySound(nullptr, 0, 0));
}

} // namespace
