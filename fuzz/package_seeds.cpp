// Writes the package fuzzer's seed corpus into the directory given: small stage
// packages made by the entry store, with entries in each of the three encodings.
#include <cstdio>
#include <string>

#include "packager/format.h"
#include "packager/store.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: package_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string info = "A stage set\nfor the fuzzer\n";
    std::string map(300, 'a');
    map.replace(100, 50, std::string(50, 'b'));
    map += "0123456789abcdef";
    struct Entry {
        const char* package;
        const char* name;
        const std::string* data;
        int encoding;
    };
    const Entry entries[] = {
        {"stored", "INFO", &info, mx4::ENC_STORED},
        {"runs", "STAGE1", &map, mx4::ENC_RUNLENGTH},
        {"scrambled", "ENDING", &info, mx4::ENC_SCRAMBLED},
        {"mixed", "INFO", &info, mx4::ENC_STORED},
        {"mixed", "STAGE1", &map, mx4::ENC_RUNLENGTH},
        {"mixed", "ENDING", &info, mx4::ENC_SCRAMBLED},
    };
    for (const Entry& e : entries) {
        const std::string path = dir + "/" + e.package + ".mx4";
        if (mx4::PackageWriteEntry(e.name, path.c_str(), e.data->data(), e.data->size(), e.encoding) != 1) {
            std::fprintf(stderr, "package_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
