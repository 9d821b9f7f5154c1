// Reading the definition file, numbers, and the path texts of the command.
#include <cstdio>
#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

#include "files.h"
#include "packager/definition.h"
#include "packager/format.h"
#include "packager/paths.h"

using namespace mx4;
using namespace mx4test;

namespace {

// An open file holding text, positioned at its start.
struct TextFile {
    std::FILE* file = std::tmpfile();

    explicit TextFile(const std::string& text)
    {
        std::fwrite(text.data(), 1, text.size(), file);
        std::rewind(file);
    }
    ~TextFile() { std::fclose(file); }
};

// ReadSection's text, with its reported length checked against it.
std::string Section(std::FILE* file, const char* marker, std::size_t capacity = kTextCapacity)
{
    std::vector<char> text(capacity, 'x');
    const std::size_t length = ReadSection(file, text.data(), capacity, marker);
    if (length == 0) {
        return "<none>";
    }
    EXPECT_EQ(text[length - 1], 0);
    return std::string(text.data(), length - 1);
}

std::string NextLine(std::FILE* file)
{
    char line[kLineCapacity];
    const std::size_t length = ReadLine(file, line);
    EXPECT_EQ(line[length], 0);
    return std::string(line, length);
}

} // namespace

TEST(Definition, MarkersMustStartTheLineInTheirCase)
{
    TextFile f(" *INFO\n*info\n*INF\n*INFOX\nrest\n");
    EXPECT_EQ(Section(f.file, "*INFO"), " *INFO\n*info\n*INF\n");
    EXPECT_EQ(NextLine(f.file), "rest\n");
}

TEST(Definition, MissingMarkerOrFullBufferGiveNoSection)
{
    TextFile missing("text\nmore\n");
    EXPECT_EQ(Section(missing.file, "*INFO"), "<none>");

    // 10 lines of 10 bytes: a buffer of 100 can't hold them with a terminator.
    std::string lines;
    for (int i = 0; i < 10; ++i) {
        lines += "123456789\n";
    }
    TextFile exact(lines + "*INFO\n");
    EXPECT_EQ(Section(exact.file, "*INFO", 101), lines);
    TextFile full(lines + "*INFO\n");
    EXPECT_EQ(Section(full.file, "*INFO", 100), "<none>");
    // Trailing blank lines count against the buffer even though they are dropped.
    TextFile trailing(lines.substr(0, 90) + "\n\n\n\n\n\n\n\n\n\n*INFO\n");
    EXPECT_EQ(Section(trailing.file, "*INFO", 100), "<none>");
}

TEST(Definition, LongLinesComeInPiecesAndStayWhole)
{
    const std::string longLine = std::string(600, 'L') + "\n";
    TextFile f(longLine + "*INFO\n");
    EXPECT_EQ(NextLine(f.file), std::string(254, 'L'));
    EXPECT_EQ(NextLine(f.file), std::string(254, 'L'));
    EXPECT_EQ(NextLine(f.file), std::string(92, 'L') + "\n");
    std::rewind(f.file);
    EXPECT_EQ(Section(f.file, "*INFO"), longLine);
}

TEST(Definition, LineEndsAndBlankLines)
{
    TextFile f("a\r\nb\rc\n\r\n  \r\nlast");
    EXPECT_EQ(NextLine(f.file), "a\n");
    EXPECT_EQ(NextLine(f.file), "b\rc\n");
    EXPECT_EQ(NextLine(f.file), "\n");
    EXPECT_EQ(NextLine(f.file), "  \n");
    EXPECT_EQ(NextLine(f.file), "last");
    EXPECT_EQ(NextLine(f.file), "");

    EXPECT_TRUE(IsBlankLine("\n", 1));
    EXPECT_TRUE(IsBlankLine("    \n", 5));
    EXPECT_FALSE(IsBlankLine("\t\n", 2));
    EXPECT_FALSE(IsBlankLine("   ", 3));
    EXPECT_FALSE(IsBlankLine("", 0));
    EXPECT_FALSE(IsBlankLine(" \0 \n", 4));
}

TEST(Definition, NumbersReadLikeDecimalText)
{
    auto read = [](const std::string& text) { return ReadNumber(text.data(), text.size()); };
    EXPECT_EQ(read("3\n"), 3);
    EXPECT_EQ(read(""), 0);
    EXPECT_EQ(read(" \t\n -12abc"), -12);
    EXPECT_EQ(read("+7"), 7);
    EXPECT_EQ(read("0012"), 12);
    EXPECT_EQ(read("- 5"), 0);
    EXPECT_EQ(read("x5"), 0);
    EXPECT_EQ(read("99999999999999999999"), INT32_MAX);
    EXPECT_EQ(read("-2147483648"), INT32_MIN);
    EXPECT_EQ(read("-99999999999"), INT32_MIN);
    // Only the bytes given count.
    EXPECT_EQ(ReadNumber("12345", 2), 12);
}

TEST(Paths, OutputNameReplacesTheLastExtension)
{
    char out[kPathCapacity];
    auto make = [&](const std::string& argument) {
        return MakeOutputName(argument.c_str(), "mx4", out) ? std::string(out) : std::string("<refused>");
    };
    EXPECT_EQ(make("stage"), "stage.mx4");
    EXPECT_EQ(make("stage.m4p"), "stage.mx4");
    EXPECT_EQ(make("stage."), "stage.mx4");
    EXPECT_EQ(make("a.b.c"), "a.b.mx4");
    EXPECT_EQ(make("my.dir\\stage"), "my.mx4");
    EXPECT_EQ(make("my.dir/stage"), "my.mx4");
    EXPECT_EQ(make(std::string(251, 's')), std::string(251, 's') + ".mx4");
    EXPECT_EQ(make(std::string(252, 's')), "<refused>");
    EXPECT_EQ(make(std::string(251, 's') + ".m4p"), std::string(251, 's') + ".mx4");
}

TEST(Paths, SeparatorsSkipSecondBytesOfWideCharacters)
{
    // "表" is 95 5C in code page 932: its second byte is no separator there.
    const char* path = "ab\\\x95\x5C" "c";
    EXPECT_EQ(LastSeparator(path, true), 2u);
    EXPECT_EQ(LastSeparator(path, false), 4u);
    EXPECT_EQ(LastSeparator("\x95\x5C\\x", true), 2u);
    EXPECT_EQ(LastSeparator("plain", true), kNoSeparator);
    EXPECT_EQ(LastSeparator("dir/sub/name", false), 7u);
    EXPECT_STREQ(FileNamePart("dir/sub\\name.mx4"), "name.mx4");
    EXPECT_STREQ(FileNamePart("name.mx4"), "name.mx4");
}

TEST(Paths, EnteringTheDefinitionFolder)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path / "sub" / "deeper");
    std::filesystem::create_directories(dir.path / "sub" / "back\\slash");
    const std::filesystem::path start = std::filesystem::current_path();

    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    EXPECT_FALSE(EnterDefinitionFolder("stage.m4p"));
    EXPECT_EQ(std::filesystem::current_path(), dir.path);
    EXPECT_TRUE(EnterDefinitionFolder("sub/deeper/stage.m4p"));
    EXPECT_EQ(std::filesystem::current_path(), dir.path / "sub" / "deeper");
    // The backslash separates too: here the folder is the one so named.
    EXPECT_TRUE(EnterDefinitionFolder("../back\\slash\\stage.m4p"));
    EXPECT_EQ(std::filesystem::current_path(), dir.path / "sub" / "back\\slash");
    EXPECT_TRUE(EnterDefinitionFolder((dir.path.string() + "/sub/x.m4p").c_str()));
    EXPECT_EQ(std::filesystem::current_path(), dir.path / "sub");
    EXPECT_FALSE(EnterDefinitionFolder("missing/stage.m4p"));
    EXPECT_EQ(std::filesystem::current_path(), dir.path / "sub");
    // A file directly under the root enters the root, not nothing.
    EXPECT_TRUE(EnterDefinitionFolder("/stage.m4p"));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path("/"));
    std::filesystem::current_path(start);
}
