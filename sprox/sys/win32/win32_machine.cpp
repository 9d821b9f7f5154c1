#include "sprox/sys/win32/win32_machine.h"

#include "sprox/sys/win32/win32_input.h"
#include "sprox/sys/win32/win32_sound.h"

#include "sprox/sys/win32/windows_api.h"

namespace sys {
namespace {

// A file of the machine is its HFILE; HFILE_ERROR never becomes one.
HFILE ToHfile(File file) { return static_cast<HFILE>(reinterpret_cast<intptr_t>(file)); }

} // namespace

uint32_t Win32Machine::Version() { return ::GetVersion(); }

void* Win32Machine::LoadModule(const char* name) { return ::LoadLibraryA(name); }

// The facilities that call run-time entry points call the ones resolved here.
void* Win32Machine::FindEntry(void* module, const char* name)
{
    if (module == nullptr) {
        return nullptr;
    }
    void* entry = reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
    if (entry != nullptr) {
        gdi_.EntryResolved(name, entry);
        wing_.EntryResolved(name, entry);
    }
    return entry;
}

void Win32Machine::FreeModule(void* module)
{
    if (module != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(module));
        gdi_.ModuleFreed();
        wing_.ModuleFreed();
    }
}

uint32_t Win32Machine::SetErrorMode(uint32_t mode) { return ::SetErrorMode(mode); }

// Creating a named mutex with a request for ownership gives ownership only to the
// creator: when another thread or process already holds it, the call succeeds with
// ERROR_ALREADY_EXISTS and no ownership, so wait for it before going on. A mutex
// abandoned by a holder that died is owned after the wait as well.
void* Win32Machine::TakeGuard(const char* name)
{
    HANDLE mutex = ::CreateMutexA(nullptr, TRUE, name);
    if (mutex == nullptr) {
        return nullptr;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS &&
        ::WaitForSingleObject(mutex, INFINITE) == WAIT_FAILED) {
        ::CloseHandle(mutex);
        return nullptr;
    }
    return mutex;
}

void Win32Machine::ReleaseGuard(void* guard)
{
    if (guard != nullptr) {
        ::ReleaseMutex(guard);
        ::CloseHandle(guard);
    }
}

void Win32Machine::MessageBox(const char* text, const char* caption, const char* /*gloss*/)
{
    ::MessageBoxA(::GetActiveWindow(), text, caption, MB_OK | MB_ICONHAND);
}

// Fixed memory: the handle is the address, and locking it gives that address.
void* Win32Machine::GlobalAlloc(size_t size)
{
    HGLOBAL block = ::GlobalAlloc(GMEM_FIXED, size);
    if (block == nullptr) {
        return nullptr;
    }
    void* address = ::GlobalLock(block);
    if (address == nullptr) {
        ::GlobalFree(block);
    }
    return address;
}

void Win32Machine::GlobalFree(void* block)
{
    if (block == nullptr) {
        return;
    }
    HGLOBAL handle = ::GlobalHandle(block);
    ::GlobalUnlock(handle);
    ::GlobalFree(handle);
}

File Win32Machine::FileOpen(const char* name, long* error)
{
    OFSTRUCT info = {};
    info.cBytes = sizeof info;
    HFILE file = ::OpenFile(name, &info, OF_READ | OF_SHARE_DENY_WRITE);
    if (file == HFILE_ERROR) {
        if (error != nullptr) {
            *error = static_cast<long>(::GetLastError());
        }
        return nullptr;
    }
    return reinterpret_cast<File>(static_cast<intptr_t>(file));
}

long Win32Machine::FileSize(File file)
{
    LONG size = ::_llseek(ToHfile(file), 0, FILE_END);
    if (size == HFILE_ERROR || ::_llseek(ToHfile(file), 0, FILE_BEGIN) == HFILE_ERROR) {
        return -1;
    }
    return size;
}

long Win32Machine::FileRead(File file, void* buffer, long size)
{
    return ::_hread(ToHfile(file), static_cast<LPVOID>(buffer), size);
}

void Win32Machine::FileClose(File file) { ::_lclose(ToHfile(file)); }

uint32_t Win32Machine::TimeMs() { return ::timeGetTime(); }

Sound* Win32Machine::sound() { return Win32Sound(); }

Input* Win32Machine::input() { return Win32Input(); }

} // namespace sys
