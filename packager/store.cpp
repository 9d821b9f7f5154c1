#include "packager/store.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "packager/encode.h"
#include "packager/format.h"
#include "packager/paths.h"

namespace mx4 {
namespace {

constexpr char kTempName[] = "$tmpfile.00";
constexpr std::size_t kTempNameLength = sizeof(kTempName) - 1;
constexpr int kTempNames = 100;
constexpr std::size_t kCopyPiece = 256;
// The encoder's buffer holds the data's length plus this much.
constexpr std::size_t kEncodeSlack = 256;
// The longest data whose blob size still fits the directory's 32-bit field.
constexpr std::size_t kLongestData = static_cast<std::size_t>(INT32_MAX) - kEncodeSlack;

// What a directory says, checked against the file that holds it.
struct DirectoryScan {
    std::int64_t matchIndex = -1;
    std::int64_t before = 0;    // stored sizes of the blobs before the match
    std::int64_t matchSize = 0; // stored size of the matching blob
    std::int64_t after = 0;     // stored sizes of the blobs after the match
};

// Closes the files of one rewrite; a temporary file that did not get to replace
// the package is removed with them.
struct Rewrite {
    std::FILE* package = nullptr;
    std::FILE* temp = nullptr;
    const char* tempName = nullptr;

    ~Rewrite()
    {
        if (package != nullptr) {
            std::fclose(package);
        }
        if (temp != nullptr) {
            std::fclose(temp);
            std::remove(tempName);
        }
    }
};

// The length of path's folder part, its last separator included.
std::size_t FolderLength(const char* path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == kNoSeparator ? 0 : separator + 1;
}

bool PathFits(const char* path)
{
    return std::strlen(path) < kPathCapacity;
}

bool WriteAll(std::FILE* file, const void* bytes, std::size_t count)
{
    return std::fwrite(bytes, 1, count, file) == count;
}

bool NameMatches(const unsigned char* field, const char* name)
{
    return std::strncmp(reinterpret_cast<const char*>(field), name, kNameSize) == 0;
}

long FileSize(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return -1;
    }
    const long size = std::ftell(file);
    return std::fseek(file, 0, SEEK_SET) == 0 ? size : -1;
}

// Reads the 16-byte header; false when it is short or has another magic.
bool ReadHeader(std::FILE* file, std::int32_t& count)
{
    unsigned char header[kHeaderSize];
    if (std::fread(header, 1, kHeaderSize, file) != kHeaderSize ||
        std::memcmp(header, kPackageMagic, kMagicSize) != 0) {
        return false;
    }
    count = GetInt32(header + kMagicSize);
    return true;
}

bool WriteHeader(std::FILE* file, std::int32_t count)
{
    unsigned char header[kHeaderSize];
    std::memcpy(header, kPackageMagic, kMagicSize);
    PutInt32(header + kMagicSize, count);
    return WriteAll(file, header, kHeaderSize);
}

// Reads the count records that follow the header and finds the one called name.
// False when the directory or the data area it describes does not fit in fileSize
// bytes, or a stored size is smaller than a blob's header.
bool ScanDirectory(std::FILE* file, std::int32_t count, long fileSize, const char* name,
                   DirectoryScan& scan)
{
    if (count < 0 || fileSize < 0 ||
        static_cast<std::int64_t>(count) > (fileSize - static_cast<std::int64_t>(kHeaderSize)) /
                                               static_cast<std::int64_t>(kRecordSize)) {
        return false;
    }
    const std::int64_t dataArea = fileSize - static_cast<std::int64_t>(kHeaderSize) -
                                  static_cast<std::int64_t>(kRecordSize) * count;
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        unsigned char record[kRecordSize];
        if (std::fread(record, 1, kRecordSize, file) != kRecordSize) {
            return false;
        }
        const std::int32_t stored = GetInt32(record + kNameSize);
        if (stored < static_cast<std::int32_t>(kBlobHeaderSize)) {
            return false;
        }
        if (scan.matchIndex < 0 && NameMatches(record, name)) {
            scan.matchIndex = i;
            scan.matchSize = stored;
        } else if (scan.matchIndex < 0) {
            scan.before += stored;
        } else {
            scan.after += stored;
        }
        total += stored;
        if (total > dataArea) {
            return false;
        }
    }
    return true;
}

// Puts the finished temporary file in the package's place in one step; on failure
// the temporary file is removed and the package stays as it was.
bool PutInPlace(const char* tempName, const char* path)
{
#ifdef _WIN32
    const bool moved = MoveFileExA(tempName, path, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    const bool moved = std::rename(tempName, path) == 0;
#endif
    if (!moved) {
        std::remove(tempName);
    }
    return moved;
}

// Closes the temporary file of a finished rewrite and moves it over the package.
bool Finish(Rewrite& rewrite, const char* path)
{
    if (rewrite.package != nullptr) {
        std::fclose(rewrite.package);
        rewrite.package = nullptr;
    }
    const bool written = std::ferror(rewrite.temp) == 0;
    const bool closed = std::fclose(rewrite.temp) == 0;
    rewrite.temp = nullptr;
    if (!written || !closed) {
        std::remove(rewrite.tempName);
        return false;
    }
    return PutInPlace(rewrite.tempName, path);
}

// The entry a write appends: its directory record and its blob.
struct NewEntry {
    const unsigned char* record;
    const unsigned char* blob;
    std::size_t blobSize;
};

// Rewrites the package at path without the entry called name and, when added is
// given, with that entry appended last: one pass over the old package, so that a
// failure at any step leaves the package as it was. Without added, it is a removal
// and gives every DeleteResult; with it, DELETE_REMOVED means written.
int RewritePackage(const char* path, const char* name, const NewEntry* added)
{
    char tempName[kPathCapacity];
    if (!PathFits(path) || !MakeTempName(path, tempName)) {
        return DELETE_FAILED;
    }
    Rewrite rewrite;
    rewrite.tempName = tempName;
    errno = 0;
    rewrite.package = std::fopen(path, "rb");
    const bool absent = errno == ENOENT;
    std::int32_t count = 0;
    DirectoryScan scan;
    if (rewrite.package == nullptr) {
        // A removal takes any file it can't open for no package; a write creates a
        // package only where there is no file, and never replaces one it can't read.
        if (added == nullptr) {
            return DELETE_NO_PACKAGE;
        }
        if (!absent) {
            return DELETE_FAILED;
        }
    } else {
        const long fileSize = FileSize(rewrite.package);
        if (!ReadHeader(rewrite.package, count) ||
            !ScanDirectory(rewrite.package, count, fileSize, name, scan)) {
            return DELETE_FAILED;
        }
    }
    const bool match = scan.matchIndex >= 0;
    if (!match && added == nullptr) {
        return DELETE_NOT_FOUND;
    }
    const std::int32_t kept = match ? count - 1 : count;
    if (added != nullptr && kept == INT32_MAX) {
        return DELETE_FAILED;
    }
    rewrite.temp = std::fopen(tempName, "wb");
    if (rewrite.temp == nullptr) {
        return DELETE_FAILED;
    }

    const std::int64_t record = static_cast<std::int64_t>(kRecordSize);
    const std::int64_t recordsBefore = match ? scan.matchIndex : count;
    const std::int64_t recordsAfter = match ? count - 1 - scan.matchIndex : 0;
    bool ok = WriteHeader(rewrite.temp, added != nullptr ? kept + 1 : kept);
    if (rewrite.package != nullptr) {
        ok = ok && std::fseek(rewrite.package, static_cast<long>(kHeaderSize), SEEK_SET) == 0 &&
             CopyBytes(rewrite.temp, rewrite.package, recordsBefore * record) &&
             (!match || std::fseek(rewrite.package, static_cast<long>(kRecordSize), SEEK_CUR) == 0) &&
             CopyBytes(rewrite.temp, rewrite.package, recordsAfter * record);
    }
    if (added != nullptr) {
        ok = ok && WriteAll(rewrite.temp, added->record, kRecordSize);
    }
    if (rewrite.package != nullptr) {
        ok = ok && CopyBytes(rewrite.temp, rewrite.package, scan.before) &&
             (!match || std::fseek(rewrite.package, static_cast<long>(scan.matchSize), SEEK_CUR) == 0) &&
             CopyBytes(rewrite.temp, rewrite.package, scan.after);
    }
    if (added != nullptr) {
        ok = ok && WriteAll(rewrite.temp, added->blob, added->blobSize);
    }
    if (!ok) {
        return DELETE_FAILED;
    }
    return Finish(rewrite, path) ? DELETE_REMOVED : DELETE_FAILED;
}

} // namespace

bool TempNameFits(const char* path)
{
    return FolderLength(path) + kTempNameLength < kPathCapacity;
}

int MakeTempName(const char* path, char* outName)
{
    const std::size_t folderLength = FolderLength(path);
    outName[0] = 0;
    if (!TempNameFits(path)) {
        return 0;
    }
    std::memcpy(outName, path, folderLength);
    std::memcpy(outName + folderLength, kTempName, kTempNameLength + 1);
    char* digits = outName + folderLength + kTempNameLength - 2;
    for (int n = 0; n < kTempNames; ++n) {
        digits[0] = static_cast<char>('0' + n / 10);
        digits[1] = static_cast<char>('0' + n % 10);
        std::FILE* probe = std::fopen(outName, "rb");
        if (probe == nullptr) {
            return 1;
        }
        std::fclose(probe);
    }
    outName[0] = 0;
    return 0;
}

int CopyBytes(std::FILE* destination, std::FILE* source, std::int64_t count)
{
    unsigned char piece[kCopyPiece];
    while (count > 0) {
        const std::size_t n = count < static_cast<std::int64_t>(kCopyPiece)
                                  ? static_cast<std::size_t>(count)
                                  : kCopyPiece;
        if (std::fread(piece, 1, n, source) != n || !WriteAll(destination, piece, n)) {
            return 0;
        }
        count -= static_cast<std::int64_t>(n);
    }
    return 1;
}

int PackageDeleteEntry(const char* name, const char* path)
{
    return RewritePackage(path, name, nullptr);
}

int PackageWriteEntry(const char* name, const char* path, const void* data, std::size_t length,
                      std::int32_t encoding)
{
    if (length > kLongestData) {
        return 0;
    }
    const std::size_t capacity = length + kEncodeSlack;
    std::unique_ptr<unsigned char[]> blob(new (std::nothrow) unsigned char[capacity]);
    if (!blob) {
        return 0;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t stored = EncodeEntry(blob.get(), capacity, bytes, length, encoding);
    if (stored == 0) {
        stored = EncodeEntry(blob.get(), capacity, bytes, length, ENC_STORED);
    }
    if (stored == 0) {
        return 0;
    }
    unsigned char record[kRecordSize] = {};
    for (std::size_t i = 0; i < kNameSize && name[i] != 0; ++i) {
        record[i] = static_cast<unsigned char>(name[i]);
    }
    PutInt32(record + kNameSize, static_cast<std::int32_t>(stored));
    PutInt32(record + kNameSize + 4, static_cast<std::int32_t>(length));
    const NewEntry added{record, blob.get(), stored};
    return RewritePackage(path, name, &added) == DELETE_REMOVED ? 1 : 0;
}

} // namespace mx4
