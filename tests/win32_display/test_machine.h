// The machine of this test program: the real Windows machine, which a test can
// tell to offer no display library at all (no GDI32 to find CreateDIBSection in,
// no WING32.DLL, no WinG facility), so that the library falls back to plain
// device-independent bitmaps on the real system.
#pragma once

namespace win32test {

// From now on this process's machine refuses the display libraries. Call it
// before the first SX_Init.
void OfferNoDisplayLibraries();

} // namespace win32test
