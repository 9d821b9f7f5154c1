// mx4list: shows what a stage package holds.
//
//   mx4list PACKAGE          lists the entries: name, encoding, stored size, data length
//   mx4list PACKAGE ENTRY    writes the entry's decoded bytes to standard output
//
// Exits with 0, or 1 with a message on standard error when the package can't be
// read, is damaged, or has no such entry.
#include <cstdio>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "packager/reader.h"

namespace mx4 {
namespace {

constexpr char kHelp[] =
    "usage: mx4list PACKAGE [ENTRY]\n"
    "       mx4list --help\n"
    "\n"
    "Shows what a stage package (made by mx4pack) holds.\n"
    "  mx4list PACKAGE        lists the entries, one a line: name, encoding\n"
    "                         (64 stored, 65 run-length, 66 scrambled), stored size\n"
    "                         in the package and length of the data, in bytes\n"
    "  mx4list PACKAGE ENTRY  writes the entry's decoded data to standard output\n"
    "                         (names as listed, e.g. INFO, STAGE1, STAGENUM)\n"
    "\n"
    "Exit status: 0 done; 1 when the package cannot be read, is not a stage\n"
    "package or is damaged, the entry does not exist, or the arguments are wrong.\n";

const char* Explain(ReadResult result)
{
    switch (result) {
    case READ_CANT_OPEN:
        return "can't be read";
    case READ_NOT_PACKAGE:
        return "is not a stage package";
    case READ_DAMAGED:
        return "is damaged";
    case READ_NO_ENTRY:
        return "has no such entry";
    default:
        return "can't be read";
    }
}

int Main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: mx4list PACKAGE [ENTRY]\n");
        return 1;
    }
    Package package;
    ReadResult result = PackageLoad(argv[1], package);
    if (result != READ_OK) {
        std::fprintf(stderr, "mx4list: %s %s\n", argv[1], Explain(result));
        return 1;
    }
    if (argc == 2) {
        std::printf("%-16s %8s %10s %10s\n", "name", "encoding", "stored", "length");
        for (const PackageEntry& entry : package.entries) {
            std::printf("%-16s %8d %10d %10d\n", entry.name, static_cast<int>(entry.encoding),
                        static_cast<int>(entry.storedSize), static_cast<int>(entry.dataLength));
        }
        return 0;
    }
    std::vector<unsigned char> data;
    result = PackageReadEntry(package, argv[2], data);
    if (result != READ_OK) {
        std::fprintf(stderr, "mx4list: %s: entry %s: %s\n", argv[1], argv[2],
                     result == READ_NO_ENTRY ? "not found" : Explain(result));
        return 1;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), stdout) != data.size()) {
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace
} // namespace mx4

int main(int argc, char** argv)
{
    return mx4::Main(argc, argv);
}
