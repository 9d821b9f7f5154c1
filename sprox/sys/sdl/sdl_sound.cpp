#include "sprox/sys/sdl/sdl_sound.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace sys {
namespace {

// WaveMix error numbers.
constexpr uint32_t kMixInvalidHandle = 5;
constexpr uint32_t kMixInvalidParam = 11;
constexpr uint32_t kMixError = 1;

// Wave format tags and the buffer sizes DirectSound accepts.
constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr uint32_t kMinBufferBytes = 4;
constexpr uint32_t kMaxBufferBytes = 0x0FFFFFFF;

int gameModule;
int directSoundObject;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// hundredths of a decibel (0 or less) as a gain factor.
double Gain(int32_t centibels) { return std::pow(10.0, centibels / 2000.0); }

// The SDL format of a wave format block, or 0 when the mixer cannot play it.
// Layout: u16 tag, u16 channels, u32 rate, u32 bytes per second, u16 block
// align, and from 16 bytes on u16 bits per sample.
uint16_t SdlFormatOf(const uint8_t* format, uint32_t size, uint8_t* channels, int* rate, uint32_t* frameBytes)
{
    if (format == nullptr || size < 14) {
        return 0;
    }
    uint16_t tag = Le16(format);
    uint16_t count = Le16(format + 2);
    uint32_t samplesPerSecond = Le32(format + 4);
    uint16_t align = Le16(format + 12);
    if (count == 0 || count > 8 || samplesPerSecond == 0 || samplesPerSecond > INT_MAX || align == 0) {
        return 0;
    }
    uint16_t bits = size >= 16 ? Le16(format + 14) : static_cast<uint16_t>(align * 8 / count);
    if (static_cast<uint32_t>(align) * 8 != static_cast<uint32_t>(bits) * count) {
        return 0;
    }
    uint16_t sdl = 0;
    if (tag == kTagPcm && bits == 8) {
        sdl = AUDIO_U8;
    } else if (tag == kTagPcm && bits == 16) {
        sdl = AUDIO_S16LSB;
    } else if (tag == kTagPcm && bits == 32) {
        sdl = AUDIO_S32LSB;
    } else if (tag == kTagFloat && bits == 32) {
        sdl = AUDIO_F32LSB;
    }
    *channels = static_cast<uint8_t>(count);
    *rate = static_cast<int>(samplesPerSecond);
    *frameBytes = align;
    return sdl;
}

} // namespace

int DsVolumeToMixer(int32_t volume)
{
    volume = std::clamp(volume, kDsbVolumeMin, kDsbVolumeMax);
    return static_cast<int>(std::lround(MIX_MAX_VOLUME * Gain(volume)));
}

void DsPanToMixer(int32_t pan, uint8_t* left, uint8_t* right)
{
    pan = std::clamp(pan, kDsbPanLeft, kDsbPanRight);
    auto level = [](int32_t attenuation) { return static_cast<uint8_t>(std::lround(255 * Gain(-attenuation))); };
    *left = pan > 0 ? level(pan) : 255;
    *right = pan < 0 ? level(-pan) : 255;
}

SdlSound::~SdlSound()
{
    if (audioOpen_) {
        Mix_HaltChannel(-1);
    }
    for (Mix_Chunk* wave : waves_) {
        Mix_FreeChunk(wave);
    }
    Mix_FreeChunk(systemChunk_);
    if (audioOpen_) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SdlSound::OpenAudio()
{
    if (audioOpen_) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_QuerySpec(&deviceRate_, &deviceFormat_, &deviceChannels_);
    channelsAllocated_ = Mix_AllocateChannels(kFirstBufferChannel);
    freeChannels_.clear();
    audioOpen_ = true;
    return true;
}

// The device is given back once no player holds anything on it.
void SdlSound::CloseAudioIfUnused()
{
    if (!audioOpen_ || objects_ > 0 || !buffers_.empty() || session_ != 0 || systemChunk_ != nullptr ||
        std::any_of(waves_.begin(), waves_.end(), [](Mix_Chunk* w) { return w != nullptr; })) {
        return;
    }
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    waves_.clear();
    audioOpen_ = false;
}

int SdlSound::TakeChannel()
{
    if (!freeChannels_.empty()) {
        int channel = freeChannels_.back();
        freeChannels_.pop_back();
        return channel;
    }
    int channel = channelsAllocated_;
    channelsAllocated_ = Mix_AllocateChannels(channelsAllocated_ + 1);
    return channel < channelsAllocated_ ? channel : -1;
}

bool SdlSound::Offers(const char* moduleName)
{
    return SDL_strcasecmp(moduleName, kWaveMixModule) != 0 || OpenAudio();
}

int SdlSound::ChannelOf(DsBuffer handle)
{
    Buffer* b = Find(handle);
    return b != nullptr ? b->channel : -1;
}

void* SdlSound::GameModule() { return &gameModule; }

uint32_t SdlSound::WaveOutGetNumDevs() { return OpenAudio() ? 1 : 0; }

// --- The system player ---

bool SdlSound::SndPlaySound(const void* image, size_t size, uint32_t flags)
{
    if (audioOpen_) {
        Mix_HaltChannel(kSystemChannel);
    }
    Mix_FreeChunk(systemChunk_);
    systemChunk_ = nullptr;
    if (image == nullptr) {
        CloseAudioIfUnused();
        return true;
    }
    // Only images in memory; a file name is not played.
    if ((flags & kSndMemory) == 0 || size == 0 || size > INT_MAX || !OpenAudio()) {
        return false;
    }
    systemChunk_ = Mix_LoadWAV_RW(SDL_RWFromConstMem(image, static_cast<int>(size)), 1);
    if (systemChunk_ == nullptr) {
        CloseAudioIfUnused();
        return false;
    }
    Mix_PlayChannel(kSystemChannel, systemChunk_, (flags & kSndLoop) != 0 ? -1 : 0);
    return true;
}

// --- DirectSound ---

int32_t SdlSound::DirectSoundCreate(void*, DsObject* out)
{
    if (out == nullptr) {
        return kDsErrInvalidParam;
    }
    if (!OpenAudio()) {
        return kDsErrNoDriver;
    }
    ++objects_;
    *out = &directSoundObject;
    return kDsOk;
}

int32_t SdlSound::DsSetCooperativeLevel(DsObject ds, void*, uint32_t)
{
    return ds == &directSoundObject && objects_ > 0 ? kDsOk : kDsErrInvalidParam;
}

int32_t SdlSound::DsCreateSoundBuffer(DsObject ds, const DsBufferDesc& desc, DsBuffer* out)
{
    if (ds != &directSoundObject || objects_ == 0 || out == nullptr) {
        return kDsErrInvalidParam;
    }
    auto buffer = std::make_unique<Buffer>();
    if (desc.flags & kDsbCapsPrimaryBuffer) {
        buffer->primary = true;
    } else {
        if (desc.bufferBytes < kMinBufferBytes || desc.bufferBytes > kMaxBufferBytes) {
            return kDsErrInvalidParam;
        }
        auto samples = std::make_shared<Samples>();
        samples->format = SdlFormatOf(desc.format, desc.formatSize, &samples->channels, &samples->rate,
                                      &samples->frameBytes);
        SDL_AudioCVT cvt;
        if (samples->format == 0 ||
            SDL_BuildAudioCVT(&cvt, samples->format, samples->channels, samples->rate, deviceFormat_,
                              static_cast<Uint8>(deviceChannels_), deviceRate_) < 0) {
            return kDsErrBadFormat;
        }
        // Silence until the samples are written: 0x80 for unsigned 8-bit samples.
        samples->raw.assign(desc.bufferBytes, samples->format == AUDIO_U8 ? 0x80 : 0);
        buffer->samples = std::move(samples);
        buffer->channel = TakeChannel();
        if (buffer->channel < 0) {
            return kDsErrOutOfMemory;
        }
    }
    *out = buffer.get();
    buffers_.push_back(std::move(buffer));
    return kDsOk;
}

int32_t SdlSound::DsDuplicateSoundBuffer(DsObject ds, DsBuffer original, DsBuffer* out)
{
    Buffer* source = Find(original);
    if (ds != &directSoundObject || source == nullptr || source->primary || out == nullptr) {
        return kDsErrInvalidParam;
    }
    auto copy = std::make_unique<Buffer>();
    copy->samples = source->samples;
    copy->channel = TakeChannel();
    if (copy->channel < 0) {
        return kDsErrOutOfMemory;
    }
    *out = copy.get();
    buffers_.push_back(std::move(copy));
    return kDsOk;
}

void SdlSound::DsRelease(DsObject ds)
{
    if (ds == &directSoundObject && objects_ > 0) {
        --objects_;
        CloseAudioIfUnused();
    }
}

SdlSound::Buffer* SdlSound::Find(DsBuffer handle)
{
    for (const auto& buffer : buffers_) {
        if (buffer.get() == handle) {
            return buffer.get();
        }
    }
    return nullptr;
}

// Brings the played form up to date with the written samples; every buffer
// sharing them is halted first, as its chunk points into the old form.
void SdlSound::Convert(Samples& samples)
{
    for (const auto& buffer : buffers_) {
        if (buffer->samples.get() == &samples) {
            Mix_HaltChannel(buffer->channel);
        }
    }
    size_t length = samples.raw.size() / samples.frameBytes * samples.frameBytes;
    SDL_AudioCVT cvt;
    SDL_BuildAudioCVT(&cvt, samples.format, samples.channels, samples.rate, deviceFormat_,
                      static_cast<Uint8>(deviceChannels_), deviceRate_);
    cvt.len = static_cast<int>(length);
    samples.converted.assign(length * static_cast<size_t>(std::max(cvt.len_mult, 1)), 0);
    std::memcpy(samples.converted.data(), samples.raw.data(), length);
    if (cvt.needed != 0) {
        cvt.buf = samples.converted.data();
        if (SDL_ConvertAudio(&cvt) != 0) {
            cvt.len_cvt = 0;
        }
        samples.converted.resize(static_cast<size_t>(cvt.len_cvt));
    } else {
        samples.converted.resize(length);
    }
    samples.stale = false;
}

int32_t SdlSound::BufferGetStatus(DsBuffer handle, uint32_t* status)
{
    Buffer* b = Find(handle);
    if (b == nullptr || status == nullptr) {
        return kDsErrInvalidParam;
    }
    bool playing = !b->primary && Mix_Playing(b->channel) != 0;
    *status = playing ? (kDsbStatusPlaying | (b->looping ? kDsbStatusLooping : 0)) : 0;
    return kDsOk;
}

// Plays from the current position to the end, once or over and over.
int32_t SdlSound::BufferPlay(DsBuffer handle, uint32_t, uint32_t, uint32_t flags)
{
    Buffer* b = Find(handle);
    if (b == nullptr) {
        return kDsErrInvalidParam;
    }
    if (b->primary) {
        return kDsOk;
    }
    Samples& s = *b->samples;
    if (s.stale) {
        Convert(s);
    }
    size_t deviceFrame = static_cast<size_t>(SDL_AUDIO_BITSIZE(deviceFormat_) / 8 * deviceChannels_);
    uint64_t frames = static_cast<uint64_t>(b->position / s.frameBytes) * static_cast<uint64_t>(deviceRate_) /
                      static_cast<uint64_t>(s.rate);
    size_t offset = std::min(static_cast<size_t>(frames) * deviceFrame, s.converted.size());
    if (offset == s.converted.size()) {
        return kDsOk;
    }
    b->chunk.allocated = 0;
    b->chunk.abuf = s.converted.data() + offset;
    b->chunk.alen = static_cast<Uint32>(s.converted.size() - offset);
    b->chunk.volume = MIX_MAX_VOLUME;
    b->looping = (flags & kDsbPlayLooping) != 0;
    return Mix_PlayChannel(b->channel, &b->chunk, b->looping ? -1 : 0) < 0 ? kDsErrGeneric : kDsOk;
}

// The mixer cannot tell how far a stopped chunk got: the next play starts at
// the position last set.
int32_t SdlSound::BufferStop(DsBuffer handle)
{
    Buffer* b = Find(handle);
    if (b == nullptr) {
        return kDsErrInvalidParam;
    }
    if (!b->primary) {
        Mix_HaltChannel(b->channel);
    }
    return kDsOk;
}

int32_t SdlSound::BufferSetCurrentPosition(DsBuffer handle, uint32_t position)
{
    Buffer* b = Find(handle);
    if (b == nullptr || b->primary || position >= b->samples->raw.size()) {
        return kDsErrInvalidParam;
    }
    b->position = position;
    return kDsOk;
}

int32_t SdlSound::BufferSetPan(DsBuffer handle, int32_t pan)
{
    Buffer* b = Find(handle);
    if (b == nullptr || b->primary || pan < kDsbPanLeft || pan > kDsbPanRight) {
        return kDsErrInvalidParam;
    }
    uint8_t left = 0;
    uint8_t right = 0;
    DsPanToMixer(pan, &left, &right);
    return Mix_SetPanning(b->channel, left, right) != 0 ? kDsOk : kDsErrGeneric;
}

int32_t SdlSound::BufferSetVolume(DsBuffer handle, int32_t volume)
{
    Buffer* b = Find(handle);
    if (b == nullptr || b->primary || volume < kDsbVolumeMin || volume > kDsbVolumeMax) {
        return kDsErrInvalidParam;
    }
    Mix_Volume(b->channel, DsVolumeToMixer(volume));
    return kDsOk;
}

// A lock that runs past the end wraps round to the start, in a second region.
int32_t SdlSound::BufferLock(DsBuffer handle, uint32_t offset, uint32_t bytes, void** region1, uint32_t* length1,
                             void** region2, uint32_t* length2, uint32_t)
{
    Buffer* b = Find(handle);
    if (b == nullptr || b->primary || region1 == nullptr || length1 == nullptr) {
        return kDsErrInvalidParam;
    }
    std::vector<uint8_t>& raw = b->samples->raw;
    uint32_t size = static_cast<uint32_t>(raw.size());
    if (offset >= size || bytes == 0 || bytes > size) {
        return kDsErrInvalidParam;
    }
    uint32_t first = std::min(bytes, size - offset);
    if (first < bytes && (region2 == nullptr || length2 == nullptr)) {
        return kDsErrInvalidParam;
    }
    *region1 = raw.data() + offset;
    *length1 = first;
    if (region2 != nullptr && length2 != nullptr) {
        *region2 = first < bytes ? raw.data() : nullptr;
        *length2 = bytes - first;
    }
    return kDsOk;
}

int32_t SdlSound::BufferUnlock(DsBuffer handle, void*, uint32_t, void*, uint32_t)
{
    Buffer* b = Find(handle);
    if (b == nullptr || b->primary) {
        return kDsErrInvalidParam;
    }
    b->samples->stale = true;
    return kDsOk;
}

void SdlSound::BufferRelease(DsBuffer handle)
{
    auto it = std::find_if(buffers_.begin(), buffers_.end(), [&](const auto& b) { return b.get() == handle; });
    if (it == buffers_.end()) {
        return;
    }
    int channel = (*it)->channel;
    if (channel >= 0) {
        Mix_HaltChannel(channel);
        Mix_UnregisterAllEffects(channel);
        Mix_Volume(channel, MIX_MAX_VOLUME);
        freeChannels_.push_back(channel);
    }
    buffers_.erase(it);
    CloseAudioIfUnused();
}

// --- WaveMix ---

bool SdlSound::MixChannelOpen(MixSession session, int32_t channel) const
{
    return session != 0 && session == session_ && channel >= 0 && channel < kMixChannels && mixOpen_[channel];
}

Mix_Chunk* SdlSound::Wave(MixWave wave) const
{
    return wave >= 1 && wave <= waves_.size() ? waves_[wave - 1] : nullptr;
}

MixSession SdlSound::WaveMixInit(void*)
{
    if (session_ != 0 || !OpenAudio()) {
        return 0;
    }
    session_ = ++lastSession_;
    std::fill(std::begin(mixOpen_), std::end(mixOpen_), false);
    return session_;
}

// While the game is away its channels pause; they go on when it comes back.
uint32_t SdlSound::WaveMixActivate(void*, MixSession session, bool activate)
{
    if (session == 0 || session != session_) {
        return kMixInvalidHandle;
    }
    for (int channel = 0; channel < kMixChannels; ++channel) {
        if (mixOpen_[channel]) {
            activate ? Mix_Resume(kWaveMixFirstChannel + channel) : Mix_Pause(kWaveMixFirstChannel + channel);
        }
    }
    return 0;
}

MixWave SdlSound::WaveMixOpenWave(void*, MixSession session, const char* fileName, void*, uint32_t flags)
{
    if (session == 0 || session != session_ || fileName == nullptr || (flags & kMixOpenFromFile) == 0) {
        return 0;
    }
    Mix_Chunk* chunk = Mix_LoadWAV(fileName);
    if (chunk == nullptr) {
        return 0;
    }
    auto free = std::find(waves_.begin(), waves_.end(), nullptr);
    if (free != waves_.end()) {
        *free = chunk;
        return static_cast<MixWave>(free - waves_.begin() + 1);
    }
    waves_.push_back(chunk);
    return static_cast<MixWave>(waves_.size());
}

uint32_t SdlSound::WaveMixOpenChannel(void*, MixSession session, int32_t channel, uint32_t flags)
{
    if (session == 0 || session != session_) {
        return kMixInvalidHandle;
    }
    int first = channel;
    int last = channel;
    if (flags == kMixChannelAll) {
        first = 0;
        last = kMixChannels - 1;
    } else if (flags == kMixChannelCount) {
        first = 0;
        last = channel - 1;
    }
    if (first < 0 || last < first || last >= kMixChannels) {
        return kMixInvalidParam;
    }
    for (int c = first; c <= last; ++c) {
        mixOpen_[c] = true;
    }
    return 0;
}

uint32_t SdlSound::WaveMixPlay(void*, const uint8_t* record)
{
    if (record == nullptr || Le16(record) != kMixPlayRecordSize) {
        return kMixInvalidParam;
    }
    MixSession session = Le32(record + 2);
    int32_t channel = static_cast<int32_t>(Le32(record + 6));
    Mix_Chunk* chunk = Wave(Le32(record + 10));
    uint16_t loops = Le16(record + 22);
    if (!MixChannelOpen(session, channel) || chunk == nullptr) {
        return kMixInvalidHandle;
    }
    int repeats = loops == kMixLoopForever ? -1 : loops;
    return Mix_PlayChannel(kWaveMixFirstChannel + channel, chunk, repeats) < 0 ? kMixError : 0;
}

uint32_t SdlSound::WaveMixFlushChannel(void*, MixSession session, int32_t channel, uint32_t)
{
    if (!MixChannelOpen(session, channel)) {
        return kMixInvalidHandle;
    }
    Mix_HaltChannel(kWaveMixFirstChannel + channel);
    return 0;
}

// Closing all channels is fine when none is open.
uint32_t SdlSound::WaveMixCloseChannel(void*, MixSession session, int32_t channel, uint32_t flags)
{
    if (session == 0 || session != session_) {
        return kMixInvalidHandle;
    }
    if (flags != kMixChannelAll && !MixChannelOpen(session, channel)) {
        return kMixInvalidParam;
    }
    for (int c = 0; c < kMixChannels; ++c) {
        if (flags == kMixChannelAll || c == channel) {
            Mix_HaltChannel(kWaveMixFirstChannel + c);
            Mix_Resume(kWaveMixFirstChannel + c);
            mixOpen_[c] = false;
        }
    }
    return 0;
}

uint32_t SdlSound::WaveMixFreeWave(void*, MixSession session, MixWave wave)
{
    Mix_Chunk* chunk = Wave(wave);
    if (session == 0 || session != session_ || chunk == nullptr) {
        return kMixInvalidHandle;
    }
    Mix_FreeChunk(chunk);  // halts every channel that plays it
    waves_[wave - 1] = nullptr;
    return 0;
}

uint32_t SdlSound::WaveMixCloseSession(void*, MixSession session)
{
    if (session == 0 || session != session_) {
        return kMixInvalidHandle;
    }
    WaveMixCloseChannel(nullptr, session, 0, kMixChannelAll);
    for (Mix_Chunk*& chunk : waves_) {
        Mix_FreeChunk(chunk);
        chunk = nullptr;
    }
    session_ = 0;
    CloseAudioIfUnused();
    return 0;
}

SdlSound& TheSdlSound()
{
    static SdlSound sound;
    return sound;
}

} // namespace sys
