// The Windows machine: every facility forwarded to the Win32 API. This header
// stays free of windows.h; only the machine's own source includes it.
#pragma once

#include "sprox/sys/machine.h"
#include "sprox/sys/win32/win32_ddraw.h"
#include "sprox/sys/win32/win32_gdi.h"
#include "sprox/sys/win32/win32_wing.h"

namespace sys {

class Win32Machine : public Machine {
public:
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
    File FileOpen(const char* name, long* error) override;
    long FileSize(File file) override;
    long FileRead(File file, void* buffer, long size) override;
    void FileClose(File file) override;
    uint32_t TimeMs() override;
    Sound* sound() override;
    Input* input() override;

    Gdi* gdi() override { return &gdi_; }
    WinG* wing() override { return &wing_; }
    DirectDraw* ddraw() override { return &ddraw_; }

private:
    Win32Gdi gdi_;
    Win32WinG wing_;
    Win32DirectDraw ddraw_;
};

} // namespace sys
