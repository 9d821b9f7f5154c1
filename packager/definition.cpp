#include "packager/definition.h"

#include <cstring>

namespace mx4 {
namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::size_t ReadLine(std::FILE* file, char* line)
{
    std::size_t length = 0;
    while (length < kLineCapacity - 1) {
        int c = std::getc(file);
        if (c == EOF) {
            break;
        }
#ifndef _WIN32
        if (c == '\r') {
            const int next = std::getc(file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, file);
            }
        }
#endif
        line[length++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    line[length] = 0;
    return length;
}

bool IsBlankLine(const char* line, std::size_t length)
{
    if (length == 0 || line[length - 1] != '\n') {
        return false;
    }
    for (std::size_t i = 0; i + 1 < length; ++i) {
        if (line[i] != ' ') {
            return false;
        }
    }
    return true;
}

bool IsMarkerLine(const char* line, std::size_t length, const char* marker)
{
    const std::size_t markerLength = std::strlen(marker);
    return length >= markerLength && std::memcmp(line, marker, markerLength) == 0;
}

std::size_t ReadSection(std::FILE* file, char* text, std::size_t capacity, const char* marker)
{
    text[0] = 0;
    std::size_t stored = 0;    // every line from the first non-blank one on
    std::size_t textEnd = 0;   // the end of the last non-blank line
    char line[kLineCapacity];
    for (;;) {
        const std::size_t length = ReadLine(file, line);
        if (length == 0) {
            return 0;
        }
        if (IsMarkerLine(line, length, marker)) {
            text[textEnd] = 0;
            return textEnd + 1;
        }
        const bool blank = IsBlankLine(line, length);
        if (stored == 0 && blank) {
            continue;
        }
        if (stored + length >= capacity) {
            return 0;
        }
        std::memcpy(text + stored, line, length);
        stored += length;
        if (!blank) {
            textEnd = stored;
        }
    }
}

bool SkipToMarker(std::FILE* file, const char* marker)
{
    char line[kLineCapacity];
    std::size_t length = 0;
    while ((length = ReadLine(file, line)) > 0) {
        if (IsMarkerLine(line, length, marker)) {
            return true;
        }
    }
    return false;
}

std::int32_t ReadNumber(const char* text, std::size_t length)
{
    std::size_t i = 0;
    while (i < length && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT32_MIN) : INT32_MAX;
    std::int64_t value = 0;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) {
            value = limit;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace mx4
