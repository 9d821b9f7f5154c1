// The entry store: the exact package bytes it writes, and what it leaves alone.
#include <csignal>
#include <cstring>

#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "files.h"
#include "packager/reader.h"
#include "packager/store.h"

using namespace mx4;
using namespace mx4test;

namespace {

int Write(const std::string& path, const char* name, const std::string& data, std::int32_t encoding = ENC_STORED)
{
    return PackageWriteEntry(name, path.c_str(), data.data(), data.size(), encoding);
}

// A stored entry's blob: 64, the length, the data.
void AppendStoredBlob(Bytes& out, const std::string& data)
{
    AppendInt32(out, ENC_STORED);
    AppendInt32(out, static_cast<std::int32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

std::vector<std::string> EntryNames(const std::string& path)
{
    Package package;
    EXPECT_EQ(PackageLoad(path.c_str(), package), READ_OK);
    std::vector<std::string> names;
    for (const PackageEntry& entry : package.entries) {
        names.emplace_back(entry.name);
    }
    return names;
}

} // namespace

TEST(Store, FirstWriteCreatesAPackageOfOneEntry)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "FILETYPE", std::string("MX4DATA0.01", 12)), 1);

    Bytes expected = PackageHeader(1);
    AppendRecord(expected, "FILETYPE", 20, 12);
    AppendStoredBlob(expected, std::string("MX4DATA0.01", 12));
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"p.mx4"});
}

TEST(Store, ReplacingMovesTheEntryToTheEnd)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "A", "first"), 1);
    ASSERT_EQ(Write(path, "B", "bb"), 1);
    ASSERT_EQ(Write(path, "C", "c"), 1);
    ASSERT_EQ(Write(path, "A", "again!"), 1);

    Bytes expected = PackageHeader(3);
    AppendRecord(expected, "B", 10, 2);
    AppendRecord(expected, "C", 9, 1);
    AppendRecord(expected, "A", 14, 6);
    AppendStoredBlob(expected, "bb");
    AppendStoredBlob(expected, "c");
    AppendStoredBlob(expected, "again!");
    EXPECT_EQ(ReadBytes(path), expected);

    // A middle entry comes out of both the directory and the data area.
    ASSERT_EQ(PackageDeleteEntry("C", path.c_str()), DELETE_REMOVED);
    expected = PackageHeader(2);
    AppendRecord(expected, "B", 10, 2);
    AppendRecord(expected, "A", 14, 6);
    AppendStoredBlob(expected, "bb");
    AppendStoredBlob(expected, "again!");
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"p.mx4"});
}

TEST(Store, RemovingTheOnlyEntryLeavesAnEmptyPackage)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "ONLY", "x"), 1);
    EXPECT_EQ(PackageDeleteEntry("ONLY", path.c_str()), DELETE_REMOVED);
    EXPECT_EQ(ReadBytes(path), PackageHeader(0));

    EXPECT_EQ(PackageDeleteEntry("ONLY", path.c_str()), DELETE_NOT_FOUND);
    EXPECT_EQ(PackageDeleteEntry("ONLY", (dir / "absent.mx4").c_str()), DELETE_NO_PACKAGE);

    ASSERT_EQ(Write(path, "NEXT", "yz"), 1);
    Bytes expected = PackageHeader(1);
    AppendRecord(expected, "NEXT", 10, 2);
    AppendStoredBlob(expected, "yz");
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST(Store, EmptyEntriesInEachEncoding)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "S", "", ENC_STORED), 1);
    ASSERT_EQ(Write(path, "R", "", ENC_RUNLENGTH), 1);
    ASSERT_EQ(Write(path, "X", "", ENC_SCRAMBLED), 1);

    Bytes expected = PackageHeader(3);
    AppendRecord(expected, "S", 8, 0);
    AppendRecord(expected, "R", 9, 0);
    AppendRecord(expected, "X", 9, 0);
    for (std::int32_t encoding : {64, 65, 66}) {
        AppendInt32(expected, encoding);
        AppendInt32(expected, 0);
        if (encoding == 65) {
            expected.push_back(0x00);
        } else if (encoding == 66) {
            expected.push_back(0x3C);
        }
    }
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST(Store, NamesCountOnTheirFirstSixteenBytes)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "ABCDEFGHIJKLMNOP", "one"), 1);
    Bytes expected = PackageHeader(1);
    AppendRecord(expected, "ABCDEFGHIJKLMNOP", 11, 3);
    AppendStoredBlob(expected, "one");
    EXPECT_EQ(ReadBytes(path), expected);

    // Longer names agreeing in 16 bytes are the same entry, cut to those bytes.
    ASSERT_EQ(Write(path, "ABCDEFGHIJKLMNOPQRS", "two"), 1);
    expected = PackageHeader(1);
    AppendRecord(expected, "ABCDEFGHIJKLMNOP", 11, 3);
    AppendStoredBlob(expected, "two");
    EXPECT_EQ(ReadBytes(path), expected);

    // A prefix is another name.
    ASSERT_EQ(Write(path, "ABCDEFGHIJKLMNO", "three"), 1);
    EXPECT_EQ(EntryNames(path), (std::vector<std::string>{"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNO"}));
    std::vector<unsigned char> data;
    Package package;
    ASSERT_EQ(PackageLoad(path.c_str(), package), READ_OK);
    ASSERT_EQ(PackageReadEntry(package, "ABCDEFGHIJKLMNOPxyz", data), READ_OK);
    EXPECT_EQ(data, AsBytes("two"));
}

TEST(Store, NamesWithOddBytes)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    const char* names[] = {"\x83\x58\x83\x65\x81\x5B\x83\x57", "a b\t\"c\\", "\xFF\x01\x7F", ""};
    for (const char* name : names) {
        ASSERT_EQ(Write(path, name, name), 1) << name;
    }
    Package package;
    ASSERT_EQ(PackageLoad(path.c_str(), package), READ_OK);
    ASSERT_EQ(package.entries.size(), 4u);
    for (const char* name : names) {
        std::vector<unsigned char> data;
        ASSERT_EQ(PackageReadEntry(package, name, data), READ_OK) << name;
        EXPECT_EQ(data, AsBytes(name));
    }
}

TEST(Store, CostlyRunLengthFallsBackToStored)
{
    // Every value n times: the escape (0) occurs n times and costs 2 bytes more each,
    // plus the escape byte: 9 + L + 2n bytes against a buffer of L + 256.
    auto everyValue = [](int times) {
        std::string data;
        for (int round = 0; round < times; ++round) {
            for (int v = 0; v < 256; ++v) {
                data.push_back(static_cast<char>(v));
            }
        }
        return data;
    };
    TempDir dir;
    const std::string path = dir / "p.mx4";
    const std::string fits = everyValue(123);
    const std::string spills = everyValue(124);
    ASSERT_EQ(Write(path, "FITS", fits, ENC_RUNLENGTH), 1);
    ASSERT_EQ(Write(path, "SPILLS", spills, ENC_RUNLENGTH), 1);

    Package package;
    ASSERT_EQ(PackageLoad(path.c_str(), package), READ_OK);
    ASSERT_EQ(package.entries.size(), 2u);
    EXPECT_EQ(package.entries[0].encoding, ENC_RUNLENGTH);
    EXPECT_EQ(package.entries[0].storedSize, static_cast<std::int32_t>(fits.size() + 255));
    EXPECT_EQ(package.entries[1].encoding, ENC_STORED);
    EXPECT_EQ(package.entries[1].storedSize, static_cast<std::int32_t>(spills.size() + 8));
    std::vector<unsigned char> data;
    ASSERT_EQ(PackageReadEntry(package, "FITS", data), READ_OK);
    EXPECT_EQ(data, AsBytes(fits));
    ASSERT_EQ(PackageReadEntry(package, "SPILLS", data), READ_OK);
    EXPECT_EQ(data, AsBytes(spills));
}

TEST(Store, UnknownEncodingIsStored)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "E", "data", 99), 1);
    Bytes expected = PackageHeader(1);
    AppendRecord(expected, "E", 12, 4);
    AppendStoredBlob(expected, "data");
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST(Store, TemporaryNamesSkipTakenOnes)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    WriteText(dir / "$tmpfile.00", "someone else's");
    char name[256];
    ASSERT_EQ(MakeTempName(path.c_str(), name), 1);
    EXPECT_EQ(std::string(name), dir / "$tmpfile.01");

    ASSERT_EQ(Write(path, "A", "a"), 1);
    ASSERT_EQ(Write(path, "B", "b"), 1);
    EXPECT_EQ(ReadBytes(dir / "$tmpfile.00"), AsBytes("someone else's"));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"$tmpfile.00", "p.mx4"}));

    // A name without a folder gets a temporary name without one.
    ASSERT_EQ(MakeTempName("p.mx4", name), 1);
    EXPECT_STREQ(name, "$tmpfile.00");
}

TEST(Store, AllTemporaryNamesTakenChangesNothing)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "A", "a"), 1);
    const Bytes before = ReadBytes(path);
    for (int n = 0; n < 100; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "$tmpfile.%02d", n);
        WriteText(dir / name, "");
    }
    char name[256];
    EXPECT_EQ(MakeTempName(path.c_str(), name), 0);
    EXPECT_EQ(Write(path, "B", "b"), 0);
    EXPECT_EQ(PackageDeleteEntry("A", path.c_str()), DELETE_FAILED);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(dir.Names().size(), 101u);
}

TEST(Store, ANonPackageFileIsLeftAsItIs)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    const Bytes others[] = {
        AsBytes("hello"),                                       // shorter than a header
        AsBytes(std::string("PACKAGE0.02!\0\0\0\0", 16)),       // the magic without its NUL
        AsBytes(std::string("PACKAGE0.01\0\0\0\0\0", 16)),      // another version
        Bytes(1000, 0),
    };
    for (const Bytes& other : others) {
        WriteBytes(path, other);
        EXPECT_EQ(Write(path, "A", "a"), 0);
        EXPECT_EQ(PackageDeleteEntry("A", path.c_str()), DELETE_FAILED);
        EXPECT_EQ(ReadBytes(path), other);
        EXPECT_EQ(dir.Names(), std::set<std::string>{"p.mx4"});
    }
    // A folder at the path is no package either.
    const std::string folder = dir / "folder.mx4";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(Write(folder, "A", "a"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(Store, AFileThatCanNotBeReadIsNotReplaced)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "running as root: every file can be read";
    }
    TempDir dir;
    const std::string path = dir / "p.mx4";
    WriteText(path, "private");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    EXPECT_EQ(PackageDeleteEntry("A", path.c_str()), DELETE_NO_PACKAGE);
    EXPECT_EQ(Write(path, "A", "a"), 0);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_EQ(ReadBytes(path), AsBytes("private"));
    EXPECT_EQ(dir.Names(), std::set<std::string>{"p.mx4"});
}

TEST(Store, DamagedPackagesFailAndChangeNothing)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "A", "alpha"), 1);
    ASSERT_EQ(Write(path, "B", std::string(300, 'b'), ENC_RUNLENGTH), 1);
    ASSERT_EQ(Write(path, "C", "gamma", ENC_SCRAMBLED), 1);
    const Bytes whole = ReadBytes(path);
    const std::size_t dataStart = 16 + 3 * 24;

    std::vector<std::pair<std::string, Bytes>> damaged;
    for (std::size_t size : {std::size_t{0}, std::size_t{11}, std::size_t{15}, std::size_t{16}, std::size_t{40},
                             dataStart - 1, dataStart, dataStart + 5, whole.size() - 1}) {
        damaged.emplace_back("cut to " + std::to_string(size), Bytes(whole.begin(), whole.begin() + size));
    }
    Bytes negativeCount = whole;
    negativeCount[15] = 0x80;
    damaged.emplace_back("negative count", negativeCount);
    Bytes hugeCount = whole;
    hugeCount[12] = 0xFF;
    hugeCount[13] = 0xFF;
    damaged.emplace_back("huge count", hugeCount);
    Bytes tinyBlob = whole;
    tinyBlob[16 + 16] = 4; // A's stored size below a blob header
    damaged.emplace_back("stored size 4", tinyBlob);
    Bytes negativeBlob = whole;
    negativeBlob[16 + 24 + 16 + 3] = 0xFF;
    damaged.emplace_back("negative stored size", negativeBlob);
    Bytes longBlob = whole;
    longBlob[16 + 48 + 16] += 1; // C's blob one byte past the end
    damaged.emplace_back("blob past the end", longBlob);

    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        WriteBytes(path, bytes);
        EXPECT_EQ(Write(path, "NEW", "n"), 0);
        EXPECT_EQ(Write(path, "B", "n"), 0);
        EXPECT_EQ(PackageDeleteEntry("A", path.c_str()), DELETE_FAILED);
        EXPECT_EQ(PackageDeleteEntry("C", path.c_str()), DELETE_FAILED);
        EXPECT_EQ(PackageDeleteEntry("NONE", path.c_str()), DELETE_FAILED);
        EXPECT_EQ(ReadBytes(path), bytes);
        EXPECT_EQ(dir.Names(), std::set<std::string>{"p.mx4"});
    }
}

TEST(Store, FailedRewriteKeepsThePackageAndRemovesItsTemporaryFile)
{
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "A", std::string(3000, 'a')), 1);
    ASSERT_EQ(Write(path, "B", std::string(3000, 'b')), 1);
    const Bytes before = ReadBytes(path);

    // Files may grow to 4000 bytes only: the new package can't be written in full.
    // Replacing A must not lose the old A on the way.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int written = Write(path, "C", std::string(3000, 'c'));
    const int rewritten = Write(path, "A", std::string(3000, 'z'));
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, SIG_DFL);

    EXPECT_EQ(written, 0);
    EXPECT_EQ(rewritten, 0);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"p.mx4"});

    // Removal writes a smaller file, which fits under a limit of 3100 bytes.
    small.rlim_cur = 3100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int removed = PackageDeleteEntry("A", path.c_str());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    EXPECT_EQ(removed, DELETE_REMOVED);
    EXPECT_EQ(EntryNames(path), std::vector<std::string>{"B"});
}

TEST(Store, OldPackageStaysReadableWhileReplaced)
{
    // The new package takes the old one's name in one step: a reader that opened
    // the old file still reads it whole, and the name holds the new one.
    TempDir dir;
    const std::string path = dir / "p.mx4";
    ASSERT_EQ(Write(path, "A", "old"), 1);
    const Bytes before = ReadBytes(path);
    std::FILE* reader = std::fopen(path.c_str(), "rb");
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(Write(path, "A", "new"), 1);
    Bytes seen(before.size() + 1);
    seen.resize(std::fread(seen.data(), 1, seen.size(), reader));
    std::fclose(reader);
    EXPECT_EQ(seen, before);
    EXPECT_EQ(EntryNames(path), std::vector<std::string>{"A"});
}

TEST(Store, PathsBeyondTheBufferAreRefused)
{
    TempDir dir;
    const std::string longName = std::string(240, 'n');
    const std::string path = dir / longName;
    ASSERT_GE(path.size(), 256u);
    EXPECT_EQ(Write(path, "A", "a"), 0);
    EXPECT_EQ(PackageDeleteEntry("A", path.c_str()), DELETE_FAILED);
    EXPECT_TRUE(dir.Names().empty());

    char name[256];
    const std::string folderPath = std::string(244, 'd') + "/p.mx4";
    EXPECT_FALSE(TempNameFits(folderPath.c_str()));
    EXPECT_EQ(MakeTempName(folderPath.c_str(), name), 0);
    const std::string shorter = std::string(243, 'd') + "/p.mx4";
    EXPECT_TRUE(TempNameFits(shorter.c_str()));
}

TEST(Store, CopyBytesReportsAShortSource)
{
    std::FILE* source = std::tmpfile();
    std::FILE* destination = std::tmpfile();
    ASSERT_NE(source, nullptr);
    ASSERT_NE(destination, nullptr);
    std::string text(700, 'q');
    text[0] = 'a';
    text[699] = 'z';
    std::fwrite(text.data(), 1, text.size(), source);
    std::rewind(source);
    EXPECT_EQ(CopyBytes(destination, source, 0), 1);
    EXPECT_EQ(CopyBytes(destination, source, 700), 1);
    EXPECT_EQ(CopyBytes(destination, source, 1), 0);
    std::rewind(destination);
    std::string copied(800, 0);
    copied.resize(std::fread(copied.data(), 1, copied.size(), destination));
    EXPECT_EQ(copied, text);
    std::fclose(source);
    std::fclose(destination);
}
