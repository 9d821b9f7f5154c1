#include "fake/fake_machine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "fake/fake_ddraw.h"
#include "fake/fake_gdi.h"
#include "fake/fake_input.h"
#include "fake/fake_sound.h"
#include "fake/fake_wing.h"

namespace fake {

FakeMachine::FakeMachine()
    : gdiFacility(&fake::gdi()), wingFacility(&fake::wing()), ddrawFacility(&fake::ddraw())
{
    OfferNt();
    inputFacility = &fake::input();
    soundFacility = &fake::sound();
}

void FakeMachine::Reset()
{
    fake::input() = FakeInput();
    *this = FakeMachine();
}

void FakeMachine::OfferNt()
{
    version = 0x0000000A;
    modules = {{"GDI32", {"CreateDIBSection"}}, {"DDRAW.DLL", {"DirectDrawCreate"}},
               {"WINMM.DLL", {"joyGetPosEx"}}};
}

std::set<std::string> FakeMachine::LoadedNow() const
{
    std::set<std::string> now;
    for (const auto& [name, count] : loadCount_) {
        if (count > 0) {
            now.insert(name);
        }
    }
    return now;
}

uint32_t FakeMachine::Version() { return version; }

// A module handle is the address of its map node, which stays put.
void* FakeMachine::LoadModule(const char* name)
{
    probed.push_back(name);
    auto it = modules.find(name);
    if (it == modules.end()) {
        return nullptr;
    }
    loaded.push_back(name);
    ++loadCount_[name];
    return &*it;
}

void* FakeMachine::FindEntry(void* module, const char* name)
{
    if (module == nullptr) {
        return nullptr;
    }
    auto* node = static_cast<std::pair<const std::string, std::set<std::string>>*>(module);
    auto it = node->second.find(name);
    if (it == node->second.end()) {
        return nullptr;
    }
    resolved.push_back(node->first + "!" + name);
    return const_cast<std::string*>(&*it);
}

void FakeMachine::FreeModule(void* module)
{
    if (module == nullptr) {
        return;
    }
    auto* node = static_cast<std::pair<const std::string, std::set<std::string>>*>(module);
    freed.push_back(node->first);
    --loadCount_[node->first];
}

uint32_t FakeMachine::SetErrorMode(uint32_t mode)
{
    uint32_t previous = errorMode;
    errorMode = mode;
    return previous;
}

void* FakeMachine::TakeGuard(const char* name)
{
    guards.push_back(name);
    ++guardDepth;
    return &guardDepth;
}

void FakeMachine::ReleaseGuard(void* guard)
{
    if (guard != nullptr) {
        --guardDepth;
    }
}

void FakeMachine::MessageBox(const char* text, const char* caption, const char* /*gloss*/)
{
    boxes.push_back({text, caption});
}

void* FakeMachine::GlobalAlloc(size_t size)
{
    allocations.push_back(size);
    if (failAllocationsAfter == 0) {
        return nullptr;
    }
    if (failAllocationsAfter > 0) {
        --failAllocationsAfter;
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    blocks_.insert(block);
    ++liveBlocks;
    return block;
}

void FakeMachine::GlobalFree(void* block)
{
    if (block == nullptr) {
        return;
    }
    if (blocks_.erase(block) == 0) {
        std::fprintf(stderr, "fake: GlobalFree of a block it never gave out\n");
        std::abort();
    }
    --liveBlocks;
    std::free(block);
}

sys::File FakeMachine::FileOpen(const char* name, long* error)
{
    std::FILE* file = unreadableFiles.count(name) ? nullptr : std::fopen(name, "rb");
    if (file == nullptr && error != nullptr) {
        *error = unreadableFiles.count(name) ? 5 : 2;  // access denied, not found
    }
    return file;
}

long FakeMachine::FileSize(sys::File file)
{
    auto* f = static_cast<std::FILE*>(file);
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    return size;
}

long FakeMachine::FileRead(sys::File file, void* buffer, long size)
{
    return static_cast<long>(std::fread(buffer, 1, static_cast<size_t>(size), static_cast<std::FILE*>(file)));
}

void FakeMachine::FileClose(sys::File file) { std::fclose(static_cast<std::FILE*>(file)); }

uint32_t FakeMachine::TimeMs() { return clock; }

FakeMachine& machine()
{
    static FakeMachine fake;
    return fake;
}

} // namespace fake

sys::Machine* sys::PlatformMachine()
{
    return &fake::machine();
}
