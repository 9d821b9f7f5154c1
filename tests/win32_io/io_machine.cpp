#include "io_machine.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include "windows_headers.h"

#include "sprox/sys/input.h"
#include "sprox/sys/sound.h"
#include "sprox/sys/win32/win32_input.h"
#include "sprox/sys/win32/win32_sound.h"

namespace io {
namespace {

class IoMachine : public sys::Machine {
public:
    uint32_t Version() override { return ::GetVersion(); }

    void* LoadModule(const char* name) override
    {
        HMODULE module = ::LoadLibraryA(name);
        (module != nullptr ? Log().loaded : Log().missing).push_back(name);
        if (module != nullptr) {
            names_[module] = name;
        }
        return module;
    }

    void* FindEntry(void* module, const char* name) override
    {
        return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
    }

    void FreeModule(void* module) override
    {
        Log().freed.push_back(names_[module]);
        ::FreeLibrary(static_cast<HMODULE>(module));
    }

    uint32_t SetErrorMode(uint32_t mode) override { return ::SetErrorMode(mode); }
    void* TakeGuard(const char*) override { return this; }
    void ReleaseGuard(void*) override {}

    void MessageBox(const char* text, const char* caption, const char* /*gloss*/) override
    {
        Log().boxes.push_back(std::string(caption) + ": " + text);
    }

    void* GlobalAlloc(size_t size) override { return std::malloc(size == 0 ? 1 : size); }
    void GlobalFree(void* block) override { std::free(block); }

    sys::File FileOpen(const char* name, long* error) override
    {
        std::FILE* file = std::fopen(name, "rb");
        if (file == nullptr) {
            *error = 2;
        }
        return file;
    }

    long FileSize(sys::File file) override
    {
        auto* f = static_cast<std::FILE*>(file);
        std::fseek(f, 0, SEEK_END);
        long size = std::ftell(f);
        std::fseek(f, 0, SEEK_SET);
        return size;
    }

    long FileRead(sys::File file, void* buffer, long size) override
    {
        return static_cast<long>(std::fread(buffer, 1, static_cast<size_t>(size), static_cast<std::FILE*>(file)));
    }

    void FileClose(sys::File file) override { std::fclose(static_cast<std::FILE*>(file)); }

    uint32_t TimeMs() override { return ::timeGetTime(); }

    sys::Sound* sound() override { return sys::Win32Sound(); }
    sys::Input* input() override { return sys::Win32Input(); }

private:
    std::map<void*, std::string> names_;
};

} // namespace

Record& Log()
{
    static Record record;
    return record;
}

} // namespace io

sys::Machine* sys::PlatformMachine()
{
    static io::IoMachine machine;
    return &machine;
}
