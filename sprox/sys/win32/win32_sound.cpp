#include "sprox/sys/win32/win32_sound.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <algorithm>
#include <cstring>

namespace sys {
namespace {

// Codes and flags go through unchanged: the boundary's values are the system's.
static_assert(kDsOk == DS_OK && kDsErrGeneric == DSERR_GENERIC && kDsErrInvalidParam == DSERR_INVALIDPARAM &&
              kDsErrOutOfMemory == DSERR_OUTOFMEMORY && kDsErrBadFormat == DSERR_BADFORMAT &&
              kDsErrNoDriver == DSERR_NODRIVER);
static_assert(kDsSclNormal == DSSCL_NORMAL && kDsbCapsPrimaryBuffer == DSBCAPS_PRIMARYBUFFER &&
              kDsbCapsStatic == DSBCAPS_STATIC && kDsbCapsCtrlFrequency == DSBCAPS_CTRLFREQUENCY &&
              kDsbCapsCtrlPan == DSBCAPS_CTRLPAN && kDsbCapsCtrlVolume == DSBCAPS_CTRLVOLUME);
static_assert(kDsbStatusPlaying == DSBSTATUS_PLAYING && kDsbStatusLooping == DSBSTATUS_LOOPING &&
              kDsbPlayLooping == DSBPLAY_LOOPING && kDsbPanLeft == DSBPAN_LEFT && kDsbPanRight == DSBPAN_RIGHT &&
              kDsbVolumeMin == DSBVOLUME_MIN && kDsbVolumeMax == DSBVOLUME_MAX);
static_assert(kSndAsync == SND_ASYNC && kSndMemory == SND_MEMORY && kSndLoop == SND_LOOP);

// Mixer sessions and waves travel in the core as 32-bit values (they lie in the
// 24-byte play record). In a 32-bit process the value is the handle itself; in a
// 64-bit one a handle may not fit, so the value is its place in a table here,
// from 1 (0 stays "none"), kept until the session is closed or the wave freed.
static_assert(sizeof(MixSession) == 4 && sizeof(MixWave) == 4);
constexpr bool kHandlesFit = sizeof(void*) == sizeof(uint32_t);

class MixHandles {
public:
    uint32_t Keep(void* handle)
    {
        if (kHandlesFit || handle == nullptr) {
            return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
        }
        auto free = std::find(slots_.begin(), slots_.end(), nullptr);
        if (free == slots_.end()) {
            slots_.push_back(handle);
            return static_cast<uint32_t>(slots_.size());
        }
        *free = handle;
        return static_cast<uint32_t>(free - slots_.begin()) + 1;
    }

    void* Find(uint32_t value) const
    {
        if (kHandlesFit) {
            return reinterpret_cast<void*>(uintptr_t{value});
        }
        return value >= 1 && value <= slots_.size() ? slots_[value - 1] : nullptr;
    }

    void Forget(uint32_t value)
    {
        if (!kHandlesFit && value >= 1 && value <= slots_.size()) {
            slots_[value - 1] = nullptr;
        }
    }

private:
    std::vector<void*> slots_;
};

// The core's play record: u16 size, u32 session, i32 channel, u32 wave, u32 notify
// window, u32 flags, u16 loops.
constexpr size_t kRecordSession = 2;
constexpr size_t kRecordChannel = 6;
constexpr size_t kRecordWave = 10;
constexpr size_t kRecordNotify = 14;
constexpr size_t kRecordFlags = 18;
constexpr size_t kRecordLoops = 22;

// The mixer's play record: the core's in a 32-bit process, with handles and the
// window 8 bytes wide in a 64-bit one.
#pragma pack(push, 1)
struct MixPlayParams {
    WORD size;
    HANDLE session;
    int channel;
    void* wave;
    HWND notify;
    DWORD flags;
    WORD loops;
};
#pragma pack(pop)
static_assert(!kHandlesFit || sizeof(MixPlayParams) == kMixPlayRecordSize);

// The entry points' own types.
using DirectSoundCreateFn = HRESULT(WINAPI*)(LPCGUID device, LPDIRECTSOUND* out, LPUNKNOWN outer);
using MixInitFn = HANDLE(WINAPI*)();
using MixActivateFn = UINT(WINAPI*)(HANDLE session, BOOL activate);
using MixOpenWaveFn = void*(WINAPI*)(HANDLE session, LPSTR fileName, HINSTANCE module, DWORD flags);
using MixChannelFn = UINT(WINAPI*)(HANDLE session, int channel, DWORD flags);
using MixPlayFn = UINT(WINAPI*)(MixPlayParams* params);
using MixFreeWaveFn = UINT(WINAPI*)(HANDLE session, void* wave);
using MixCloseSessionFn = UINT(WINAPI*)(HANDLE session);

template <typename Fn>
Fn Entry(void* entry)
{
    return reinterpret_cast<Fn>(entry);
}

IDirectSound* Object(DsObject ds) { return static_cast<IDirectSound*>(ds); }

IDirectSoundBuffer* Buf(DsBuffer buffer) { return static_cast<IDirectSoundBuffer*>(buffer); }

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

class Win32SoundFacility : public Sound {
public:
    void* GameModule() override { return ::GetModuleHandleA(nullptr); }

    uint32_t WaveOutGetNumDevs() override { return ::waveOutGetNumDevs(); }

    // A new call stops the sound before it, so the copy made for the previous
    // image is no longer read once the call has returned.
    bool SndPlaySound(const void* image, size_t size, uint32_t flags) override
    {
        std::vector<uint8_t> fitted;
        const void* play = nullptr;
        if (image != nullptr) {
            play = FitWaveImage(image, size, &fitted);
            if (play == nullptr) {
                ::sndPlaySoundA(nullptr, 0);
                held_.clear();
                return false;
            }
        }
        bool done = ::sndPlaySoundA(static_cast<LPCSTR>(play), flags) != FALSE;
        held_.swap(fitted);
        return done;
    }

    int32_t DirectSoundCreate(void* entry, DsObject* out) override
    {
        if (entry == nullptr || out == nullptr) {
            return kDsErrInvalidParam;
        }
        IDirectSound* ds = nullptr;
        HRESULT result = Entry<DirectSoundCreateFn>(entry)(nullptr, &ds, nullptr);
        *out = SUCCEEDED(result) ? ds : nullptr;
        return result;
    }

    int32_t DsSetCooperativeLevel(DsObject ds, void* window, uint32_t level) override
    {
        return Object(ds)->SetCooperativeLevel(static_cast<HWND>(window), level);
    }

    int32_t DsCreateSoundBuffer(DsObject ds, const DsBufferDesc& desc, DsBuffer* out) override
    {
        // The caller's record size goes through, so DirectSound judges it; a size
        // larger than the record built here would make it read past it. 20 names
        // the record's first version by its size with 32-bit pointers, which a
        // 64-bit system knows by its own, wider size.
        DSBUFFERDESC record{};
        uint32_t size = desc.size == 20 ? sizeof(DSBUFFERDESC1) : desc.size;
        if (size > sizeof record) {
            return kDsErrInvalidParam;
        }
        std::vector<uint8_t> format;
        if (desc.format != nullptr) {
            format = WaveFormatRecord(desc.format, desc.formatSize);
        }
        record.dwSize = size;
        record.dwFlags = desc.flags;
        record.dwBufferBytes = desc.bufferBytes;
        record.dwReserved = desc.reserved;
        record.lpwfxFormat = format.empty() ? nullptr : reinterpret_cast<WAVEFORMATEX*>(format.data());
        IDirectSoundBuffer* buffer = nullptr;
        HRESULT result = Object(ds)->CreateSoundBuffer(&record, &buffer, nullptr);
        *out = SUCCEEDED(result) ? buffer : nullptr;
        return result;
    }

    int32_t DsDuplicateSoundBuffer(DsObject ds, DsBuffer original, DsBuffer* out) override
    {
        IDirectSoundBuffer* copy = nullptr;
        HRESULT result = Object(ds)->DuplicateSoundBuffer(Buf(original), &copy);
        *out = SUCCEEDED(result) ? copy : nullptr;
        return result;
    }

    void DsRelease(DsObject ds) override { Object(ds)->Release(); }

    int32_t BufferGetStatus(DsBuffer buffer, uint32_t* status) override
    {
        DWORD value = 0;
        HRESULT result = Buf(buffer)->GetStatus(&value);
        *status = value;
        return result;
    }

    int32_t BufferPlay(DsBuffer buffer, uint32_t reserved, uint32_t priority, uint32_t flags) override
    {
        return Buf(buffer)->Play(reserved, priority, flags);
    }

    int32_t BufferStop(DsBuffer buffer) override { return Buf(buffer)->Stop(); }

    int32_t BufferSetCurrentPosition(DsBuffer buffer, uint32_t position) override
    {
        return Buf(buffer)->SetCurrentPosition(position);
    }

    int32_t BufferSetPan(DsBuffer buffer, int32_t pan) override { return Buf(buffer)->SetPan(pan); }

    int32_t BufferSetVolume(DsBuffer buffer, int32_t volume) override { return Buf(buffer)->SetVolume(volume); }

    int32_t BufferLock(DsBuffer buffer, uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1,
                       void** region2, uint32_t* length2, uint32_t flags) override
    {
        DWORD first = 0;
        DWORD second = 0;
        bool wantSecond = region2 != nullptr && length2 != nullptr;
        HRESULT result = Buf(buffer)->Lock(offset, bytes, region1, &first, wantSecond ? region2 : nullptr,
                                           wantSecond ? &second : nullptr, flags);
        *length1 = first;
        if (wantSecond) {
            *length2 = second;
        }
        return result;
    }

    int32_t BufferUnlock(DsBuffer buffer, void* region1, uint32_t length1, void* region2,
                         uint32_t length2) override
    {
        return Buf(buffer)->Unlock(region1, length1, region2, length2);
    }

    void BufferRelease(DsBuffer buffer) override { Buf(buffer)->Release(); }

    MixSession WaveMixInit(void* entry) override { return sessions_.Keep(Entry<MixInitFn>(entry)()); }

    uint32_t WaveMixActivate(void* entry, MixSession session, bool activate) override
    {
        return Entry<MixActivateFn>(entry)(SessionHandle(session), activate ? TRUE : FALSE);
    }

    MixWave WaveMixOpenWave(void* entry, MixSession session, const char* fileName, void* module,
                            uint32_t flags) override
    {
        void* wave = Entry<MixOpenWaveFn>(entry)(SessionHandle(session), const_cast<LPSTR>(fileName),
                                                 static_cast<HINSTANCE>(module), flags);
        return waves_.Keep(wave);
    }

    uint32_t WaveMixOpenChannel(void* entry, MixSession session, int32_t channel, uint32_t flags) override
    {
        return Entry<MixChannelFn>(entry)(SessionHandle(session), channel, flags);
    }

    // The core's bytes, field by field into the mixer's packed record.
    uint32_t WaveMixPlay(void* entry, const uint8_t* record) override
    {
        MixPlayParams params;
        params.size = sizeof params;
        params.session = SessionHandle(Le32(record + kRecordSession));
        params.channel = static_cast<int>(Le32(record + kRecordChannel));
        params.wave = waves_.Find(Le32(record + kRecordWave));
        // Window handles have 32 significant bits, widened with their sign.
        params.notify = reinterpret_cast<HWND>(intptr_t{static_cast<int32_t>(Le32(record + kRecordNotify))});
        params.flags = Le32(record + kRecordFlags);
        params.loops = Le16(record + kRecordLoops);
        return Entry<MixPlayFn>(entry)(&params);
    }

    uint32_t WaveMixFlushChannel(void* entry, MixSession session, int32_t channel, uint32_t flags) override
    {
        return Entry<MixChannelFn>(entry)(SessionHandle(session), channel, flags);
    }

    uint32_t WaveMixCloseChannel(void* entry, MixSession session, int32_t channel, uint32_t flags) override
    {
        return Entry<MixChannelFn>(entry)(SessionHandle(session), channel, flags);
    }

    uint32_t WaveMixFreeWave(void* entry, MixSession session, MixWave wave) override
    {
        uint32_t result = Entry<MixFreeWaveFn>(entry)(SessionHandle(session), waves_.Find(wave));
        if (result == 0) {
            waves_.Forget(wave);
        }
        return result;
    }

    uint32_t WaveMixCloseSession(void* entry, MixSession session) override
    {
        uint32_t result = Entry<MixCloseSessionFn>(entry)(SessionHandle(session));
        if (result == 0) {
            sessions_.Forget(session);
        }
        return result;
    }

private:
    HANDLE SessionHandle(MixSession session) const { return sessions_.Find(session); }

    MixHandles sessions_;
    MixHandles waves_;
    std::vector<uint8_t> held_;  // the fitted copy the system player may be reading
};

} // namespace

// Layout of the format bytes: u16 tag, u16 channels, u32 rate, u32 bytes per
// second, u16 block align; from 16 bytes on u16 bits per sample; from 18 bytes
// on u16 extra size and that many extra bytes.
std::vector<uint8_t> WaveFormatRecord(const uint8_t* format, uint32_t size)
{
    constexpr uint32_t kRecord = sizeof(WAVEFORMATEX);
    uint32_t extra = size >= kRecord ? std::min<uint32_t>(Le16(format + 16), size - kRecord) : 0;
    std::vector<uint8_t> record(kRecord + extra, 0);
    std::memcpy(record.data(), format, std::min(size, kRecord) + extra);
    Put16(record.data() + 16, extra);
    uint16_t channels = Le16(record.data() + 2);
    if (size < 16 && Le16(record.data()) == WAVE_FORMAT_PCM && channels != 0) {
        Put16(record.data() + 14, Le16(record.data() + 12) * 8u / channels);
    }
    return record;
}

// A RIFF image: "RIFF", u32 length of what follows, "WAVE", then chunks of a
// four-character id, a u32 length and that many bytes, padded to even length.
// Only what lies past the image's size needs cutting: a chunk header that does
// not fit ends the RIFF before it, a chunk whose bytes do not all fit is cut to
// the bytes there are and ends the RIFF.
const void* FitWaveImage(const void* image, size_t size, std::vector<uint8_t>* fitted)
{
    const auto* bytes = static_cast<const uint8_t*>(image);
    if (image == nullptr || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 ||
        std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        return nullptr;
    }
    uint64_t riffEnd = 8 + uint64_t{Le32(bytes + 4)};
    uint64_t position = 12;
    uint64_t end = 0;       // where the fitted image ends; 0 while nothing is cut
    uint64_t cutChunk = 0;  // the chunk whose length is cut; 0 for none
    while (position < riffEnd) {
        if (position + 8 > size) {
            end = std::min<uint64_t>(position, size);
            break;
        }
        uint32_t length = Le32(bytes + position + 4);
        if (position + 8 + length > size) {
            end = size;
            cutChunk = position;
            break;
        }
        position += 8 + uint64_t{length} + (length & 1);
    }
    if (end == 0) {
        return image;
    }
    fitted->assign(bytes, bytes + end);
    Put32(fitted->data() + 4, static_cast<uint32_t>(end - 8));
    if (cutChunk != 0) {
        Put32(fitted->data() + cutChunk + 4, static_cast<uint32_t>(end - cutChunk - 8));
    }
    return fitted->data();
}

Sound* Win32Sound()
{
    static Win32SoundFacility sound;
    return &sound;
}

} // namespace sys
