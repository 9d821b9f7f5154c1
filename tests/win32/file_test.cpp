// Whole-file reading on the real machine: open deny-write, size, one read, close;
// and the core's reader on top of it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sprox/core/wholefile.h"
#include "sprox/sys/machine.h"
#include "sprox/sys/win32/windows_api.h"

namespace {

sys::Machine& Machine() { return *sys::PlatformMachine(); }

// Bytes that are not all alike and include zeros, larger than 64 KB so that the
// read crosses a 16-bit boundary.
std::vector<unsigned char> Content(size_t size)
{
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>((i * 7 + i / 256) & 0xFF);
    }
    return bytes;
}

void Write(const char* name, const std::vector<unsigned char>& bytes)
{
    std::FILE* file = std::fopen(name, "wb");
    ASSERT_NE(file, nullptr) << name;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
}

HANDLE OpenForWriting(const char* name)
{
    return CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       0, nullptr);
}

} // namespace

TEST(Files, WholeFileReadsInOneCall)
{
    const char* name = "files-whole.bin";
    const std::vector<unsigned char> bytes = Content(200000);
    Write(name, bytes);

    long error = -1;
    sys::File file = Machine().FileOpen(name, &error);
    ASSERT_NE(file, nullptr) << error;
    EXPECT_EQ(Machine().FileSize(file), 200000);
    std::vector<unsigned char> read(bytes.size() + 16);
    EXPECT_EQ(Machine().FileRead(file, read.data(), static_cast<long>(read.size())), 200000);
    read.resize(bytes.size());
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(Machine().FileRead(file, read.data(), 1), 0) << "at the end";
    Machine().FileClose(file);
    DeleteFileA(name);
}

TEST(Files, OpenFileDeniesWritersUntilClosed)
{
    const char* name = "files-share.bin";
    Write(name, Content(10));
    sys::File file = Machine().FileOpen(name, nullptr);
    ASSERT_NE(file, nullptr);

    HANDLE writer = OpenForWriting(name);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    HANDLE reader = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "other readers are welcome";
    CloseHandle(reader);

    Machine().FileClose(file);
    writer = OpenForWriting(name);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
    DeleteFileA(name);
}

TEST(Files, FailedOpenGivesTheSystemErrorNumber)
{
    long error = 0;
    EXPECT_EQ(Machine().FileOpen("files-no-such-file.bin", &error), nullptr);
    EXPECT_EQ(error, static_cast<long>(ERROR_FILE_NOT_FOUND));
}

// The open call keeps the full path in 128 bytes: a longer name fails; it does
// not open the file that the path cut to that length would name.
TEST(Files, NameTooLongForTheOpenCallIsRefused)
{
    char folder[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(sizeof folder, folder), 0u);
    std::string longName(200, 'n');
    std::string cut = (std::string(folder) + "\\" + longName).substr(0, OFS_MAXPATHNAME - 1);
    HANDLE decoy = CreateFileA(cut.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(decoy, INVALID_HANDLE_VALUE);
    CloseHandle(decoy);

    long error = 0;
    sys::File file = Machine().FileOpen(longName.c_str(), &error);
    EXPECT_EQ(file, nullptr);
    EXPECT_NE(error, 0);
    if (file != nullptr) {
        Machine().FileClose(file);
    }
    DeleteFileA(cut.c_str());
}

TEST(Files, CoreReaderGetsTheWholeFileInAFixedBlock)
{
    const char* name = "files-core.bin";
    const std::vector<unsigned char> bytes = Content(70000);
    Write(name, bytes);
    long size = -1;
    unsigned char* block = sprox::ReadWholeFile(name, &size);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(size, 70000);
    EXPECT_EQ(GlobalHandle(block), static_cast<HGLOBAL>(block));
    EXPECT_EQ(std::vector<unsigned char>(block, block + size), bytes);
    sprox::FreeWholeFile(block);
    DeleteFileA(name);
}

TEST(Files, CoreReaderTakesAnEmptyFile)
{
    const char* name = "files-empty.bin";
    Write(name, {});
    long size = -1;
    unsigned char* block = sprox::ReadWholeFile(name, &size);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(size, 0);
    sprox::FreeWholeFile(block);
    DeleteFileA(name);
}
