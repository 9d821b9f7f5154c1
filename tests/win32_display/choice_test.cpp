// The first context of a process chooses the back-end from the system version and
// the libraries the real machine offers; the last context unloads them again. This
// program runs as the default NT; its copies run as win95 and win31 (versions_test).
#include <gtest/gtest.h>

#include "screen.h"
#include "sprox.h"
#include "sprox/display/backend.h"
#include "sprox/sys/machine.h"
#include "test_machine.h"

using namespace win32test;

namespace {

bool Loaded(const char* module) { return GetModuleHandleA(module) != nullptr; }

// The bitmap selected into a device context, described as a DIB section.
bool SelectedSection(void* dc, DIBSECTION* section)
{
    HGDIOBJ bitmap = GetCurrentObject(static_cast<HDC>(dc), OBJ_BITMAP);
    return bitmap != nullptr && GetObjectA(bitmap, sizeof *section, section) == sizeof *section;
}

} // namespace

// Wine gives each copy of this program the version its name says.
TEST(Choice, VersionIsTheProgramsOwn)
{
    uint32_t version = sys::M().Version();
    unsigned major = version & 0xFF;
    std::string name = ProgramName();
    if (name.ends_with("_win95")) {
        EXPECT_NE(version & 0x80000000u, 0u) << std::hex << version;
        EXPECT_EQ(major, 4u);
    } else if (name.ends_with("_win31")) {
        EXPECT_NE(version & 0x80000000u, 0u) << std::hex << version;
        EXPECT_EQ(major, 3u);
    } else {
        EXPECT_EQ(version & 0x80000000u, 0u) << std::hex << version;
    }
}

// NT and version 4: a DIB section in a memory DC, and DirectDraw found for full
// screen. Old Windows: a WinG bitmap in a WinG DC. Either way the frame's memory
// is the bitmap's, and the last SX_End unloads the library.
TEST(Choice, FirstContextChoosesByVersion)
{
    TestWindow window(40, 30);
    bool old = ProgramName().ends_with("_win31");
    ASSERT_FALSE(Loaded("ddraw.dll"));
    ASSERT_FALSE(Loaded("wing32.dll"));

    SproxContext first;
    SproxContext second;
    SX_Init(&first, reinterpret_cast<SxWindow>(window.hwnd()));
    if (old) {
        EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendWinG);
        EXPECT_TRUE(Loaded("wing32.dll"));
        EXPECT_FALSE(Loaded("ddraw.dll"));
        EXPECT_EQ(sprox::gDisplay.directDrawCreate, nullptr);
    } else {
        EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendDibSection);
        EXPECT_TRUE(Loaded("ddraw.dll"));
        EXPECT_FALSE(Loaded("wing32.dll"));
        EXPECT_EQ(sprox::gDisplay.directDrawCreate,
                  reinterpret_cast<void*>(
                      GetProcAddress(GetModuleHandleA("ddraw.dll"), "DirectDrawCreate")));
    }
    SX_Init(&second, nullptr);   // a second context keeps the choice

    for (SproxContext* context : {&first, &second}) {
        SetTestColours(context);
        SX_Size(context, 37, 21, -1, nullptr);
        ASSERT_NE(context->bits, nullptr);
        EXPECT_EQ(context->stride, 40);
        EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(context->hdc)), static_cast<DWORD>(OBJ_MEMDC));
        DIBSECTION section = {};
        ASSERT_TRUE(SelectedSection(context->hdc, &section));
        EXPECT_EQ(section.dsBm.bmBits, context->bits);
        EXPECT_EQ(section.dsBm.bmWidth, 37);
        EXPECT_EQ(section.dsBm.bmHeight, 21);
        EXPECT_EQ(section.dsBm.bmBitsPixel, 8);
        EXPECT_EQ(section.dsBmih.biHeight, context->direction * 21);
        if (!old) {
            EXPECT_EQ(context->dibDC, context->hdc);
            EXPECT_EQ(context->dibBits, context->bits);
            EXPECT_EQ(context->direction, 1);
        }
        // The section's colour table is the context's.
        RGBQUAD table[256] = {};
        ASSERT_EQ(GetDIBColorTable(static_cast<HDC>(context->hdc), 0, 256, table), 256u);
        for (int i = 0; i < 256; i += 51) {
            EXPECT_EQ(table[i].rgbBlue, context->colors[i].blue) << i;
            EXPECT_EQ(table[i].rgbRed, context->colors[i].red) << i;
        }
    }

    SX_End(&first);
    if (old) {
        EXPECT_TRUE(Loaded("wing32.dll"));
    } else {
        EXPECT_NE(sprox::gDisplay.directDrawCreate, nullptr);
    }
    // Wine keeps DDRAW.DLL mapped after its last FreeLibrary; WING32.DLL goes.
    SX_End(&second);
    EXPECT_FALSE(Loaded("wing32.dll"));
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendPlainDib);
    EXPECT_EQ(sprox::gDisplay.directDrawCreate, nullptr);
}

// With no display library on offer the frame is plain memory of the library's own,
// and neither WinG nor DirectDraw is loaded.
TEST(Choice, NothingOfferedGivesPlainDib)
{
    OfferNoDisplayLibraries();
    TestWindow window(40, 30);
    SproxContext context;
    SX_Init(&context, reinterpret_cast<SxWindow>(window.hwnd()));
    EXPECT_EQ(sprox::gDisplay.backend, sprox::kBackendPlainDib);
    EXPECT_FALSE(Loaded("ddraw.dll"));
    EXPECT_FALSE(Loaded("wing32.dll"));
    SX_Size(&context, 37, 21, -1, nullptr);
    ASSERT_NE(context.bits, nullptr);
    EXPECT_EQ(context.hdc, nullptr);
    HGLOBAL block = GlobalHandle(context.bits);
    ASSERT_NE(block, nullptr);
    EXPECT_GE(GlobalSize(block), 40u * 21u);
    SX_End(&context);
}
