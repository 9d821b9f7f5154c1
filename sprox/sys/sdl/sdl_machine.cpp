#include "sprox/sys/sdl/sdl_machine.h"

#include "sprox/sys/sdl/sdl_sound.h"

#include <SDL2/SDL.h>
#include <iconv.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace sys {
namespace {

// The run-time libraries this machine stands in for, with the entry points it
// offers in each. A module handle is the address of its row.
struct OfferedModule {
    const char* name;
    const char* entries[12];
};

constexpr OfferedModule kModules[] = {
    {"GDI32", {"CreateDIBSection"}},
    {"DDRAW.DLL", {"DirectDrawCreate"}},
    {"WINMM.DLL", {"joyGetPosEx"}},
    {"DSOUND.DLL", {"DirectSoundCreate"}},
    {kWaveMixModule, {"WaveMixGetInfo", "WaveMixInit", "WaveMixConfigureInit", "WaveMixActivate",
                      "WaveMixOpenWave", "WaveMixOpenChannel", "WaveMixPlay", "WaveMixFlushChannel",
                      "WaveMixCloseChannel", "WaveMixFreeWave", "WaveMixCloseSession", "WaveMixPump"}},
};

bool SameName(const char* a, const char* b)
{
    return SDL_strcasecmp(a, b) == 0;
}

// Whether a message box can be shown: a real video driver is running.
bool HaveDisplay()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return false;
    }
    std::string_view driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    return driver != "offscreen" && driver != "dummy";
}

} // namespace

std::string Cp932ToUtf8(const char* text)
{
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return text;
    }
    char* in = const_cast<char*>(text);
    size_t inLeft = std::strlen(text);
    char buffer[256];
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte that is not code page 932: show it as '?' and go on.
            out += '?';
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

// The NT line, version 10.
uint32_t SdlMachine::Version() { return 0x0000000A; }

void* SdlMachine::LoadModule(const char* name)
{
    for (const OfferedModule& module : kModules) {
        if (SameName(module.name, name) && TheSdlSound().Offers(name)) {
            return const_cast<OfferedModule*>(&module);
        }
    }
    return nullptr;
}

void* SdlMachine::FindEntry(void* module, const char* name)
{
    if (module == nullptr) {
        return nullptr;
    }
    for (const char* entry : static_cast<OfferedModule*>(module)->entries) {
        if (entry != nullptr && std::strcmp(entry, name) == 0) {
            return const_cast<char*>(entry);
        }
    }
    return nullptr;
}

void SdlMachine::FreeModule(void*) {}

uint32_t SdlMachine::SetErrorMode(uint32_t mode)
{
    uint32_t previous = errorMode_;
    errorMode_ = mode;
    return previous;
}

// The guard: a process-wide mutex (there is no machine-wide one here).
void* SdlMachine::TakeGuard(const char*)
{
    guard_.lock();
    return &guard_;
}

void SdlMachine::ReleaseGuard(void* guard)
{
    if (guard != nullptr) {
        guard_.unlock();
    }
}

void SdlMachine::MessageBox(const char* text, const char* caption, const char* gloss)
{
    std::string utf8Text = Cp932ToUtf8(text);
    std::string utf8Caption = Cp932ToUtf8(caption);
    // Showing the box may fail and leave its own error in SDL_GetError, which
    // belongs to the game: it gets back what it held.
    const std::string gameError = SDL_GetError();
    const bool shown = HaveDisplay() &&
                       SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, utf8Caption.c_str(),
                                                utf8Text.c_str(), SDL_GetMouseFocus()) == 0;
    if (gameError.empty()) {
        SDL_ClearError();
    } else {
        SDL_SetError("%s", gameError.c_str());
    }
    if (shown) {
        return;
    }
    std::fprintf(stderr, "%s: %s%s%s\n", utf8Caption.c_str(), utf8Text.c_str(),
                 *gloss == '\0' ? "" : " ", gloss);
}

void* SdlMachine::GlobalAlloc(size_t size) { return std::malloc(size == 0 ? 1 : size); }

void SdlMachine::GlobalFree(void* block) { std::free(block); }

File SdlMachine::FileOpen(const char* name, long* error)
{
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr && error != nullptr) {
        *error = errno;
    }
    return file;
}

long SdlMachine::FileSize(File file)
{
    auto* f = static_cast<std::FILE*>(file);
    if (std::fseek(f, 0, SEEK_END) != 0) {
        return -1;
    }
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    return size;
}

long SdlMachine::FileRead(File file, void* buffer, long size)
{
    return static_cast<long>(std::fread(buffer, 1, static_cast<size_t>(size), static_cast<std::FILE*>(file)));
}

void SdlMachine::FileClose(File file) { std::fclose(static_cast<std::FILE*>(file)); }

uint32_t SdlMachine::TimeMs()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

Sound* SdlMachine::sound() { return &TheSdlSound(); }

Machine* PlatformMachine()
{
    static SdlMachine machine;
    return &machine;
}

} // namespace sys
