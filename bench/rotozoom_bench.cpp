// The rotate-zoom workload of the shared benchmark definitions: sprite A (64 x 64,
// colour 0 transparent) turned about its centre at 1:1 into a 640 x 480 8-bit
// frame refilled before every pass; call i puts the pivot (32, 32) on (x + 32,
// y + 32) of position i of the xorshift32 sequence, at angle i & 255; 1000 calls
// a pass, calls 0..255 counted. Ours (SX_RotoZoomPut) beside the peer
// (pivot_scaled_sprite). harness.h describes the options and the table it prints.
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "dar_write.h"
#include "harness.h"
#include "rotozoom_peer.h"
#include "sprox.h"

namespace {

using bench::Check;
using bench::kFrameHeight;
using bench::kFrameWidth;
using bench::kSpriteSize;

constexpr int kPivot = 32;
constexpr int kItems = 1000;
constexpr int kCountedItems = 256;
constexpr int kPatternNumber = 0;

const bench::Palette gPalette = bench::WorkloadPalette();
const std::vector<uint8_t> gSprite = bench::SpriteA();
const std::vector<bench::Position> gPositions = bench::Positions(kItems);

// --- Ours: a 640 x 480 context whose frame fields are set by hand, and sprite A
// as pattern 0 of a DAR file (key colour 0, hot spot (0, 0)) ---

std::vector<uint8_t> gOurFrame(kFrameWidth * kFrameHeight);
SproxContext gContext{};

uint8_t* OurLine(int y) { return gOurFrame.data() + y * kFrameWidth; }

void StartOurs()
{
    bench::StartFrameContext(gContext, gOurFrame.data(), gPalette);

    dar::Palette palette{};
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = gPalette.blue[i];
        palette[4 * i + 1] = gPalette.green[i];
        palette[4 * i + 2] = gPalette.red[i];
    }
    dar::Picture picture;
    picture.width = kSpriteSize;
    picture.height = kSpriteSize;
    picture.pixels = gSprite;
    picture.key = 0;
    std::vector<uint8_t> image;
    std::string error;
    Check(dar::WriteDar(palette, {picture}, {}, &image, &error), "sprite A does not encode");
    char path[] = "/tmp/sprox-rotozoom-bench-XXXXXX";
    const int fd = mkstemp(path);
    Check(fd >= 0 && write(fd, image.data(), image.size()) == static_cast<ssize_t>(image.size()) &&
              close(fd) == 0,
          "cannot write the archive");
    const int registered = SX_PatEntryDARFile(kPatternNumber, 1, path);
    unlink(path);
    Check(registered == 1, "sprite A did not register");
}

void OursRotoZoom(int i)
{
    const bench::Position& p = gPositions[i];
    SX_RotoZoomPut(&gContext, p.x + kPivot, p.y + kPivot, kPatternNumber, kPivot, kPivot, i & 255,
                   256);
}

void PeerPivot(int i)
{
    const bench::Position& p = gPositions[i];
    RotoPeerPivot(p.x + kPivot, p.y + kPivot, kPivot, kPivot, i & 255);
}

// --- Passes ---

void OurFill() { bench::FillFrame(OurLine, kFrameWidth, kFrameHeight); }
uint32_t OurSum() { return bench::FrameChecksum(OurLine, kFrameWidth, kFrameHeight); }
void PeerFill() { bench::FillFrame(RotoPeerFrameLine, kFrameWidth, kFrameHeight); }
uint32_t PeerSum() { return bench::FrameChecksum(RotoPeerFrameLine, kFrameWidth, kFrameHeight); }

const bench::Impl kImpls[] = {
    {"rotozoom", "ours", OursRotoZoom, OurFill, OurSum},
    {"rotozoom", "pivot_scaled_sprite", PeerPivot, PeerFill, PeerSum},
};

} // namespace

int main(int argc, char** argv)
{
    StartOurs();
    Check(RotoPeerStart(kFrameWidth, kFrameHeight, gSprite.data(), kSpriteSize, kSpriteSize) != 0,
          "peer start");
    return bench::Main({kImpls, sizeof kImpls / sizeof kImpls[0], kItems, kCountedItems}, argc,
                       argv);
}
