#include "sprox/pattern/pattern.h"

#include <cstring>

#include "sprox/core/debug.h"
#include "sprox/core/report.h"
#include "sprox/core/wholefile.h"
#include "sprox/pattern/dar.h"
#include "sprox/sys/machine.h"

namespace sprox {

PatternState::PatternState() : patterns{}, patternTop(0), archives{}, archiveTop(1) {}

PatternState gPattern;

namespace {

// Lowers patternTop until it is one past the highest record in use.
void SettlePatternTop()
{
    while (gPattern.patternTop > 0 &&
           gPattern.patterns[gPattern.patternTop - 1].header == nullptr) {
        --gPattern.patternTop;
    }
}

// The public call that reads archives, named on the diagnostic channel.
constexpr const char* kEntryCall = "SX_PatEntryDARFile";

// Every one of the first n entries, checked before anything is registered.
bool DarEntriesFit(const uint8_t* image, size_t size, int version, int n, DarEntry* entries)
{
    size_t offset = kDarHeadSize;
    for (int i = 0; i < n; ++i) {
        const char* fault = "";
        if (!DarReadEntry(image, size, offset, version, &entries[i], &fault)) {
            Diag(kEntryCall, "archive entry %d (at byte %lu) is damaged: %s; nothing registered", i,
                 static_cast<unsigned long>(offset), fault);
            return false;
        }
        offset = entries[i].end;
    }
    return true;
}

} // namespace

int PatEntryDARFile(int first, int count, const char* name)
{
    // A negative first number or count has nothing it could register; checked
    // before the unsigned sum below, which would wrap them into range.
    if (first < 0 || count < 0) {
        Diag(kEntryCall, "first %d or count %d is negative: nothing registered", first, count);
        return 0;
    }
    if (static_cast<uint32_t>(first) + static_cast<uint32_t>(count) > kMaxPatterns) {
        count = kMaxPatterns - first;
        Report(kTooManyPatterns, "PatEntryDARFile");
        if (count <= 0) {
            return 0;
        }
    }
    long size = 0;
    uint8_t* image = ReadWholeFile(name, &size);
    if (image == nullptr) {
        return 0;
    }
    int registered = PatEntryDAR(first, count, kSourceFile, image, static_cast<size_t>(size));
    if (registered <= 0) {
        FreeWholeFile(image);
    }
    return registered;
}

int PatEntryDAR(int first, int count, int32_t kind, uint8_t* image, size_t size)
{
    if (image == nullptr || !DarHasMagic(image, size)) {
        Diag(kEntryCall, "the file (%lu bytes) does not begin with the archive magic \"DAR:8\": "
             "nothing registered", static_cast<unsigned long>(size));
        return 0;
    }
    int version = 0;
    int fileCount = 0;
    if (!DarReadCounts(image, size, &version, &fileCount)) {
        Diag(kEntryCall, "the file ends inside the archive's counts: nothing registered");
        return 0;
    }
    int n = count < fileCount ? count : fileCount;
    if (first < 0 || first >= kMaxPatterns || n <= 0) {
        Diag(kEntryCall, "first %d, count %d, %d patterns in the archive: nothing registered",
             first, count, fileCount);
        return 0;
    }
    if (n > kMaxPatterns - first) {
        n = kMaxPatterns - first;
    }
    if (version > kDarLatestVersion) {
        Report(kUnknownDarVersion, "PatEntryDAR...");
        return 0;
    }
    static DarEntry entries[kMaxPatterns];
    if (!DarHeadFits(image, size)) {
        Diag(kEntryCall, "the archive's palette lies past the end of the file: nothing registered");
        return 0;
    }
    if (!DarEntriesFit(image, size, version, n, entries)) {
        return 0;
    }

    for (int p = first; p < first + n; ++p) {
        PatRelease(p);
    }
    const uint32_t end = static_cast<uint32_t>(first + n);
    if (gPattern.patternTop < end) {
        for (uint32_t p = gPattern.patternTop; p < end; ++p) {
            gPattern.patterns[p] = PatternRecord{};
        }
        gPattern.patternTop = end;
    }
    const int s = FindArchiveSlot();
    if (s == -1) {
        Diag(kEntryCall, "all 31 archive slots are in use: nothing registered");
        SettlePatternTop();
        return 0;
    }
    gPattern.archives[s] = ArchiveSlot{n, kind, 0, image};
    for (int i = 0; i < n; ++i) {
        const DarEntry& e = entries[i];
        PatternRecord& r = gPattern.patterns[first + i];
        r = PatternRecord{};
        r.header = image + 8;
        r.data = e.rows;
        r.archive = static_cast<uint16_t>(s);
        r.width = e.width;
        r.visibleHeight = e.visibleHeight;
        r.rowsAbove = 0;
        r.storedHeight = e.height;
        r.hotX = e.hotX;
        r.hotY = e.hotY;
        r.stride = e.stride;
        r.keyColour = e.keyColour;
        r.extension = e.extension;
    }
    if (s == gPattern.archiveTop) {
        gPattern.archiveTop = s + 1;
    }
    return n;
}

PaletteSource PatternColours(int pattern)
{
    const auto number = static_cast<uint32_t>(pattern);
    if (number >= gPattern.patternTop || number >= kMaxPatterns ||
        gPattern.patterns[number].header == nullptr) {
        return {nullptr, true};
    }
    const PatternRecord& record = gPattern.patterns[number];
    const int32_t kind =
        record.archive < kMaxArchives ? gPattern.archives[record.archive].sourceKind : 0;
    uint32_t offset;
    std::memcpy(&offset, record.header, sizeof offset);
    // The header block lies in memory the pattern table owns and may write.
    return {reinterpret_cast<SproxColor*>(record.header + offset), kind != 0 && kind != 2};
}

const char* PatternFault(uint32_t n)
{
    if (n >= static_cast<uint32_t>(kMaxPatterns)) {
        return "is out of range (patterns are 0 to 2047)";
    }
    const PatternRecord& r = gPattern.patterns[n];
    if (r.header == nullptr) {
        return "is not registered";
    }
    if (r.data == nullptr || r.width <= 0 || r.visibleHeight <= 0) {
        return "is empty (no width or no visible rows)";
    }
    if (r.rowsAbove < 0 || r.storedHeight - r.rowsAbove - r.visibleHeight < 0) {
        return "has its visible rows outside its stored rows";
    }
    return nullptr;
}

int FindArchiveSlot()
{
    if (gPattern.archiveTop <= 1) {
        return 1;
    }
    int s = 1;
    while (s < gPattern.archiveTop && gPattern.archives[s].liveCount != 0) {
        ++s;
    }
    return s >= kMaxArchives ? -1 : s;
}

void PatDropArchive(int pattern)
{
    if (pattern < 0 || pattern >= kMaxPatterns) {
        return;
    }
    PatternRecord& r = gPattern.patterns[pattern];
    r.data = nullptr;
    if (r.archive == 0 || r.archive >= kMaxArchives ||
        gPattern.archives[r.archive].liveCount <= 0) {
        return;
    }
    ArchiveSlot& slot = gPattern.archives[r.archive];
    if (--slot.liveCount > 0) {
        return;
    }
    if (r.archive == gPattern.archiveTop - 1) {
        --gPattern.archiveTop;
        while (gPattern.archiveTop > 1 &&
               gPattern.archives[gPattern.archiveTop - 1].liveCount == 0) {
            --gPattern.archiveTop;
        }
    }
    FreeWholeFile(slot.image);
    slot.image = nullptr;
}

void PatRelease(int pattern)
{
    if (static_cast<uint32_t>(pattern) >= gPattern.patternTop ||
        gPattern.patterns[pattern].header == nullptr) {
        return;
    }
    PatDropArchive(pattern);
    PatternRecord& r = gPattern.patterns[pattern];
    if (r.bitmapBits != nullptr) {
        sys::M().GlobalFree(r.header);  // the converted bitmap: header, colours and rows
        r.bitmapBits = nullptr;
    }
    r.header = nullptr;
    if (static_cast<uint32_t>(pattern) == gPattern.patternTop - 1) {
        SettlePatternTop();
    }
}

void PatReleaseFrom(int first)
{
    const uint32_t from = first < 0 ? 0 : static_cast<uint32_t>(first);
    while (gPattern.patternTop > from) {
        PatRelease(static_cast<int>(gPattern.patternTop - 1));
        SettlePatternTop();
    }
}

} // namespace sprox
