// The fake machine: a scriptable stand-in for the system facilities. A test says
// what the machine offers (the version value, which modules and entry points,
// allocation failures, the clock) and reads back what happened (modules loaded
// and freed, guards taken, message boxes with their exact bytes).
//
// Each test case runs in its own process, so the one fake lives as long as the
// process; Reset() is there for tests that want a second scenario anyway.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "sprox/sys/machine.h"

namespace fake {

struct Box {
    std::string text;     // code page 932 bytes, as the library composed them
    std::string caption;
};

class FakeMachine : public sys::Machine {
public:
    FakeMachine();

    // --- What the machine offers (set by tests) ---
    uint32_t version = 0x0000000A;                        // NT, version 10
    std::map<std::string, std::set<std::string>> modules; // module name -> entry points
    int failAllocationsAfter = -1;  // allocations that still succeed; -1 = never fail
    std::set<std::string> unreadableFiles;  // opens of these names fail
    uint32_t clock = 0;             // TimeMs()

    // Facilities: the fake GDI, WinG and DirectDraw by default (a facility is used
    // only once its module was found); the fakes of other subsystems set theirs.
    sys::Gdi* gdiFacility = nullptr;
    sys::WinG* wingFacility = nullptr;
    sys::DirectDraw* ddrawFacility = nullptr;
    sys::Sound* soundFacility = nullptr;
    sys::Input* inputFacility = nullptr;   // the fake input (fake_input.h) by default

    // --- What happened (read by tests) ---
    std::vector<std::string> loaded;   // every LoadModule that succeeded, in order
    std::vector<std::string> probed;   // every LoadModule asked, in order
    std::vector<std::string> freed;    // every FreeModule, by name
    std::vector<std::string> resolved; // "MODULE!Entry" for every entry point found
    std::vector<Box> boxes;
    std::vector<std::string> guards;   // names of guards taken
    int guardDepth = 0;
    int liveBlocks = 0;                // global blocks allocated and not yet freed
    std::vector<size_t> allocations;   // the size of every GlobalAlloc asked, in order
    uint32_t errorMode = 0;

    // Forget everything that happened and offer the default machine again.
    void Reset();
    // Offer the libraries of an ordinary NT machine: GDI32 with CreateDIBSection,
    // DDRAW.DLL with DirectDrawCreate, WINMM.DLL with joyGetPosEx.
    void OfferNt();
    std::set<std::string> LoadedNow() const;  // modules loaded and not yet freed

    uint32_t Version() override;
    void* LoadModule(const char* name) override;
    void* FindEntry(void* module, const char* name) override;
    void FreeModule(void* module) override;
    uint32_t SetErrorMode(uint32_t mode) override;
    void* TakeGuard(const char* name) override;
    void ReleaseGuard(void* guard) override;
    void MessageBox(const char* text, const char* caption, const char* gloss) override;
    void* GlobalAlloc(size_t size) override;
    void GlobalFree(void* block) override;
    sys::File FileOpen(const char* name, long* error) override;
    long FileSize(sys::File file) override;
    long FileRead(sys::File file, void* buffer, long size) override;
    void FileClose(sys::File file) override;
    uint32_t TimeMs() override;

    sys::Gdi* gdi() override { return gdiFacility; }
    sys::WinG* wing() override { return wingFacility; }
    sys::DirectDraw* ddraw() override { return ddrawFacility; }
    sys::Sound* sound() override { return soundFacility; }
    sys::Input* input() override { return inputFacility; }

private:
    std::map<std::string, int> loadCount_;
    std::set<void*> blocks_;
};

// The fake in use in this test process (the library's machine).
FakeMachine& machine();

} // namespace fake
