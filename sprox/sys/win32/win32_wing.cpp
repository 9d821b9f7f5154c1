#include "sprox/sys/win32/win32_wing.h"

#include "sprox/sys/win32/win32_gdi.h"
#include "sprox/sys/win32/windows_api.h"

namespace sys {
namespace {

using CreateDCEntry = HDC(WINAPI*)();
using RecommendDIBFormatEntry = BOOL(WINAPI*)(BITMAPINFO*);
using CreateBitmapEntry = HBITMAP(WINAPI*)(HDC, const BITMAPINFO*, void**);
using BitBltEntry = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int);
using StretchBltEntry = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int);

HDC Dc(Handle handle) { return static_cast<HDC>(handle); }

} // namespace

Handle Win32WinG::CreateDC()
{
    auto create = entries_.Get<CreateDCEntry>(kCreateDC);
    return create != nullptr ? create() : nullptr;
}

// The recommendation is asked into a whole information block, so that whatever
// the library writes beyond the header stays in it; only the header is handed on.
bool Win32WinG::RecommendDIBFormat(SproxBitmapHeader* header)
{
    auto recommend = entries_.Get<RecommendDIBFormatEntry>(kRecommendDIBFormat);
    if (recommend == nullptr || header == nullptr) {
        return false;
    }
    BitmapInfo256 info = {};
    info.header.size = sizeof(SproxBitmapHeader);
    if (!recommend(reinterpret_cast<BITMAPINFO*>(&info))) {
        return false;
    }
    *header = info.header;
    return true;
}

Handle Win32WinG::CreateBitmap(Handle dc, const SproxBitmapHeader* header,
                               const SproxColor* colors, uint8_t** bits)
{
    *bits = nullptr;
    auto create = entries_.Get<CreateBitmapEntry>(kCreateBitmap);
    if (create == nullptr || header == nullptr) {
        return nullptr;
    }
    BitmapInfo256 storage;
    void* memory = nullptr;
    HBITMAP bitmap = create(Dc(dc), reinterpret_cast<const BITMAPINFO*>(
                                        InfoBlock(header, colors, &storage)),
                            &memory);
    *bits = bitmap != nullptr ? static_cast<uint8_t*>(memory) : nullptr;
    return bitmap;
}

bool Win32WinG::BitBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX, int srcY)
{
    auto blit = entries_.Get<BitBltEntry>(kBitBlt);
    return blit != nullptr && blit(Dc(dst), x, y, w, h, Dc(src), srcX, srcY) != 0;
}

bool Win32WinG::StretchBlt(Handle dst, int x, int y, int w, int h, Handle src, int srcX,
                           int srcY, int srcW, int srcH)
{
    auto stretch = entries_.Get<StretchBltEntry>(kStretchBlt);
    return stretch != nullptr &&
           stretch(Dc(dst), x, y, w, h, Dc(src), srcX, srcY, srcW, srcH) != 0;
}

} // namespace sys
