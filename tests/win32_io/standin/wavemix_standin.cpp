// A stand-in for the WaveMix library, built as WavMix32.dll for the tests: each
// of its twelve entry points writes its arguments as one line to a log that the
// test program reads through StandInLog, and answers as a working mixer would.
// It mixes nothing.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr UINT_PTR kSession = 0x5E55;

#pragma pack(push, 1)
struct PlayParams {
    WORD size;
    HANDLE session;
    int channel;
    void* wave;
    HWND notify;
    DWORD flags;
    WORD loops;
};
#pragma pack(pop)

std::string gLog;
int gWaves[32];
int gOpened;

template <typename... Args>
void Note(const char* format, Args... args)
{
    char line[512];
    std::snprintf(line, sizeof line, format, args...);
    gLog += line;
    gLog += '\n';
}

// Handles as numbers, so that the log reads the same under every C library.
unsigned long Id(const void* handle) { return static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(handle)); }

UINT Answer(HANDLE session) { return reinterpret_cast<UINT_PTR>(session) == kSession ? 0 : 5; }

} // namespace

extern "C" {

__declspec(dllexport) const char* WINAPI StandInLog() { return gLog.c_str(); }

__declspec(dllexport) WORD WINAPI WaveMixGetInfo(void*) { Note("GetInfo"); return 0; }

__declspec(dllexport) HANDLE WINAPI WaveMixInit()
{
    Note("Init");
    return reinterpret_cast<HANDLE>(kSession);
}

__declspec(dllexport) HANDLE WINAPI WaveMixConfigureInit(void*) { Note("ConfigureInit"); return nullptr; }

__declspec(dllexport) UINT WINAPI WaveMixActivate(HANDLE session, BOOL activate)
{
    Note("Activate %lx %d", Id(session), activate);
    return Answer(session);
}

__declspec(dllexport) void* WINAPI WaveMixOpenWave(HANDLE session, LPSTR name, HINSTANCE module, DWORD flags)
{
    Note("OpenWave %lx %s %s %lu", Id(session), name, module == GetModuleHandleA(nullptr) ? "exe" : "other", flags);
    return Answer(session) == 0 && gOpened < 32 ? &gWaves[gOpened++] : nullptr;
}

__declspec(dllexport) UINT WINAPI WaveMixOpenChannel(HANDLE session, int channel, DWORD flags)
{
    Note("OpenChannel %lx %d %lu", Id(session), channel, flags);
    return Answer(session);
}

__declspec(dllexport) UINT WINAPI WaveMixPlay(PlayParams* params)
{
    Note("Play %u %lx %d %d %lx %lu %u", params->size, Id(params->session), params->channel,
         static_cast<int>(static_cast<int*>(params->wave) - gWaves), Id(params->notify),
         params->flags, params->loops);
    return Answer(params->session);
}

__declspec(dllexport) UINT WINAPI WaveMixFlushChannel(HANDLE session, int channel, DWORD flags)
{
    Note("FlushChannel %lx %d %lu", Id(session), channel, flags);
    return Answer(session);
}

__declspec(dllexport) UINT WINAPI WaveMixCloseChannel(HANDLE session, int channel, DWORD flags)
{
    Note("CloseChannel %lx %d %lu", Id(session), channel, flags);
    return Answer(session);
}

__declspec(dllexport) UINT WINAPI WaveMixFreeWave(HANDLE session, void* wave)
{
    Note("FreeWave %lx %d", Id(session), static_cast<int>(static_cast<int*>(wave) - gWaves));
    return Answer(session);
}

__declspec(dllexport) UINT WINAPI WaveMixCloseSession(HANDLE session)
{
    Note("CloseSession %lx", Id(session));
    return Answer(session);
}

__declspec(dllexport) void WINAPI WaveMixPump() { Note("Pump"); }

} // extern "C"
