// The stage package: its layout, its limits and the little-endian integers it is made of.
//
//   offset 0           12 bytes   magic "PACKAGE0.02" and a NUL
//   offset 12           4 bytes   entry count N
//   offset 16      24 x N bytes   directory records, in entry order:
//                                   16 bytes name (NUL-filled; a 16-byte name has no NUL)
//                                    4 bytes stored size S of the entry's blob
//                                    4 bytes data length L
//   16 + 24 x N   sum of all S    the blobs, in directory order
//
// A blob: 4 bytes encoding, 4 bytes data length L, then the payload:
//   64 stored       the L data bytes                               S = 8 + L
//   65 run-length   escape byte, then a stream in which (escape, value, count)
//                   stands for count copies of value (1..255) and any other
//                   byte for itself, ending when L bytes are produced  S = 9 + stream
//   66 scrambled    key byte k0, then data[i] ^ k[i], k[i+1] = 5 k[i] + 1 mod 256
//                                                                  S = 9 + L
// All integers are 32-bit signed little-endian; there is no padding and no stored
// offset: a reader adds up the stored sizes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mx4 {

inline constexpr char kPackageMagic[12] = "PACKAGE0.02";
inline constexpr std::size_t kMagicSize = 12;
inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::size_t kRecordSize = 24;
inline constexpr std::size_t kNameSize = 16;
inline constexpr std::size_t kBlobHeaderSize = 8;

enum Encoding : std::int32_t {
    ENC_STORED = 64,
    ENC_RUNLENGTH = 65,
    ENC_SCRAMBLED = 66,
};

// Paths live in buffers of this many bytes, terminator included.
inline constexpr std::size_t kPathCapacity = 256;

inline std::int32_t GetInt32(const unsigned char* p)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) |
                                     static_cast<std::uint32_t>(p[1]) << 8 |
                                     static_cast<std::uint32_t>(p[2]) << 16 |
                                     static_cast<std::uint32_t>(p[3]) << 24);
}

inline void PutInt32(unsigned char* p, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

} // namespace mx4
