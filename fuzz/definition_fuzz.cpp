// Fuzzes mx4pack's definition-file reader: any bytes as a definition file, read
// the way mx4pack reads it (the sections in order, the number of lives, then the
// stage lines), and once more line by line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "packager/definition.h"

namespace {

volatile std::size_t gSink;

char gText[mx4::kTextCapacity];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // fmemopen refuses an empty buffer: an empty file is one byte short of a copy.
    std::vector<uint8_t> bytes(data, data + size);
    bytes.push_back(0);
    std::FILE* file = fmemopen(bytes.data(), size == 0 ? 1 : size, "rb");
    if (file == nullptr) {
        return 0;
    }
    mx4::SkipToMarker(file, "*LEFT");
    std::size_t length = mx4::ReadSection(file, gText, sizeof gText, "*INFO");
    if (length != 0) {
        gSink = gSink + static_cast<std::size_t>(mx4::ReadNumber(gText, length - 1));
        length = mx4::ReadSection(file, gText, sizeof gText, "*ENDING");
    }
    if (length != 0) {
        length = mx4::ReadSection(file, gText, sizeof gText, "*STAGES");
    }
    char line[mx4::kLineCapacity];
    while ((length = mx4::ReadLine(file, line)) > 0) {
        gSink = gSink + mx4::IsBlankLine(line, length) + mx4::IsMarkerLine(line, length, "*LEFT");
    }
    std::rewind(file);
    while ((length = mx4::ReadLine(file, line)) > 0) {
        gSink = gSink + static_cast<std::size_t>(mx4::ReadNumber(line, length));
    }
    std::fclose(file);
    return 0;
}
