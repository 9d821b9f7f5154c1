// The Windows headers the tests use, with DirectSound's beside the machine's own set.
#pragma once

#include "sprox/sys/win32/windows_api.h"

#include <dsound.h>
