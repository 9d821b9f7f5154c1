// Reading a stage package back: its directory, and any entry decoded by name.
// Everything a package says (count, sizes, lengths, run-length counts) is checked
// against the bytes that are really there before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "packager/format.h"

namespace mx4 {

enum ReadResult : int {
    READ_OK = 1,
    READ_CANT_OPEN,    // the file can't be opened or read
    READ_NOT_PACKAGE,  // shorter than a header, or another magic
    READ_DAMAGED,      // the directory, a blob or its coding disagrees with the file
    READ_NO_ENTRY,     // no entry of that name
};

struct PackageEntry {
    char name[kNameSize + 1];  // the name field, always terminated here
    std::int32_t encoding;     // as the blob says
    std::int32_t storedSize;   // S
    std::int32_t dataLength;   // L, as the directory says
    std::size_t blobOffset;    // where the blob starts in the file
};

struct Package {
    std::vector<unsigned char> bytes;  // the whole file
    std::vector<PackageEntry> entries; // in directory order
};

// Checks the header and the directory of a package held in memory and lists its
// entries. Every blob is checked to lie within size and to start with its header.
ReadResult PackageParse(const unsigned char* bytes, std::size_t size,
                        std::vector<PackageEntry>& entries);

// Reads the file at path and parses it.
ReadResult PackageLoad(const char* path, Package& package);

// The first entry whose name matches (compared on at most 16 bytes), or nullptr.
const PackageEntry* PackageFind(const Package& package, const char* name);

// Decodes one entry's blob into data (which is resized to its length).
ReadResult PackageDecode(const unsigned char* bytes, std::size_t size, const PackageEntry& entry,
                         std::vector<unsigned char>& data);

// Finds the entry called name and decodes it.
ReadResult PackageReadEntry(const Package& package, const char* name,
                            std::vector<unsigned char>& data);

} // namespace mx4
