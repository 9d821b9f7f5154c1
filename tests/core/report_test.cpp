#include <gtest/gtest.h>

#include <string>

#include "fake/fake_machine.h"
#include "sprox/core/report.h"

namespace {

// "\n(上記をアプリケーションの作者に正確にお伝えください)"
const std::string kTail =
    "\x0A\x28\x8F\xE3\x8B\x4C\x82\xF0\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56"
    "\x83\x87\x83\x93\x82\xCC\x8D\xEC\x8E\xD2\x82\xC9\x90\xB3\x8A\x6D\x82\xC9\x82\xA8"
    "\x93\x60\x82\xA6\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x29";

std::string Shown(int code, const char* where)
{
    auto& m = fake::machine();
    m.boxes.clear();
    sprox::Report(code, where);
    if (m.boxes.empty()) {
        return "(nothing)";
    }
    EXPECT_EQ(m.boxes.size(), 1u);
    EXPECT_EQ(m.boxes[0].caption, "Sprox Error");
    return m.boxes[0].text;
}

} // namespace

TEST(Report, EachCodeShowsItsMessageAndTail)
{
    // Messages as the system's users see them, in code page 932.
    EXPECT_EQ(Shown(-1, "w"), "w: \xD8\xBF\xB0\xBD\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1" + kTail);
    EXPECT_EQ(Shown(-2, "PatEntryDARFile"),
              "PatEntryDARFile: \x93\x6F\x98\x5E\x83\x70\x83\x5E\x81\x5B\x83\x93\x82\xAA\x91\xBD\x82\xB7\x82\xAC\x82\xDC\x82\xB7" + kTail);
    // -3 and -4 have no tail.
    EXPECT_EQ(Shown(-3, "CreateRop"), "CreateRop: \x83\x81\x83\x82\x83\x8A\x95\x73\x91\xAB\x82\xC5\x82\xB7");
    EXPECT_EQ(Shown(-4, "a.dar -> 2"),
              "a.dar -> 2: \x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD");
    EXPECT_EQ(Shown(-5, "RopInit"), std::string("RopInit: ROP\x82\xAA") + "CreateRop\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1" + kTail);
    EXPECT_EQ(Shown(-6, "x"), "x: \x83\x6E\x83\x93\x83\x68\x83\x8B\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7" + kTail);
    EXPECT_EQ(Shown(-7, "PatEntryDAR..."),
              std::string("PatEntryDAR...: DAR\x82\xAA\x96\xA2\x92\x6D\x82\xCC\x83\x6F\x81\x5B\x83\x57\x83\x87\x83\x93\x82\xC5\x82\xB7\x81\x42\x90\x56\x82\xB5\x82\xA2") +
                  "Sprox\x82\xF0\x93\xFC\x8E\xE8\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2" + kTail);
    EXPECT_EQ(Shown(-8, "SproxSize"),
              std::string("SproxSize: SproxInit\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xC8\x82\xA2") +
                  "SPROX\x8D\x5C\x91\xA2\x91\xCC\x82\xAA\x93\x6E\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD" + kTail);
}

TEST(Report, OtherNegativeCodesSayErrorAndPositiveCodesShowNothing)
{
    EXPECT_EQ(Shown(-9, "Somewhere"), "Somewhere: error" + kTail);
    EXPECT_EQ(Shown(-1000, ""), ": error" + kTail);
    EXPECT_EQ(Shown(0, "x"), "(nothing)");
    EXPECT_EQ(Shown(1, "x"), "(nothing)");
    EXPECT_EQ(Shown(0x7FFFFFFF, "x"), "(nothing)");
}

TEST(Report, OverlongWhereTextIsCutToFitAtACharacterBoundary)
{
    const std::string message = "\x83\x6E\x83\x93\x83\x68\x83\x8B\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7";
    const size_t room = sprox::kReportBufferSize - 1 - 2 - message.size() - kTail.size();

    // Single-byte characters: exactly as many as fit.
    std::string ascii(1000, 'a');
    EXPECT_EQ(Shown(-6, ascii.c_str()), std::string(room, 'a') + ": " + message + kTail);

    // Two-byte characters ("あ" = 82 A0): never half a character.
    std::string wide;
    for (int i = 0; i < 400; ++i) {
        wide += "\x82\xA0";
    }
    std::string shown = Shown(-6, wide.c_str());
    EXPECT_LT(shown.size(), static_cast<size_t>(sprox::kReportBufferSize));
    std::string kept = shown.substr(0, shown.find(": "));
    EXPECT_EQ(kept.size() % 2, 0u);
    EXPECT_EQ(kept.size(), room - room % 2);
    EXPECT_EQ(kept, wide.substr(0, kept.size()));

    // One byte short of a pair at the limit: the odd single byte in front shifts the pairs.
    std::string mixed = "a" + wide;
    kept = Shown(-6, mixed.c_str());
    kept = kept.substr(0, kept.find(": "));
    EXPECT_EQ(kept.size(), room - (room - 1) % 2);
}

TEST(Report, NullWhereTextIsTreatedAsEmpty)
{
    EXPECT_EQ(Shown(-9, nullptr), ": error" + kTail);
}
