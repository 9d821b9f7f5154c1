#include "fake/fake_sound.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fake/fake_machine.h"

namespace fake {
namespace {

int gameModuleToken;

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

[[noreturn]] void Fail(const char* what, const char* call)
{
    std::fprintf(stderr, "fake sound: %s in %s\n", what, call);
    std::abort();
}

std::string Name(int id)
{
    return "b" + std::to_string(id);
}

} // namespace

void* FakeGameModule() { return &gameModuleToken; }

int FakeSound::LiveBuffers() const
{
    int live = 0;
    for (const FakeBuffer& b : buffers) {
        live += b.released ? 0 : 1;
    }
    return live;
}

bool FakeSound::Called(const std::string& call) const
{
    for (const std::string& c : calls) {
        if (c == call) {
            return true;
        }
    }
    return false;
}

int FakeSound::CountCalls(const std::string& prefix) const
{
    int n = 0;
    for (const std::string& c : calls) {
        n += c.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    }
    return n;
}

std::vector<std::string> FakeSound::CallsSince(size_t index) const
{
    return {calls.begin() + static_cast<long>(std::min(index, calls.size())), calls.end()};
}

// A handle is the address of its record; a released or unknown one is a fault
// of the library under test.
FakeBuffer& FakeSound::Live(sys::DsBuffer handle, const char* call)
{
    for (FakeBuffer& b : buffers) {
        if (&b == handle) {
            if (b.released) {
                Fail("a released buffer", call);
            }
            return b;
        }
    }
    Fail("an unknown buffer", call);
}

void FakeSound::LogMix(void* entry, const char* name, const std::string& args)
{
    std::string line = name + args;
    const auto* resolved = static_cast<const std::string*>(entry);
    if (resolved == nullptr) {
        line += " via null";
    } else if (*resolved != name) {
        line += " via " + *resolved;
    }
    Log(line);
}

void* FakeSound::GameModule()
{
    Log("GameModule");
    return FakeGameModule();
}

uint32_t FakeSound::WaveOutGetNumDevs()
{
    Log("waveOutGetNumDevs");
    return waveOutDevices;
}

bool FakeSound::SndPlaySound(const void* image, size_t size, uint32_t flags)
{
    Log(image == nullptr ? "sndPlaySound stop" : "sndPlaySound " + std::to_string(flags));
    systemPlays.push_back({image, size, flags});
    return true;
}

int32_t FakeSound::DirectSoundCreate(void* entry, sys::DsObject* out)
{
    const auto* resolved = static_cast<const std::string*>(entry);
    Log(resolved != nullptr && *resolved == "DirectSoundCreate" ? "DirectSoundCreate"
                                                                : "DirectSoundCreate via wrong entry");
    if (createResult < 0) {
        return createResult;
    }
    ++liveObjects;
    *out = &object_;
    return createResult;
}

int32_t FakeSound::DsSetCooperativeLevel(sys::DsObject ds, void* window, uint32_t level)
{
    if (ds != &object_) {
        Fail("an unknown object", "SetCooperativeLevel");
    }
    Log("SetCooperativeLevel " + std::string(window != nullptr ? "window " : "null ") +
        std::to_string(level));
    return sys::kDsOk;
}

int32_t FakeSound::DsCreateSoundBuffer(sys::DsObject ds, const sys::DsBufferDesc& desc, sys::DsBuffer* out)
{
    if (ds != &object_ || liveObjects == 0) {
        Fail("an unknown object", "CreateSoundBuffer");
    }
    bool primary = (desc.flags & sys::kDsbCapsPrimaryBuffer) != 0;
    Log("CreateSoundBuffer " + std::to_string(desc.size) + " " + std::to_string(desc.flags) + " " +
        std::to_string(desc.bufferBytes));
    if (!primary && bufferResult < 0) {
        return bufferResult;
    }
    // A secondary buffer needs a format block that names its channels.
    if (!primary && (desc.format == nullptr || desc.formatSize < 14 ||
                     (desc.format[2] | desc.format[3] << 8) == 0)) {
        return sys::kDsErrBadFormat;
    }
    FakeBuffer& b = buffers.emplace_back();
    b.id = static_cast<int>(buffers.size());
    b.primary = primary;
    b.flags = desc.flags;
    b.size = desc.bufferBytes;
    if (desc.format != nullptr) {
        b.format.assign(desc.format, desc.format + desc.formatSize);
    }
    b.samples = std::make_shared<std::vector<uint8_t>>(desc.bufferBytes, 0xCC);
    *out = &b;
    return sys::kDsOk;
}

int32_t FakeSound::DsDuplicateSoundBuffer(sys::DsObject ds, sys::DsBuffer original, sys::DsBuffer* out)
{
    if (ds != &object_) {
        Fail("an unknown object", "DuplicateSoundBuffer");
    }
    FakeBuffer source = Live(original, "DuplicateSoundBuffer");
    Log("DuplicateSoundBuffer " + Name(source.id));
    if (duplicatesLeft == 0) {
        return sys::kDsErrOutOfMemory;
    }
    if (duplicatesLeft > 0) {
        --duplicatesLeft;
    }
    FakeBuffer& b = buffers.emplace_back(source);
    b.id = static_cast<int>(buffers.size());
    b.duplicateOf = source.id;
    b.playing = b.looping = false;
    b.position = 0;
    *out = &b;
    return sys::kDsOk;
}

void FakeSound::DsRelease(sys::DsObject ds)
{
    if (ds != &object_ || liveObjects == 0) {
        Fail("an unknown object", "Release");
    }
    Log("ReleaseDirectSound");
    --liveObjects;
}

int32_t FakeSound::BufferGetStatus(sys::DsBuffer buffer, uint32_t* status)
{
    FakeBuffer& b = Live(buffer, "GetStatus");
    Log("GetStatus " + Name(b.id));
    if (statusResult < 0) {
        return statusResult;
    }
    *status = (b.playing ? sys::kDsbStatusPlaying : 0) | (b.looping ? sys::kDsbStatusLooping : 0);
    return sys::kDsOk;
}

int32_t FakeSound::BufferPlay(sys::DsBuffer buffer, uint32_t reserved, uint32_t priority, uint32_t flags)
{
    FakeBuffer& b = Live(buffer, "Play");
    Log("Play " + Name(b.id) + " " + std::to_string(reserved) + " " + std::to_string(priority) + " " +
        std::to_string(flags));
    b.playing = true;
    b.looping = (flags & sys::kDsbPlayLooping) != 0;
    return sys::kDsOk;
}

int32_t FakeSound::BufferStop(sys::DsBuffer buffer)
{
    FakeBuffer& b = Live(buffer, "Stop");
    Log("Stop " + Name(b.id));
    b.playing = b.looping = false;
    return sys::kDsOk;
}

int32_t FakeSound::BufferSetCurrentPosition(sys::DsBuffer buffer, uint32_t position)
{
    FakeBuffer& b = Live(buffer, "SetCurrentPosition");
    Log("SetCurrentPosition " + Name(b.id) + " " + std::to_string(position));
    b.position = position;
    return sys::kDsOk;
}

int32_t FakeSound::BufferSetPan(sys::DsBuffer buffer, int32_t pan)
{
    FakeBuffer& b = Live(buffer, "SetPan");
    Log("SetPan " + Name(b.id) + " " + std::to_string(pan));
    if (pan < sys::kDsbPanLeft || pan > sys::kDsbPanRight) {
        return sys::kDsErrInvalidParam;
    }
    b.pan = pan;
    return sys::kDsOk;
}

int32_t FakeSound::BufferSetVolume(sys::DsBuffer buffer, int32_t volume)
{
    FakeBuffer& b = Live(buffer, "SetVolume");
    Log("SetVolume " + Name(b.id) + " " + std::to_string(volume));
    if (volume < sys::kDsbVolumeMin || volume > sys::kDsbVolumeMax) {
        return sys::kDsErrInvalidParam;
    }
    b.volume = volume;
    return sys::kDsOk;
}

int32_t FakeSound::BufferLock(sys::DsBuffer buffer, uint32_t offset, uint32_t bytes, void** region1,
                              uint32_t* length1, void** region2, uint32_t* length2, uint32_t flags)
{
    FakeBuffer& b = Live(buffer, "Lock");
    Log("Lock " + Name(b.id) + " " + std::to_string(offset) + " " + std::to_string(bytes) + " " +
        std::to_string(flags));
    if (lockResult < 0) {
        return lockResult;
    }
    if (offset >= b.size || bytes > b.size) {
        return sys::kDsErrInvalidParam;
    }
    // A lock that runs past the end goes on at the start, as a second region.
    uint8_t* at = b.samples->data() + offset;
    if (bytes > b.size - offset) {
        *region1 = at;
        *length1 = b.size - offset;
        *region2 = b.samples->data();
        *length2 = bytes - *length1;
        return sys::kDsOk;
    }
    uint32_t first = lockSplit > 0 && lockSplit < bytes ? lockSplit : bytes;
    *region1 = at;
    *length1 = first;
    *region2 = first < bytes ? at + first : nullptr;
    *length2 = bytes - first;
    return sys::kDsOk;
}

int32_t FakeSound::BufferUnlock(sys::DsBuffer buffer, void* region1, uint32_t length1, void* region2,
                                uint32_t length2)
{
    FakeBuffer& b = Live(buffer, "Unlock");
    Log("Unlock " + Name(b.id) + " " + std::to_string(length1) + " " + std::to_string(length2) +
        (region2 != nullptr ? " two" : ""));
    const uint8_t* start = b.samples->data();
    const auto* first = static_cast<const uint8_t*>(region1);
    const auto* second = static_cast<const uint8_t*>(region2);
    if (first < start || first + length1 > start + b.size ||
        (second != nullptr && (second < start || second + length2 > start + b.size))) {
        Fail("regions that Lock did not give", "Unlock");
    }
    return sys::kDsOk;
}

void FakeSound::BufferRelease(sys::DsBuffer buffer)
{
    FakeBuffer& b = Live(buffer, "Release");
    Log("Release " + Name(b.id));
    b.released = true;
    b.playing = b.looping = false;
}

sys::MixSession FakeSound::WaveMixInit(void* entry)
{
    LogMix(entry, "WaveMixInit", "");
    return mixSession;
}

uint32_t FakeSound::WaveMixActivate(void* entry, sys::MixSession session, bool activate)
{
    LogMix(entry, "WaveMixActivate", " " + std::to_string(session) + " " + std::to_string(activate));
    return 0;
}

sys::MixWave FakeSound::WaveMixOpenWave(void* entry, sys::MixSession session, const char* fileName,
                                        void* module, uint32_t flags)
{
    LogMix(entry, "WaveMixOpenWave", " " + std::to_string(session) + " " + std::to_string(flags));
    openedWaves.push_back({fileName, module, flags});
    if (openWaveFails) {
        return 0;
    }
    return ++lastWave + 0x100;
}

uint32_t FakeSound::WaveMixOpenChannel(void* entry, sys::MixSession session, int32_t channel, uint32_t flags)
{
    LogMix(entry, "WaveMixOpenChannel",
           " " + std::to_string(session) + " " + std::to_string(channel) + " " + std::to_string(flags));
    return 0;
}

uint32_t FakeSound::WaveMixPlay(void* entry, const uint8_t* record)
{
    MixPlay play{Le16(record),      Le32(record + 2),  Le32(record + 6), Le32(record + 10),
                 Le32(record + 14), Le32(record + 18), Le16(record + 22)};
    LogMix(entry, "WaveMixPlay", " " + std::to_string(play.channel));
    mixPlays.push_back(play);
    return 0;
}

uint32_t FakeSound::WaveMixFlushChannel(void* entry, sys::MixSession session, int32_t channel, uint32_t flags)
{
    LogMix(entry, "WaveMixFlushChannel",
           " " + std::to_string(session) + " " + std::to_string(channel) + " " + std::to_string(flags));
    return 0;
}

uint32_t FakeSound::WaveMixCloseChannel(void* entry, sys::MixSession session, int32_t channel, uint32_t flags)
{
    LogMix(entry, "WaveMixCloseChannel",
           " " + std::to_string(session) + " " + std::to_string(channel) + " " + std::to_string(flags));
    return closeChannelResult;
}

uint32_t FakeSound::WaveMixFreeWave(void* entry, sys::MixSession session, sys::MixWave wave)
{
    LogMix(entry, "WaveMixFreeWave", " " + std::to_string(session) + " " + std::to_string(wave));
    return freeWaveResult;
}

uint32_t FakeSound::WaveMixCloseSession(void* entry, sys::MixSession session)
{
    LogMix(entry, "WaveMixCloseSession", " " + std::to_string(session));
    return 0;
}

FakeSound& sound()
{
    static FakeSound fake;
    return fake;
}

void OfferDirectSound(FakeMachine& machine)
{
    machine.modules["DSOUND.DLL"] = {"DirectSoundCreate"};
}

void OfferWaveMix(FakeMachine& machine)
{
    machine.modules["WavMix32.dll"] = {
        "WaveMixGetInfo",      "WaveMixInit",         "WaveMixConfigureInit", "WaveMixActivate",
        "WaveMixOpenWave",     "WaveMixOpenChannel",  "WaveMixPlay",          "WaveMixFlushChannel",
        "WaveMixCloseChannel", "WaveMixFreeWave",     "WaveMixCloseSession",  "WaveMixPump"};
}

} // namespace fake
