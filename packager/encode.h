// Encoding one entry's data as a package blob (see format.h for the three encodings).
#pragma once

#include <cstddef>
#include <cstdint>

namespace mx4 {

// The key the scrambled encoding starts from.
inline constexpr unsigned char kScrambleKey = 0x3C;

// Writes the blob of length data bytes in the given encoding into out, which holds
// capacity bytes. Returns the blob's size, or 0 when it does not fit, the encoding
// is none of 64, 65, 66, or the length does not fit the blob's 32-bit field.
std::size_t EncodeEntry(unsigned char* out, std::size_t capacity, const unsigned char* data,
                        std::size_t length, std::int32_t encoding);

// The escape byte of the run-length encoding: the least frequent byte value, the
// lowest one on a tie.
unsigned char ChooseEscape(const unsigned char* data, std::size_t length);

} // namespace mx4
