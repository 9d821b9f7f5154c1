// The Linux machine: SDL2 stands in for the Windows facilities.
#pragma once

#include <mutex>
#include <string>

#include "sprox/sys/machine.h"
#include "sprox/sys/sdl/sdl_ddraw.h"
#include "sprox/sys/sdl/sdl_gdi.h"

namespace sys {

class SdlMachine : public Machine {
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
    Input* input() override;  // sdl_input.cpp
    Sound* sound() override;
    Gdi* gdi() override { return &gdi_; }
    DirectDraw* ddraw() override { return &ddraw_; }

private:
    SdlGdi gdi_;
    SdlDirectDraw ddraw_{gdi_};
    std::recursive_mutex guard_;
    uint32_t errorMode_ = 0;
};

// Code page 932 bytes as UTF-8 (bytes that do not convert become '?').
std::string Cp932ToUtf8(const char* text);

} // namespace sys
