#include "sprox/core/debug.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sprox {

bool DebugOn()
{
    static const bool on = [] {
        const char* value = std::getenv("SPROX_DEBUG");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return on;
}

void Diag(const char* function, const char* format, ...)
{
    if (!DebugOn()) {
        return;
    }
    // One buffer, one write: lines of concurrent callers do not interleave.
    char line[512];
    int n = std::snprintf(line, sizeof line, "sprox: %s: ", function);
    va_list args;
    va_start(args, format);
    std::vsnprintf(line + n, sizeof line - static_cast<size_t>(n) - 1, format, args);
    va_end(args);
    std::strcat(line, "\n");
    std::fputs(line, stderr);
}

} // namespace sprox
