#include "packager/encode.h"

#include <cstring>

#include "packager/format.h"

namespace mx4 {
namespace {

constexpr std::size_t kLongestRun = 255;
// Runs at least this long become a triple; shorter ones stay literal bytes.
constexpr std::size_t kShortestCodedRun = 4;

std::size_t EncodeStored(unsigned char* out, std::size_t capacity, const unsigned char* data,
                         std::size_t length)
{
    const std::size_t size = kBlobHeaderSize + length;
    if (capacity < size) {
        return 0;
    }
    if (length > 0) {
        std::memcpy(out + kBlobHeaderSize, data, length);
    }
    return size;
}

std::size_t EncodeScrambled(unsigned char* out, std::size_t capacity, const unsigned char* data,
                            std::size_t length)
{
    const std::size_t size = kBlobHeaderSize + 1 + length;
    if (capacity < size) {
        return 0;
    }
    unsigned char key = kScrambleKey;
    out[kBlobHeaderSize] = key;
    unsigned char* payload = out + kBlobHeaderSize + 1;
    for (std::size_t i = 0; i < length; ++i) {
        payload[i] = data[i] ^ key;
        key = static_cast<unsigned char>(5 * key + 1);
    }
    return size;
}

std::size_t EncodeRunLength(unsigned char* out, std::size_t capacity, const unsigned char* data,
                            std::size_t length)
{
    std::size_t size = kBlobHeaderSize + 1;
    if (capacity < size) {
        return 0;
    }
    const unsigned char escape = ChooseEscape(data, length);
    out[kBlobHeaderSize] = escape;
    std::size_t pos = 0;
    while (pos < length) {
        const unsigned char c = data[pos];
        std::size_t run = 1;
        while (run < kLongestRun && pos + run < length && data[pos + run] == c) {
            ++run;
        }
        if (run >= kShortestCodedRun || c == escape) {
            if (capacity - size < 3) {
                return 0;
            }
            out[size] = escape;
            out[size + 1] = c;
            out[size + 2] = static_cast<unsigned char>(run);
            size += 3;
        } else {
            if (capacity - size < run) {
                return 0;
            }
            std::memset(out + size, c, run);
            size += run;
        }
        pos += run;
    }
    return size;
}

} // namespace

unsigned char ChooseEscape(const unsigned char* data, std::size_t length)
{
    std::size_t counts[256] = {};
    for (std::size_t i = 0; i < length; ++i) {
        ++counts[data[i]];
    }
    unsigned escape = 0;
    for (unsigned value = 1; value < 256; ++value) {
        if (counts[value] < counts[escape]) {
            escape = value;
        }
    }
    return static_cast<unsigned char>(escape);
}

std::size_t EncodeEntry(unsigned char* out, std::size_t capacity, const unsigned char* data,
                        std::size_t length, std::int32_t encoding)
{
    if (capacity < kBlobHeaderSize || length > static_cast<std::size_t>(INT32_MAX) - 9) {
        return 0;
    }
    std::size_t size = 0;
    switch (encoding) {
    case ENC_STORED:
        size = EncodeStored(out, capacity, data, length);
        break;
    case ENC_RUNLENGTH:
        size = EncodeRunLength(out, capacity, data, length);
        break;
    case ENC_SCRAMBLED:
        size = EncodeScrambled(out, capacity, data, length);
        break;
    default:
        return 0;
    }
    if (size != 0) {
        PutInt32(out, encoding);
        PutInt32(out + 4, static_cast<std::int32_t>(length));
    }
    return size;
}

} // namespace mx4
