#include "files.h"

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

namespace mx4test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "mx4test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "can't create a temporary folder";
    }
    path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::set<std::string> TempDir::Names() const
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

Bytes ReadBytes(const std::string& path)
{
    Bytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        ADD_FAILURE() << "can't read " << path;
        return bytes;
    }
    int c = 0;
    while ((c = std::getc(file)) != EOF) {
        bytes.push_back(static_cast<unsigned char>(c));
    }
    std::fclose(file);
    return bytes;
}

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    if (!bytes.empty()) {
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    ASSERT_EQ(std::fclose(file), 0);
}

void WriteText(const std::string& path, const std::string& text)
{
    WriteBytes(path, AsBytes(text));
}

bool Exists(const std::string& path)
{
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

Bytes AsBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

void AppendInt32(Bytes& out, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<unsigned char>(v >> shift));
    }
}

void AppendRecord(Bytes& out, const std::string& name, std::int32_t stored, std::int32_t length)
{
    for (std::size_t i = 0; i < 16; ++i) {
        out.push_back(i < name.size() ? static_cast<unsigned char>(name[i]) : 0);
    }
    AppendInt32(out, stored);
    AppendInt32(out, length);
}

Bytes Blob(std::int32_t encoding, std::int32_t length, const Bytes& payload)
{
    Bytes out;
    AppendInt32(out, encoding);
    AppendInt32(out, length);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes PackageHeader(std::int32_t count)
{
    Bytes out = AsBytes(std::string("PACKAGE0.02", 12));
    AppendInt32(out, count);
    return out;
}

} // namespace mx4test
