// Reading the definition file: lines, blank lines, marker lines, sections, numbers.
//
// The file is text in sections introduced by marker lines (*LEFT, *INFO, *ENDING,
// *STAGES). A line is read in pieces of at most 254 characters, each handled as a
// line of its own. A line ending "\r\n" ends in "\n" as it would in text mode on
// Windows, so definition files written there read the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace mx4 {

// One line: at most 254 characters and a terminator.
inline constexpr std::size_t kLineCapacity = 255;
// The text buffer shared by the section texts and the map files.
inline constexpr std::size_t kTextCapacity = 65530;

// Reads the next piece of a line into line (kLineCapacity bytes): characters up to
// and including the newline, at most 254. Returns its length; 0 at the end of the file.
std::size_t ReadLine(std::FILE* file, char* line);

// Zero or more spaces and a newline.
bool IsBlankLine(const char* line, std::size_t length);

// The line begins with the marker's characters exactly.
bool IsMarkerLine(const char* line, std::size_t length, const char* marker);

// Reads lines up to the next marker line and keeps the text from the first to the
// last non-blank line, each with its newline, in text (capacity bytes), terminated.
// Returns the text's length with its terminator, or 0 when the file ends first or
// the text would fill the buffer.
std::size_t ReadSection(std::FILE* file, char* text, std::size_t capacity, const char* marker);

// Reads lines up to and including the next marker line, keeping nothing. Returns
// false when the file ends first.
bool SkipToMarker(std::FILE* file, const char* marker);

// Reads a decimal integer from at most length bytes of text: white space is skipped,
// then an optional sign and digits; anything else ends it; no digits give 0. A value
// beyond 32 bits is held at the nearest limit.
std::int32_t ReadNumber(const char* text, std::size_t length);

} // namespace mx4
