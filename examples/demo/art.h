// The demo's patterns, drawn by the program itself at start-up and written as one
// DAR archive with the test picture's colours.
#pragma once

#include <string>
#include <vector>

#include "dar_picture.h"

// Pattern numbers: the pictures' order in the archive.
enum Pattern : int {
    kBackdrop,   // the test picture at the frame's size; no key colour: every row opaque
    kBall,       // shaded ball, hot spot in its middle
    kArrow,      // arrow pointing right with a fin on top, hot spot at its tip
    kCreature,   // little creature looking right, hot spot between its feet
    kGem,        // diamond, hot spot in its middle
    kMarker,     // small red cross that shows where a hot spot lands
    kLampOff,    // input lamps, 7 x 7, hot spot at the top-left corner
    kLampOn,
    kPanel,      // the status panel behind the lamps, as wide as the frame
};
constexpr int kFirstLabel = kPanel + 1;

// Text patterns in white with a dark shadow, hot spot at the top-left corner.
enum Label : int {
    kLabelPut,
    kLabelMirror,
    kLabelZoom,
    kLabelFlip,
    kLabelWave,
    kLabelRipple,
    kLabelScan,
    kLabelMesh,
    kLabelShadow,
    kLabelRecolor,
    kLabelAnim,
    kLabelRop,
    kLabelInput,
    kLabelSound,
    kLabelCaptions,   // one character under each of the 16 input lamps
    kLabelHelp,
    kLabelCount,
};

constexpr int LabelPattern(Label label) { return kFirstLabel + static_cast<int>(label); }
constexpr int kPatternCount = kFirstLabel + static_cast<int>(kLabelCount);

constexpr int kLampPitch = 9;    // lamps and their captions stand this far apart
constexpr int kPanelHeight = 36;

// Every pattern, in pattern number order.
std::vector<dar::Picture> DrawPatterns(int frameWidth, int frameHeight);

// The test picture's colours in the archive's order (blue, green, red, reserved).
dar::Palette DemoPalette();

// Writes the pictures as a DAR archive; false with a reason.
bool WriteArchive(const std::string& path, const std::vector<dar::Picture>& pictures,
                  std::string* error);
