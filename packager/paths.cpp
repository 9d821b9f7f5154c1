#include "packager/paths.h"

#include <cctype>
#include <cstring>

#ifdef _WIN32
#include <direct.h>
#else
#include <unistd.h>
#endif

#include "packager/format.h"

namespace mx4 {
namespace {

#ifdef _WIN32
constexpr bool kDriveLetters = true;
#else
constexpr bool kDriveLetters = false;
#endif

bool IsCp932LeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

int ChangeDirectory(const char* folder)
{
#ifdef _WIN32
    return _chdir(folder);
#else
    return chdir(folder);
#endif
}

} // namespace

bool IsSeparator(char c)
{
#ifdef _WIN32
    return c == '\\';
#else
    return c == '\\' || c == '/';
#endif
}

std::size_t LastSeparator(const char* path, bool cp932Names)
{
    std::size_t last = kNoSeparator;
    for (std::size_t i = 0; path[i] != 0; ++i) {
        if (cp932Names && IsCp932LeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != 0) {
            ++i;
        } else if (IsSeparator(path[i])) {
            last = i;
        }
    }
    return last;
}

const char* FileNamePart(const char* path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == kNoSeparator ? path : path + separator + 1;
}

bool MakeOutputName(const char* argument, const char* extension, char* result)
{
    const char* dot = std::strrchr(argument, '.');
    const std::size_t keep = dot != nullptr ? static_cast<std::size_t>(dot - argument) : std::strlen(argument);
    const std::size_t extensionLength = std::strlen(extension);
    result[0] = 0;
    if (keep + 1 + extensionLength >= kPathCapacity) {
        return false;
    }
    std::memcpy(result, argument, keep);
    result[keep] = '.';
    std::memcpy(result + keep + 1, extension, extensionLength + 1);
    return true;
}

bool EnterDefinitionFolder(const char* path)
{
    const std::size_t separator = LastSeparator(path);
    if (separator == kNoSeparator || separator + 2 > kPathCapacity) {
        return false;
    }
    // "\name" (and "C:\name" on Windows) lies in a root: cutting the separator off
    // would leave nothing, or the drive's current folder instead of its root.
    const bool root = separator == 0 || (kDriveLetters && separator == 2 && path[1] == ':' &&
                                         std::isalpha(static_cast<unsigned char>(path[0])));
    const std::size_t length = root ? separator + 1 : separator;
    char folder[kPathCapacity];
    std::memcpy(folder, path, length);
    folder[length] = 0;
    return ChangeDirectory(folder) == 0;
}

} // namespace mx4
