// Archives for the pattern tests: built with the darfile writer, written to
// temporary files, and read back out of the pattern table by a plain model of the
// row walk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dar_picture.h"
#include "dar_write.h"
#include "sprox/pattern/pattern.h"

namespace dartest {

// A picture whose pixels are a pattern of colours and key-colour holes, different
// for each seed, so that pictures are told apart.
dar::Picture MakePicture(int width, int height, int key, int seed, int hotX = 0, int hotY = 0);

// A palette whose entry i is (i, 255 - i, i ^ 0x55, 0).
dar::Palette MakePalette();

// The archive bytes; the test fails if the writer refuses.
std::vector<uint8_t> MakeArchive(const std::vector<dar::Picture>& pictures,
                                 dar::WriteOptions options = {});
// N pictures of small different sizes.
std::vector<uint8_t> MakeArchive(int n, dar::WriteOptions options = {});

// A file in the test's temporary directory, removed when this goes out of scope.
class TempFile {
public:
    explicit TempFile(const std::vector<uint8_t>& bytes);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const char* path() const { return path_.c_str(); }

private:
    std::string path_;
};

// The pixels of a registered pattern (top row first), read from its record the way
// the 1:1 blitter reads it; transparent pixels take `hole`. Only the visible band.
std::vector<uint8_t> PixelsOf(const sprox::PatternRecord& record, uint8_t hole);

// The pixels a picture shows, with transparent pixels as `hole`.
std::vector<uint8_t> Shown(const dar::Picture& picture, uint8_t hole);

// The full text of a report box for code and where-text.
std::string ReportText(int code, const char* where);

} // namespace dartest
