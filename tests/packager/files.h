// Files for the packager tests: a private temporary folder per test, and whole-file
// reads and writes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace mx4test {

using Bytes = std::vector<unsigned char>;

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempDir {
    std::filesystem::path path;

    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return (path / name).string(); }
    // The names in the folder.
    std::set<std::string> Names() const;
};

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);
void WriteText(const std::string& path, const std::string& text);
bool Exists(const std::string& path);

Bytes AsBytes(const std::string& text);
void AppendInt32(Bytes& out, std::int32_t value);
// A directory record: the name NUL-filled to 16 bytes, the stored size, the length.
void AppendRecord(Bytes& out, const std::string& name, std::int32_t stored, std::int32_t length);
// An entry's blob: its encoding, its length, then the payload.
Bytes Blob(std::int32_t encoding, std::int32_t length, const Bytes& payload);
// "PACKAGE0.02", its NUL and the entry count.
Bytes PackageHeader(std::int32_t count);

} // namespace mx4test
