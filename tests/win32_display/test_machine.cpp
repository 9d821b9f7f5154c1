#include "test_machine.h"

#include <cstring>

#include "sprox/sys/win32/win32_machine.h"

namespace win32test {
namespace {

bool gRefuseDisplay = false;

bool IsDisplayLibrary(const char* name)
{
    return _stricmp(name, "GDI32") == 0 || _stricmp(name, "GDI32.DLL") == 0 ||
           _stricmp(name, "WING32.DLL") == 0;
}

// Everything goes to the real machine, except what the test has it refuse.
class TestMachine : public sys::Machine {
public:
    uint32_t Version() override { return real_.Version(); }
    void* LoadModule(const char* name) override
    {
        return gRefuseDisplay && IsDisplayLibrary(name) ? nullptr : real_.LoadModule(name);
    }
    void* FindEntry(void* module, const char* name) override
    {
        return real_.FindEntry(module, name);
    }
    void FreeModule(void* module) override { real_.FreeModule(module); }
    uint32_t SetErrorMode(uint32_t mode) override { return real_.SetErrorMode(mode); }
    void* TakeGuard(const char* name) override { return real_.TakeGuard(name); }
    void ReleaseGuard(void* guard) override { real_.ReleaseGuard(guard); }
    void MessageBox(const char* text, const char* caption, const char* gloss) override
    {
        real_.MessageBox(text, caption, gloss);
    }
    void* GlobalAlloc(size_t size) override { return real_.GlobalAlloc(size); }
    void GlobalFree(void* block) override { real_.GlobalFree(block); }
    sys::File FileOpen(const char* name, long* error) override
    {
        return real_.FileOpen(name, error);
    }
    long FileSize(sys::File file) override { return real_.FileSize(file); }
    long FileRead(sys::File file, void* buffer, long size) override
    {
        return real_.FileRead(file, buffer, size);
    }
    void FileClose(sys::File file) override { real_.FileClose(file); }
    uint32_t TimeMs() override { return real_.TimeMs(); }

    sys::Gdi* gdi() override { return real_.gdi(); }
    sys::WinG* wing() override { return gRefuseDisplay ? nullptr : real_.wing(); }
    sys::DirectDraw* ddraw() override { return real_.ddraw(); }
    sys::Sound* sound() override { return real_.sound(); }
    sys::Input* input() override { return real_.input(); }

private:
    sys::Win32Machine real_;
};

} // namespace

void OfferNoDisplayLibraries() { gRefuseDisplay = true; }

} // namespace win32test

sys::Machine* sys::PlatformMachine()
{
    static win32test::TestMachine machine;
    return &machine;
}
