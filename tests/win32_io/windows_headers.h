// The Windows headers the tests use. windows.h defines MessageBox and FreeModule
// as macros, which would rename the machine's methods of those names.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#undef MessageBox
#undef FreeModule
