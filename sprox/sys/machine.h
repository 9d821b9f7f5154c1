// sprox/sys/: the machine boundary; sys/sdl/ and sys/win32/ are the machines, and
// the only files of ours that include platform headers. Includes nothing of ours
// outside sys/ but include/sprox.h.
//
// The machine boundary. The core reaches every system facility through the one
// Machine in use: the SDL machine on Linux, the Win32 machine on Windows, the fake
// machine in tests. The machine only answers what it offers and carries out single
// operations; the order of preference, the fall-backs and the releases are the
// core's.
//
// Facilities that belong to one subsystem (GDI, WinG, DirectDraw, sound, input)
// are small interfaces of their own, declared in their own headers; the machine
// hands each out, or null where it does not offer it at all.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sys {

struct Gdi;
struct WinG;
struct DirectDraw;
struct Sound;
struct Input;

// An opened file for whole-file reading; null when the open failed.
using File = void*;

class Machine {
public:
    virtual ~Machine() = default;

    // The version value in the layout of the Windows version call: top bit set for
    // the old consumer line, major version in the low byte.
    virtual uint32_t Version() = 0;

    // Run-time libraries: loading a module by name answers null where the machine
    // does not offer it; an entry point that does not resolve is null.
    virtual void* LoadModule(const char* name) = 0;
    virtual void* FindEntry(void* module, const char* name) = 0;
    virtual void FreeModule(void* module) = 0;

    // The error mode that keeps the system from showing boxes while libraries are
    // probed; returns the previous mode.
    virtual uint32_t SetErrorMode(uint32_t mode) = 0;

    // The named guard shared by every user of the library on this machine. Take
    // returns a handle that Release gives back; a null handle means no guard.
    virtual void* TakeGuard(const char* name) = 0;
    virtual void ReleaseGuard(void* guard) = 0;

    // A modal message box with the stop icon and an OK button; text and caption
    // are code page 932 bytes. gloss, in English, goes beside the text where the
    // machine cannot show a box and prints the text instead.
    virtual void MessageBox(const char* text, const char* caption, const char* gloss) = 0;

    // Fixed global memory: null on failure.
    virtual void* GlobalAlloc(size_t size) = 0;
    virtual void GlobalFree(void* block) = 0;

    // Whole-file reading: open for reading (deny-write), its size, one read, close.
    // A failed open returns null and stores the system's error number.
    virtual File FileOpen(const char* name, long* error) = 0;
    virtual long FileSize(File file) = 0;
    virtual long FileRead(File file, void* buffer, long size) = 0;
    virtual void FileClose(File file) = 0;

    // Milliseconds of the system clock (wraps around at 2^32).
    virtual uint32_t TimeMs() = 0;

    // The subsystem facilities; null where the machine has none.
    virtual Gdi* gdi() { return nullptr; }
    virtual WinG* wing() { return nullptr; }
    virtual DirectDraw* ddraw() { return nullptr; }
    virtual Sound* sound() { return nullptr; }
    virtual Input* input() { return nullptr; }
};

// The machine in use. The platform (or the test program) provides PlatformMachine;
// the core asks for it through M().
Machine* PlatformMachine();
Machine& M();

} // namespace sys
