// Fuzzes the stage package reader (what mx4list uses): any bytes as a package.
// Its directory is parsed, then every entry it lists is looked up by name and
// decoded, so a length or run count that the checks let through shows up as a
// read or write outside the buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "packager/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    mx4::Package package;
    package.bytes.assign(data, data + size);
    if (mx4::PackageParse(package.bytes.data(), package.bytes.size(), package.entries) != mx4::READ_OK) {
        return 0;
    }
    std::vector<unsigned char> decoded;
    for (const mx4::PackageEntry& entry : package.entries) {
        mx4::PackageReadEntry(package, entry.name, decoded);
    }
    return 0;
}
