// Path texts of the packager: folder separators, the output name, the definition folder.
// Paths are byte strings held in buffers of kPathCapacity bytes.
#pragma once

#include <cstddef>

namespace mx4 {

// Windows names are code page 932 text, where the second byte of a two-byte
// character may equal the backslash; elsewhere names are taken byte by byte.
#ifdef _WIN32
inline constexpr bool kCp932Names = true;
#else
inline constexpr bool kCp932Names = false;
#endif

inline constexpr std::size_t kNoSeparator = static_cast<std::size_t>(-1);

// Is c a folder separator here: the backslash, and on Linux the slash as well.
bool IsSeparator(char c);

// Position of the last folder separator in path, or kNoSeparator. With cp932Names
// the trail bytes of two-byte characters are skipped.
std::size_t LastSeparator(const char* path, bool cp932Names = kCp932Names);

// The part of path after its last separator (the whole path when there is none).
const char* FileNamePart(const char* path);

// result = argument with the text after its last "." replaced by extension, or with
// "." and extension appended when there is no dot. result holds kPathCapacity bytes.
// Returns false, leaving result empty, when the name would not fit.
bool MakeOutputName(const char* argument, const char* extension, char* result);

// Makes the folder part of path (before its last separator) the current directory,
// the drive included. A path directly under a root enters that root. Returns true
// when the current directory was changed; false when path has no folder part, the
// folder part does not fit a path buffer, or the change failed.
bool EnterDefinitionFolder(const char* path);

} // namespace mx4
