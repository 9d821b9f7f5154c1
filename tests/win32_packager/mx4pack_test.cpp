// mx4pack.exe under Windows: run as a child process over definition files, its
// exit status, the exact bytes of its console (code page 932, lines ending in
// CR LF as the run-time's text mode writes them) and the package it leaves, read
// back through the store's reader.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>

#include "child.h"
#include "packager/messages.h"
#include "packager/reader.h"

using namespace mx4;
using namespace mx4win;

namespace {

// Text mode turns each newline into CR LF on the way out.
std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

// What the console shows for a message: its code page 932 bytes.
std::string Shown(MessageId id, std::initializer_list<MessageArg> args = {})
{
    return WithCrLf(ComposeMessage(id, args, false));
}

std::wstring Wide(UINT codePage, const std::string& bytes)
{
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                        static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

// The console's bytes read as code page 932 equal the UTF-8 text the Linux build
// shows: the same characters.
void ExpectSameText(const std::string& cp932, const char* utf8)
{
    std::wstring shown = Wide(932, cp932);
    EXPECT_FALSE(shown.empty()) << "not valid code page 932";
    EXPECT_EQ(shown, Wide(CP_UTF8, WithCrLf(utf8)));
}

std::string Int32Bytes(int32_t value)
{
    auto v = static_cast<uint32_t>(value);
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

// A map file of size bytes whose version field (at 32774) holds version.
std::string Map(size_t size, const std::string& version, unsigned seed)
{
    std::string map(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        map[i] = static_cast<char>((i / 29 + seed) % 4 == 0 ? (i * seed) % 253 : seed);
    }
    map.replace(32774, version.size(), version);
    return map;
}

struct Entry {
    const char* name;
    int32_t encoding;
    std::string data;
};

void ExpectPackage(const std::string& path, const std::vector<Entry>& expected)
{
    Package package;
    ASSERT_EQ(PackageLoad(path.c_str(), package), READ_OK) << path;
    ASSERT_EQ(package.entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const PackageEntry& entry = package.entries[i];
        EXPECT_STREQ(entry.name, expected[i].name);
        EXPECT_EQ(entry.encoding, expected[i].encoding);
        std::vector<unsigned char> data;
        ASSERT_EQ(PackageDecode(package.bytes.data(), package.bytes.size(), entry, data), READ_OK);
        EXPECT_EQ(std::string(data.begin(), data.end()), expected[i].data);
    }
}

const std::vector<std::string> kNothing;

} // namespace

TEST(Mx4PackWindows, UsageWithoutExactlyOneArgument)
{
    // Byte for byte: the banner, the usage line and the request for Enter.
    const std::string usage =
        "MX4 Packager Ver.0.02\r\n\r\n"
        "\x8E\x67\x82\xA2\x95\xFB\x81\x46 MX4PACK hogehoge.m4p\r\n"
        "\r\n** ENTER\x83\x4C\x81\x5B\x82\xF0\x89\x9F\x82\xB5\x82\xC4\x82\xAD\x82\xBE"
        "\x82\xB3\x82\xA2 **\r\n";
    TempFolder folder;
    for (const std::vector<std::string>& args : {kNothing, {"a.m4p", "b.m4p"}}) {
        RunResult run = RunPack(folder.path(), args);
        EXPECT_EQ(run.status, 1u);
        EXPECT_EQ(run.out, usage);
    }
    ExpectSameText(usage, "MX4 Packager Ver.0.02\n\n使い方： MX4PACK hogehoge.m4p\n\n"
                          "** ENTERキーを押してください **\n");
    EXPECT_TRUE(folder.Names().empty());
}

// A definition file with Windows line ends, given by its full path with a drive
// letter from another folder: the maps are found beside it, the package is made
// there (replacing an older file of its name), and the console tells every step.
TEST(Mx4PackWindows, BuildsAPackageBesideTheDefinitionFile)
{
    TempFolder folder;
    ASSERT_TRUE(CreateDirectoryA((folder / "stages").c_str(), nullptr));
    std::string first = Map(40000, "0003", 1);
    std::string second = Map(33000, "0012", 2);
    WriteBytes(folder / "stages\\one.map", first);
    WriteBytes(folder / "stages\\two.map", second);
    WriteBytes(folder / "stages\\stage.mx4", "an older package");
    WriteBytes(folder / "stages\\stage.m4p",
               "notes\r\n*LEFT\r\n 5\r\n*INFO\r\n\r\nStage info\r\n\r\nsecond line\r\n  \r\n"
               "*ENDING\r\n\x83\x47\x83\x93\x83\x68\r\n*STAGES\r\none.map\r\n\r\ntwo.map\r\n");
    ASSERT_EQ(folder.path()[1], ':');

    const std::string definition = folder / "stages\\stage.m4p";
    const std::string output = folder / "stages\\stage.mx4";
    RunResult run = RunPack(folder.path(), {definition});
    EXPECT_EQ(run.status, 0u);
    const std::string info = "Stage info\n\nsecond line\n";
    const std::string ending = "\x83\x47\x83\x93\x83\x68\n";   // "エンド"
    EXPECT_EQ(run.out, Shown(MSG_BANNER) + Shown(MSG_CREATING, {output.c_str()}) +
                           Shown(MSG_LEFT, {5}) + Shown(MSG_INFO, {info.c_str()}) +
                           Shown(MSG_ENDING, {ending.c_str()}) + Shown(MSG_STAGE_DATA) +
                           Shown(MSG_STAGE, {1, "one.map"}) + Shown(MSG_STAGE, {2, "two.map"}) +
                           Shown(MSG_MAP_VERSION, {12}) +
                           Shown(MSG_SUCCESS, {output.c_str(), 2}) + Shown(MSG_PRESS_ENTER));
    size_t version = run.out.find("\x8D\xC5\x91\xE5");   // "最大"
    ASSERT_NE(version, std::string::npos);
    ExpectSameText(run.out.substr(version, run.out.find('\n', version) + 1 - version),
                   "最大マップバージョン：0012\n");

    ExpectPackage(output, {{"FILETYPE", 64, std::string("MX4DATA0.01", 12)},
                           {"LEFT", 64, Int32Bytes(5)},
                           {"INFO", 64, info + '\0'},
                           {"ENDING", 66, ending + '\0'},
                           {"STAGE1", 65, first},
                           {"STAGE2", 65, second},
                           {"STAGENUM", 64, Int32Bytes(2)},
                           {"MAPVERSION", 64, Int32Bytes(12)}});
    // Nothing left over: no temporary file of the store, nothing in the start folder.
    EXPECT_EQ(folder.Names("stages"),
              (std::vector<std::string>{"one.map", "stage.m4p", "stage.mx4", "two.map"}));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"stages"});
}

// A relative name with a folder: the folder becomes the current one.
TEST(Mx4PackWindows, RelativeDefinitionInAFolder)
{
    TempFolder folder;
    ASSERT_TRUE(CreateDirectoryA((folder / "sub").c_str(), nullptr));
    WriteBytes(folder / "sub\\m.map", Map(32778, "0007", 3));
    WriteBytes(folder / "sub\\s.m4p", "*LEFT\n1\n*INFO\n*ENDING\n*STAGES\nm.map\n");
    RunResult run = RunPack(folder.path(), {"sub\\s.m4p"});
    EXPECT_EQ(run.status, 0u);
    EXPECT_NE(run.out.find(Shown(MSG_SUCCESS, {"sub\\s.mx4", 1})), std::string::npos) << run.out;
    ExpectPackage(folder / "sub\\s.mx4", {{"FILETYPE", 64, std::string("MX4DATA0.01", 12)},
                                          {"LEFT", 64, Int32Bytes(1)},
                                          {"INFO", 64, std::string(1, '\0')},
                                          {"ENDING", 66, std::string(1, '\0')},
                                          {"STAGE1", 65, Map(32778, "0007", 3)},
                                          {"STAGENUM", 64, Int32Bytes(1)},
                                          {"MAPVERSION", 64, Int32Bytes(7)}});
}

// Failures: the message, status 1, and no package, old or new, left behind.
TEST(Mx4PackWindows, FailuresLeaveNoPackage)
{
    TempFolder folder;
    RunResult run = RunPack(folder.path(), {"absent.m4p"});
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.out, Shown(MSG_BANNER) + Shown(MSG_CANT_OPEN, {"absent.m4p"}) +
                           Shown(MSG_PRESS_ENTER));
    ExpectSameText(Shown(MSG_CANT_OPEN, {"absent.m4p"}), "absent.m4p が開けないんですけど..\n");

    WriteBytes(folder / "s.mx4", "an older package");
    WriteBytes(folder / "s.m4p", "*LEFT\n2\n*INFO\nhi\n*ENDING\n*STAGES\nmissing.map\n");
    run = RunPack(folder.path(), {"s.m4p"});
    EXPECT_EQ(run.status, 1u);
    const std::string failed = Shown(MSG_BANNER) + Shown(MSG_CREATING, {"s.mx4"}) +
                               Shown(MSG_LEFT, {2}) + Shown(MSG_INFO, {"hi\n"}) +
                               Shown(MSG_ENDING, {""}) + Shown(MSG_STAGE_DATA) +
                               Shown(MSG_STAGE, {1, "missing.map"}) +
                               Shown(MSG_ERROR, {ERR_CANT_OPEN_MAP}) + Shown(MSG_PRESS_ENTER);
    EXPECT_EQ(run.out, failed);
    ExpectSameText(Shown(MSG_ERROR, {ERR_CANT_OPEN_MAP}),
                   "*** ERROR!! *** : マップデータが開けない \n");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"s.m4p"});

    WriteBytes(folder / "s.m4p", "*LEFT\n2\n*ENDING\n*STAGES\n");
    run = RunPack(folder.path(), {"s.m4p"});
    EXPECT_EQ(run.status, 1u);
    EXPECT_EQ(run.out, Shown(MSG_BANNER) + Shown(MSG_CREATING, {"s.mx4"}) +
                           Shown(MSG_ERROR, {ERR_NO_INFO}) + Shown(MSG_PRESS_ENTER));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"s.m4p"});
}
