// windows.h for code that also calls the machine: the header defines MessageBox,
// FreeModule and CreateDC as macros, which would rename the machine's and the WinG
// facility's methods of those names; the A-suffixed functions and FreeLibrary
// remain.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>

#undef MessageBox
#undef FreeModule
#undef CreateDC
