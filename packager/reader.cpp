#include "packager/reader.h"

#include <cstdio>
#include <cstring>

namespace mx4 {
namespace {

// Expands a run-length stream into out, which holds exactly the data length.
// Every triple must lie wholly in the stream and have a count of 1 to 255; the
// stream must produce exactly the data length and end there.
bool ExpandRuns(const unsigned char* stream, std::size_t streamLength, unsigned char escape,
                unsigned char* out, std::size_t length)
{
    std::size_t in = 0;
    std::size_t produced = 0;
    while (in < streamLength) {
        if (stream[in] != escape) {
            if (produced == length) {
                return false;
            }
            out[produced++] = stream[in++];
            continue;
        }
        if (streamLength - in < 3) {
            return false;
        }
        const unsigned char value = stream[in + 1];
        const std::size_t count = stream[in + 2];
        if (count == 0 || length - produced < count) {
            return false;
        }
        std::memset(out + produced, value, count);
        produced += count;
        in += 3;
    }
    return produced == length;
}

void Unscramble(const unsigned char* payload, std::size_t length, unsigned char* out)
{
    unsigned char key = payload[0];
    for (std::size_t i = 0; i < length; ++i) {
        out[i] = payload[1 + i] ^ key;
        key = static_cast<unsigned char>(5 * key + 1);
    }
}

} // namespace

ReadResult PackageParse(const unsigned char* bytes, std::size_t size,
                        std::vector<PackageEntry>& entries)
{
    entries.clear();
    if (size < kHeaderSize || std::memcmp(bytes, kPackageMagic, kMagicSize) != 0) {
        return READ_NOT_PACKAGE;
    }
    const std::int32_t count = GetInt32(bytes + kMagicSize);
    if (count < 0 || static_cast<std::size_t>(count) > (size - kHeaderSize) / kRecordSize) {
        return READ_DAMAGED;
    }
    std::size_t offset = kHeaderSize + kRecordSize * static_cast<std::size_t>(count);
    entries.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const unsigned char* record = bytes + kHeaderSize + kRecordSize * static_cast<std::size_t>(i);
        PackageEntry entry{};
        std::memcpy(entry.name, record, kNameSize);
        entry.storedSize = GetInt32(record + kNameSize);
        entry.dataLength = GetInt32(record + kNameSize + 4);
        if (entry.storedSize < static_cast<std::int32_t>(kBlobHeaderSize) ||
            static_cast<std::size_t>(entry.storedSize) > size - offset) {
            entries.clear();
            return READ_DAMAGED;
        }
        entry.blobOffset = offset;
        entry.encoding = GetInt32(bytes + offset);
        offset += static_cast<std::size_t>(entry.storedSize);
        entries.push_back(entry);
    }
    return READ_OK;
}

ReadResult PackageLoad(const char* path, Package& package)
{
    package.bytes.clear();
    package.entries.clear();
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return READ_CANT_OPEN;
    }
    unsigned char piece[4096];
    std::size_t n = 0;
    while ((n = std::fread(piece, 1, sizeof piece, file)) > 0) {
        package.bytes.insert(package.bytes.end(), piece, piece + n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        package.bytes.clear();
        return READ_CANT_OPEN;
    }
    return PackageParse(package.bytes.data(), package.bytes.size(), package.entries);
}

const PackageEntry* PackageFind(const Package& package, const char* name)
{
    for (const PackageEntry& entry : package.entries) {
        if (std::strncmp(entry.name, name, kNameSize) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

ReadResult PackageDecode(const unsigned char* bytes, std::size_t size, const PackageEntry& entry,
                         std::vector<unsigned char>& data)
{
    data.clear();
    if (entry.storedSize < static_cast<std::int32_t>(kBlobHeaderSize) ||
        entry.blobOffset > size || static_cast<std::size_t>(entry.storedSize) > size - entry.blobOffset) {
        return READ_DAMAGED;
    }
    const unsigned char* blob = bytes + entry.blobOffset;
    const std::int32_t length = entry.dataLength;
    if (length < 0 || GetInt32(blob + 4) != length) {
        return READ_DAMAGED;
    }
    const auto stored = static_cast<std::size_t>(entry.storedSize);
    const auto dataLength = static_cast<std::size_t>(length);
    const unsigned char* payload = blob + kBlobHeaderSize;
    const std::size_t payloadLength = stored - kBlobHeaderSize;
    switch (GetInt32(blob)) {
    case ENC_STORED:
        if (payloadLength != dataLength) {
            return READ_DAMAGED;
        }
        data.assign(payload, payload + dataLength);
        return READ_OK;
    case ENC_SCRAMBLED:
        if (payloadLength != dataLength + 1) {
            return READ_DAMAGED;
        }
        data.resize(dataLength);
        Unscramble(payload, dataLength, data.data());
        return READ_OK;
    case ENC_RUNLENGTH: {
        // Three stream bytes yield at most 255 data bytes: a bound to check before
        // trusting the length with an allocation.
        if (payloadLength < 1 || dataLength / 85 > payloadLength - 1) {
            return READ_DAMAGED;
        }
        data.resize(dataLength);
        if (!ExpandRuns(payload + 1, payloadLength - 1, payload[0], data.data(), dataLength)) {
            data.clear();
            return READ_DAMAGED;
        }
        return READ_OK;
    }
    default:
        return READ_DAMAGED;
    }
}

ReadResult PackageReadEntry(const Package& package, const char* name,
                            std::vector<unsigned char>& data)
{
    data.clear();
    const PackageEntry* entry = PackageFind(package, name);
    if (entry == nullptr) {
        return READ_NO_ENTRY;
    }
    return PackageDecode(package.bytes.data(), package.bytes.size(), *entry, data);
}

} // namespace mx4
