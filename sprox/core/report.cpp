#include "sprox/core/report.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "sprox/sys/machine.h"

namespace sprox {
namespace {

// Messages and tails in code page 932 bytes.
struct ReportText {
    const char* message;
    bool commonTail;
};

// "\n(上記をアプリケーションの作者に正確にお伝えください)"
constexpr const char kCommonTail[] =
    "\x0A\x28\x8F\xE3\x8B\x4C\x82\xF0\x83\x41\x83\x76\x83\x8A\x83\x50\x81\x5B\x83\x56"
    "\x83\x87\x83\x93\x82\xCC\x8D\xEC\x8E\xD2\x82\xC9\x90\xB3\x8A\x6D\x82\xC9\x82\xA8"
    "\x93\x60\x82\xA6\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x29";

// Indexed by -code - 1.
constexpr ReportText kTexts[] = {
    // -1 "ﾘｿｰｽが見つかりません"
    {"\xD8\xBF\xB0\xBD\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1", true},
    // -2 "登録パターンが多すぎます"
    {"\x93\x6F\x98\x5E\x83\x70\x83\x5E\x81\x5B\x83\x93\x82\xAA\x91\xBD\x82\xB7\x82\xAC"
     "\x82\xDC\x82\xB7", true},
    // -3 "メモリ不足です"
    {"\x83\x81\x83\x82\x83\x8A\x95\x73\x91\xAB\x82\xC5\x82\xB7", false},
    // -4 "ファイルのオープンに失敗しました"
    {"\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x83\x49\x81\x5B\x83\x76\x83\x93\x82\xC9"
     "\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD", false},
    // -5 "ROPがCreateRopされていません"
    {"ROP\x82\xAA" "CreateRop\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1", true},
    // -6 "ハンドルが無効です"
    {"\x83\x6E\x83\x93\x83\x68\x83\x8B\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7", true},
    // -7 "DARが未知のバージョンです。新しいSproxを入手してください"
    {"DAR\x82\xAA\x96\xA2\x92\x6D\x82\xCC\x83\x6F\x81\x5B\x83\x57\x83\x87\x83\x93\x82\xC5"
     "\x82\xB7\x81\x42\x90\x56\x82\xB5\x82\xA2" "Sprox\x82\xF0\x93\xFC\x8E\xE8\x82\xB5\x82\xC4"
     "\x82\xAD\x82\xBE\x82\xB3\x82\xA2", true},
    // -8 "SproxInitされていないSPROX構造体が渡されました"
    {"SproxInit\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xC8\x82\xA2" "SPROX\x8D\x5C\x91\xA2\x91\xCC"
     "\x82\xAA\x93\x6E\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD", true},
};

constexpr ReportText kOther = {"error", true};

// English glosses of kTexts, in the same order, and of the common tail.
constexpr const char* kEnglish[] = {
    "resource not found",
    "too many patterns registered (more than 2048)",
    "out of memory",
    "the file could not be opened",
    "the ROP table was not made by SX_CreateRop",
    "the handle is not valid",
    "the archive has a newer, unknown version: a newer Sprox is needed",
    "the context passed was not set up by SX_Init",
};
static_assert(std::size(kEnglish) == std::size(kTexts));
constexpr const char kEnglishTail[] = " (please pass this on to the author of the application)";

// The public calls behind the internal names that start some where-texts.
struct PublicName {
    const char* internal;
    const char* exported;
};
constexpr PublicName kPublicNames[] = {
    {"SproxSize", "SX_Size"},         {"SproxEnd", "SX_End"},
    {"SproxScreenMode", "SX_FullScreen"}, {"SproxFreeWave", "SX_WaveFree"},
    {"SproxWaveFreeAll", "SX_ReleaseAll"}, {"PatEntryDAR", "SX_PatEntryDARFile"},
    {"CreateRop", "SX_CreateRop"},    {"DeleteRop", "SX_DeleteRop"},
    {"TranslucentRop", "SX_TransRop"},
};

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The where-text for the gloss: an internal name gets its public call in front,
// and a trailing "-> N" (an errno) becomes the system's text for N.
std::string GlossWhere(std::string where)
{
    const size_t arrow = where.rfind(" -> ");
    if (arrow != std::string::npos) {
        char* end = nullptr;
        const long error = std::strtol(where.c_str() + arrow + 4, &end, 10);
        if (end != where.c_str() + arrow + 4 && *end == 0) {
            where = where.substr(0, arrow) + ": " + std::strerror(static_cast<int>(error)) +
                    " (errno " + std::to_string(error) + ")";
        }
    }
    for (const PublicName& name : kPublicNames) {
        if (where.rfind(name.internal, 0) == 0) {
            return std::string(name.exported) + " (" + where + ")";
        }
    }
    return where;
}

// Lead bytes of two-byte characters in code page 932.
bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The longest prefix of text, at most limit bytes, that ends on a character boundary.
size_t CutAtCharacter(const char* text, size_t limit)
{
    size_t n = 0;
    while (text[n] != 0) {
        size_t width = IsLeadByte(static_cast<unsigned char>(text[n])) && text[n + 1] != 0 ? 2 : 1;
        if (n + width > limit) {
            break;
        }
        n += width;
    }
    return n;
}

} // namespace

bool ComposeReport(int code, const char* where, char* out)
{
    if (code >= 0) {
        return false;
    }
    const ReportText& text =
        code >= -static_cast<int>(std::size(kTexts)) ? kTexts[-code - 1] : kOther;
    const char* tail = text.commonTail ? kCommonTail : "";
    if (where == nullptr) {
        where = "";
    }
    // "%s: %s%s", with the where-text cut so that the whole fits.
    size_t fixed = 2 + std::strlen(text.message) + std::strlen(tail);
    size_t room = static_cast<size_t>(kReportBufferSize) - 1 - fixed;
    size_t whereLength = CutAtCharacter(where, room);
    char* p = out;
    std::memcpy(p, where, whereLength);
    p += whereLength;
    *p++ = ':';
    *p++ = ' ';
    std::strcpy(p, text.message);
    std::strcat(p, tail);
    return true;
}

std::string ReportGloss(const char* text)
{
    const std::string shown = text;
    for (size_t i = 0; i < std::size(kTexts); ++i) {
        const std::string end = std::string(": ") + kTexts[i].message +
                                (kTexts[i].commonTail ? kCommonTail : "");
        if (EndsWith(shown, end)) {
            return "[" + GlossWhere(shown.substr(0, shown.size() - end.size())) + ": " +
                   kEnglish[i] + (kTexts[i].commonTail ? kEnglishTail : "") + "]";
        }
    }
    return "";
}

void Report(int code, const char* where)
{
    char text[kReportBufferSize];
    if (ComposeReport(code, where, text)) {
        sys::M().MessageBox(text, kReportCaption, ReportGloss(text).c_str());
    }
}

} // namespace sprox
