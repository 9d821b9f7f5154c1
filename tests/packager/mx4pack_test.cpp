// mx4pack end to end: the built program run over definition files, its exact console
// bytes, its exit status and the package it leaves (read back through the reader).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "files.h"
#include "packager/messages.h"
#include "packager/reader.h"

using namespace mx4;
using namespace mx4test;

namespace {

struct RunResult {
    int status = -1;
    std::string out;
};

// The environment of the child, with sanitizer reports (in sanitizer builds) ending
// the run with a status of their own, so that they never pass for the program's 1.
std::vector<std::string> ChildEnvironment()
{
    std::vector<std::string> environment;
    bool asan = false;
    bool ubsan = false;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        std::string text = *variable;
        if (text.starts_with("ASAN_OPTIONS=")) {
            text += ":exitcode=86";
            asan = true;
        } else if (text.starts_with("UBSAN_OPTIONS=")) {
            text += ":exitcode=86";
            ubsan = true;
        }
        environment.push_back(text);
    }
    if (!asan) {
        environment.push_back("ASAN_OPTIONS=exitcode=86");
    }
    if (!ubsan) {
        environment.push_back("UBSAN_OPTIONS=exitcode=86");
    }
    return environment;
}

// Runs mx4pack in folder with an empty standard input and collects its standard output.
// With openPipe standard input is instead a pipe whose writer stays open until
// mx4pack ends: a run that waited for Enter there would never end.
RunResult RunPack(const std::filesystem::path& folder, const std::vector<std::string>& args,
                  bool openPipe = false)
{
    RunResult result;
    const std::vector<std::string> environment = ChildEnvironment();
    std::vector<char*> envp;
    for (const std::string& variable : environment) {
        envp.push_back(const_cast<char*>(variable.c_str()));
    }
    envp.push_back(nullptr);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        ADD_FAILURE() << "pipe";
        return result;
    }
    int inputEnds[2];
    if (pipe(inputEnds) != 0) {
        ADD_FAILURE() << "pipe";
        return result;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(MX4PACK_PATH));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int empty = openPipe ? inputEnds[0] : open("/dev/null", O_RDONLY);
        if (chdir(folder.c_str()) != 0 || empty < 0 || dup2(empty, 0) < 0 || dup2(pipeEnds[1], 1) < 0) {
            _exit(126);
        }
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        close(inputEnds[1]);
        execve(MX4PACK_PATH, argv.data(), envp.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    close(inputEnds[0]);
    char piece[4096];
    ssize_t n = 0;
    while ((n = read(pipeEnds[0], piece, sizeof piece)) > 0) {
        result.out.append(piece, static_cast<std::size_t>(n));
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    close(inputEnds[1]);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// What the console shows for a message on this platform.
std::string Shown(MessageId id, std::initializer_list<MessageArg> args = {})
{
    return ComposeMessage(id, args, kUtf8Console);
}

std::string Int32Bytes(std::int32_t value)
{
    Bytes bytes;
    AppendInt32(bytes, value);
    return std::string(bytes.begin(), bytes.end());
}

// A map file: a tile pattern with runs, the version text at 32774 when given.
Bytes MakeMap(std::size_t size, const std::string& version = "", unsigned seed = 1)
{
    Bytes map(size);
    for (std::size_t i = 0; i < size; ++i) {
        map[i] = static_cast<unsigned char>((i / 37 + seed) % 5 == 0 ? (i * seed) % 251 : seed);
    }
    for (std::size_t i = 0; i < version.size() && 32774 + i < size; ++i) {
        map[32774 + i] = static_cast<unsigned char>(version[i]);
    }
    return map;
}

struct Entry {
    std::string name;
    std::int32_t encoding; // 0: either 64 or 65 (run-length coding may fall back)
    std::string data;
};

void ExpectPackage(const std::string& path, const std::vector<Entry>& expected)
{
    Package package;
    ASSERT_EQ(PackageLoad(path.c_str(), package), READ_OK) << path;
    ASSERT_EQ(package.entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const PackageEntry& entry = package.entries[i];
        EXPECT_EQ(entry.name, expected[i].name);
        if (expected[i].encoding != 0) {
            EXPECT_EQ(entry.encoding, expected[i].encoding) << entry.name;
        } else {
            EXPECT_TRUE(entry.encoding == 64 || entry.encoding == 65) << entry.name;
        }
        Bytes data;
        ASSERT_EQ(PackageDecode(package.bytes.data(), package.bytes.size(), entry, data), READ_OK) << entry.name;
        EXPECT_EQ(std::string(data.begin(), data.end()), expected[i].data) << entry.name;
    }
}

std::string Text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

class Mx4Pack : public testing::Test {
protected:
    TempDir dir;

    RunResult Run(const std::vector<std::string>& args) { return RunPack(dir.path, args); }

    // The leading and trailing entries of every package, around its stages.
    static std::vector<Entry> Entries(std::int32_t left, const std::string& info, const std::string& ending,
                                      const std::vector<Entry>& stages, std::int32_t mapVersion)
    {
        std::vector<Entry> entries = {
            {"FILETYPE", 64, std::string("MX4DATA0.01", 12)},
            {"LEFT", 64, Int32Bytes(left)},
            {"INFO", 64, info + '\0'},
            {"ENDING", 66, ending + '\0'},
        };
        entries.insert(entries.end(), stages.begin(), stages.end());
        entries.push_back({"STAGENUM", 64, Int32Bytes(static_cast<std::int32_t>(stages.size()))});
        entries.push_back({"MAPVERSION", 64, Int32Bytes(mapVersion)});
        return entries;
    }

    // The console of a run that fails after the package was begun.
    static std::string FailedRun(const std::string& output, const std::string& progress, MessageId error)
    {
        return Shown(MSG_BANNER) + Shown(MSG_CREATING, {output.c_str()}) + progress +
               Shown(MSG_ERROR, {error}) + Shown(MSG_PRESS_ENTER);
    }
};

} // namespace

TEST_F(Mx4Pack, UsageWithoutOneArgument)
{
    const std::string usage = Shown(MSG_BANNER) + Shown(MSG_USAGE) + Shown(MSG_PRESS_ENTER);
    EXPECT_EQ(usage, "MX4 Packager Ver.0.02\n\n使い方： MX4PACK hogehoge.m4p\n\n** ENTERキーを押してください **\n");
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"a.m4p", "b.m4p"}}) {
        const RunResult run = Run(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, usage);
    }
    // Without a terminal on standard input nothing waits for Enter, even on a pipe
    // that stays open.
    const RunResult piped = RunPack(dir.path, {}, true);
    EXPECT_EQ(piped.status, 1);
    EXPECT_EQ(piped.out, usage);
    EXPECT_TRUE(dir.Names().empty());
}

TEST_F(Mx4Pack, BuildsAPackageFromEverySection)
{
    WriteBytes(dir / "one.map", MakeMap(40000, "0003", 1));
    WriteBytes(dir / " two.map", MakeMap(33000, "0010", 2));
    WriteBytes(dir / "three.map", MakeMap(100, "", 3));
    WriteBytes(dir / "four.map", MakeMap(32778, "0007", 4));
    WriteText(dir / "stage.m4p",
              "comment before the sections\n"
              "*LEFT\n"
              "3\n"
              "*INFO\n"
              "\n"
              "  \n"
              "  Stage one\n"
              "\n"
              "   \n"
              "the end\n"
              "\n"
              "*ENDING trailing words\n"
              "Thanks\n"
              "*STAGES\n"
              "one.map\n"
              "   \n"
              "\n"
              " two.map\n"
              "three.map\n"
              "four.map");
    const RunResult run = Run({"stage.m4p"});
    EXPECT_EQ(run.status, 0);
    const std::string info = "  Stage one\n\n   \nthe end\n";
    EXPECT_EQ(run.out, Shown(MSG_BANNER) + Shown(MSG_CREATING, {"stage.mx4"}) + Shown(MSG_LEFT, {3}) +
                           Shown(MSG_INFO, {info.c_str()}) + Shown(MSG_ENDING, {"Thanks\n"}) +
                           Shown(MSG_STAGE_DATA) + Shown(MSG_STAGE, {1, "one.map"}) +
                           Shown(MSG_STAGE, {2, " two.map"}) + Shown(MSG_STAGE, {3, "three.map"}) +
                           Shown(MSG_STAGE, {4, "four.map"}) + Shown(MSG_MAP_VERSION, {10}) +
                           Shown(MSG_SUCCESS, {"stage.mx4", 4}) + Shown(MSG_PRESS_ENTER));
    EXPECT_NE(run.out.find("最大マップバージョン：0010\n"), std::string::npos);
    ExpectPackage(dir / "stage.mx4",
                  Entries(3, info, "Thanks\n",
                          {{"STAGE1", 65, Text(MakeMap(40000, "0003", 1))},
                           {"STAGE2", 65, Text(MakeMap(33000, "0010", 2))},
                           {"STAGE3", 65, Text(MakeMap(100, "", 3))},
                           {"STAGE4", 65, Text(MakeMap(32778, "0007", 4))}},
                          10));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"stage.m4p", "stage.mx4", "one.map", " two.map", "three.map",
                                                   "four.map"}));
}

TEST_F(Mx4Pack, EmptySectionsAndNoStages)
{
    WriteText(dir / "empty.m4p", "*LEFT\n*INFO\n \n\n*ENDING\n*STAGES\n\n   \n");
    const RunResult run = Run({"empty.m4p"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, Shown(MSG_BANNER) + Shown(MSG_CREATING, {"empty.mx4"}) + Shown(MSG_LEFT, {0}) +
                           Shown(MSG_INFO, {""}) + Shown(MSG_ENDING, {""}) + Shown(MSG_STAGE_DATA) +
                           Shown(MSG_MAP_VERSION, {0}) + Shown(MSG_SUCCESS, {"empty.mx4", 0}) +
                           Shown(MSG_PRESS_ENTER));
    EXPECT_NE(run.out.find("：0000\n"), std::string::npos);
    ExpectPackage(dir / "empty.mx4", Entries(0, "", "", {}, 0));
}

TEST_F(Mx4Pack, LeftNumberAndMarkerLines)
{
    WriteBytes(dir / "m.map", MakeMap(10));
    WriteText(dir / "s.m4p", "*LEFT stock\n -42 lives\n*INFOS\ninfo\n*ENDING\r\nend\r\n*STAGES\nm.map\n");
    const RunResult run = Run({"s.m4p"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("LEFT：-42\n\n"), std::string::npos);
    ExpectPackage(dir / "s.mx4", Entries(-42, "info\n", "end\n", {{"STAGE1", 65, Text(MakeMap(10))}}, 0));
}

TEST_F(Mx4Pack, MissingOrMisorderedSections)
{
    struct Case {
        const char* definition;
        std::string progress;
        MessageId error;
    };
    const Case cases[] = {
        {"*INFO\ninfo\n*LEFT\n3\n*ENDING\n*STAGES\n", "", ERR_NO_INFO},
        {"no sections at all\n", "", ERR_NO_INFO},
        {"*LEFT\n3\n*INFO\ninfo\n*STAGES\nx.map\n", Shown(MSG_LEFT, {3}), ERR_NO_ENDING},
        {"*LEFT\n3\n*INFO\ninfo\n*ENDING\nbye\n", Shown(MSG_LEFT, {3}) + Shown(MSG_INFO, {"info\n"}), ERR_NO_STAGES},
        // *ENDING before *INFO becomes part of the *LEFT text; no *ENDING follows.
        {"*LEFT\n3\n*ENDING\n*INFO\n*STAGES\n", Shown(MSG_LEFT, {3}), ERR_NO_ENDING},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.definition);
        WriteText(dir / "bad.m4p", c.definition);
        const RunResult run = Run({"bad.m4p"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, FailedRun("bad.mx4", c.progress, c.error));
        EXPECT_EQ(dir.Names(), std::set<std::string>{"bad.m4p"});
    }
}

TEST_F(Mx4Pack, MapFilesUpToTheBuffer)
{
    WriteBytes(dir / "fits.map", MakeMap(65529, "0002"));
    WriteBytes(dir / "big.map", MakeMap(65530, "0002"));
    WriteText(dir / "ok.m4p", "*LEFT\n*INFO\n*ENDING\n*STAGES\nfits.map\n");
    RunResult run = Run({"ok.m4p"});
    EXPECT_EQ(run.status, 0);
    ExpectPackage(dir / "ok.mx4", Entries(0, "", "", {{"STAGE1", 0, Text(MakeMap(65529, "0002"))}}, 2));

    WriteText(dir / "big.m4p", "*LEFT\n*INFO\n*ENDING\n*STAGES\nfits.map\nbig.map\n");
    run = Run({"big.m4p"});
    EXPECT_EQ(run.status, 1);
    const std::string progress = Shown(MSG_LEFT, {0}) + Shown(MSG_INFO, {""}) + Shown(MSG_ENDING, {""}) +
                                 Shown(MSG_STAGE_DATA) + Shown(MSG_STAGE, {1, "fits.map"}) +
                                 Shown(MSG_STAGE, {2, "big.map"});
    EXPECT_EQ(run.out, FailedRun("big.mx4", progress, ERR_BUFFER));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"fits.map", "big.map", "ok.m4p", "ok.mx4", "big.m4p"}));
}

TEST_F(Mx4Pack, MapVersionsComeFromEachMapsOwnBytes)
{
    // Version fields cut short by the end of the file read what they have.
    WriteBytes(dir / "half.map", MakeMap(32776, "12"));
    WriteBytes(dir / "none.map", MakeMap(32774, ""));
    WriteText(dir / "a.m4p", "*LEFT\n*INFO\n*ENDING\n*STAGES\nnone.map\nhalf.map\n");
    RunResult run = Run({"a.m4p"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("：0012\n"), std::string::npos);
    ExpectPackage(dir / "a.mx4", Entries(0, "", "",
                                         {{"STAGE1", 0, Text(MakeMap(32774, ""))},
                                          {"STAGE2", 0, Text(MakeMap(32776, "12"))}},
                                         12));

    // A long ending text fills the shared buffer past the field; a short map read
    // after it must not take its version from those leftovers.
    std::string ending(40000, 'e');
    ending.replace(32774, 4, "0099");
    WriteBytes(dir / "short.map", MakeMap(500));
    WriteText(dir / "b.m4p", "*LEFT\n*INFO\n*ENDING\n" + ending + "\n*STAGES\nshort.map\n");
    run = Run({"b.m4p"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("：0000\n"), std::string::npos);
    ExpectPackage(dir / "b.mx4", Entries(0, "", ending + "\n", {{"STAGE1", 0, Text(MakeMap(500))}}, 0));
}

TEST_F(Mx4Pack, OutputNames)
{
    const std::string definition = "*LEFT\n1\n*INFO\n*ENDING\n*STAGES\n";
    std::filesystem::create_directories(dir.path / "my.dir");
    std::filesystem::create_directories(dir.path / "sub");
    WriteText(dir / "stage", definition);
    WriteText(dir / "my.dir/stage", definition);
    WriteText(dir / "sub/stage.m4p", definition + "m.map\n");
    WriteBytes(dir / "sub/m.map", MakeMap(20));

    RunResult run = Run({"stage"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(Shown(MSG_CREATING, {"stage.mx4"})), std::string::npos);
    ExpectPackage(dir / "stage.mx4", Entries(1, "", "", {}, 0));

    // The last dot of the whole argument counts; the package goes beside the
    // definition file, whose folder is the current one by then.
    run = Run({"my.dir/stage"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(Shown(MSG_SUCCESS, {"my.mx4", 0})), std::string::npos);
    ExpectPackage(dir / "my.dir/my.mx4", Entries(1, "", "", {}, 0));

    // A definition file in a folder: its maps and its package are in that folder.
    run = Run({"sub/stage.m4p"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(Shown(MSG_SUCCESS, {"sub/stage.mx4", 1})), std::string::npos);
    ExpectPackage(dir / "sub/stage.mx4", Entries(1, "", "", {{"STAGE1", 0, Text(MakeMap(20))}}, 0));

    // The same by an absolute path from elsewhere.
    std::filesystem::remove(dir / "sub/stage.mx4");
    const std::string absolute = dir / "sub/stage.m4p";
    run = RunPack("/", {absolute});
    EXPECT_EQ(run.status, 0);
    ExpectPackage(dir / "sub/stage.mx4", Entries(1, "", "", {{"STAGE1", 0, Text(MakeMap(20))}}, 0));

    EXPECT_EQ(dir.Names(), (std::set<std::string>{"stage", "stage.mx4", "my.dir", "sub"}));
    EXPECT_FALSE(Exists(dir / "sub/sub"));
}

TEST_F(Mx4Pack, AnEarlierPackageIsReplaced)
{
    WriteText(dir / "s.mx4", "not a package at all");
    WriteText(dir / "s.m4p", "*LEFT\n5\n*INFO\n*ENDING\n*STAGES\n");
    RunResult run = Run({"s.m4p"});
    EXPECT_EQ(run.status, 0);
    ExpectPackage(dir / "s.mx4", Entries(5, "", "", {}, 0));

    // A failed run leaves no package, old or new.
    WriteText(dir / "s.m4p", "*LEFT\n5\n*INFO\n*ENDING\n*STAGES\nmissing.map\n");
    run = Run({"s.m4p"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"s.m4p"});
}

TEST_F(Mx4Pack, UnopenableDefinitionAndMaps)
{
    RunResult run = Run({"absent.m4p"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, Shown(MSG_BANNER) + Shown(MSG_CANT_OPEN, {"absent.m4p"}) + Shown(MSG_PRESS_ENTER));
    EXPECT_TRUE(dir.Names().empty());

    std::filesystem::create_directory(dir.path / "folder.map");
    const std::string head = Shown(MSG_LEFT, {0}) + Shown(MSG_INFO, {""}) + Shown(MSG_ENDING, {""}) +
                             Shown(MSG_STAGE_DATA);
    for (const char* map : {"missing.map", "folder.map", "MISSING.MAP "}) {
        SCOPED_TRACE(map);
        WriteText(dir / "s.m4p", std::string("*LEFT\n*INFO\n*ENDING\n*STAGES\n") + map + "\n");
        run = Run({"s.m4p"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, FailedRun("s.mx4", head + Shown(MSG_STAGE, {1, map}), ERR_CANT_OPEN_MAP));
        EXPECT_EQ(dir.Names(), (std::set<std::string>{"s.m4p", "folder.map"}));
    }
}

TEST_F(Mx4Pack, UnwritableOutput)
{
    // A folder with something in it stands where the package should go.
    std::filesystem::create_directories(dir.path / "s.mx4" / "inside");
    WriteText(dir / "s.m4p", "*LEFT\n*INFO\n*ENDING\n*STAGES\n");
    const RunResult run = Run({"s.m4p"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, Shown(MSG_BANNER) + Shown(MSG_CANT_WRITE, {"s.mx4"}) + Shown(MSG_PRESS_ENTER));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path / "s.mx4" / "inside"));
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"s.m4p", "s.mx4"}));
}

TEST_F(Mx4Pack, ReadOnlyFolder)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "running as root: a read-only folder is writable; UnwritableOutput covers the failure";
    }
    std::filesystem::create_directory(dir.path / "ro");
    WriteText(dir / "ro/s.m4p", "*LEFT\n*INFO\n*ENDING\n*STAGES\n");
    std::filesystem::permissions(dir.path / "ro", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const RunResult run = Run({"ro/s.m4p"});
    std::filesystem::permissions(dir.path / "ro", std::filesystem::perms::owner_all);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, Shown(MSG_BANNER) + Shown(MSG_CANT_WRITE, {"ro/s.mx4"}) + Shown(MSG_PRESS_ENTER));
}

TEST_F(Mx4Pack, BinaryGarbageDefinition)
{
    Bytes garbage;
    unsigned state = 12345;
    for (int i = 0; i < 100000; ++i) {
        state = state * 1103515245 + 12345;
        const auto c = static_cast<unsigned char>(state >> 16);
        garbage.push_back(c == '*' ? 0 : c);
    }
    WriteBytes(dir / "junk.m4p", garbage);
    RunResult run = Run({"junk.m4p"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, FailedRun("junk.mx4", "", ERR_NO_INFO));
    EXPECT_EQ(dir.Names(), std::set<std::string>{"junk.m4p"});

    // Garbage inside well-formed sections is kept as it is, NULs and all.
    const std::string info("\x01\x02\0\xFF\x82\xA0text\n", 11);
    WriteBytes(dir / "junk.m4p", AsBytes("*LEFT\n\xFF" "7\n*INFO\n" + info + "*ENDING\n*STAGES\n"));
    run = Run({"junk.m4p"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(Shown(MSG_INFO, {"\x01\x02"})), std::string::npos);
    ExpectPackage(dir / "junk.mx4", Entries(0, info, "", {}, 0));
}

TEST_F(Mx4Pack, LongLines)
{
    // Text lines of any length are kept whole.
    const std::string longInfo = std::string(1000, 'i') + "\n";
    WriteText(dir / "a.m4p", "*LEFT\n*INFO\n" + longInfo + "*ENDING\n*STAGES\n");
    RunResult run = Run({"a.m4p"});
    EXPECT_EQ(run.status, 0);
    ExpectPackage(dir / "a.mx4", Entries(0, longInfo, "", {}, 0));

    // A map name of 254 characters fits the line; one more is refused, not cut.
    const std::string name254 = std::string(250, 'm') + ".map";
    WriteBytes(dir / name254, MakeMap(30));
    WriteText(dir / "b.m4p", "*LEFT\n*INFO\n*ENDING\n*STAGES\n" + name254 + "\n");
    run = Run({"b.m4p"});
    EXPECT_EQ(run.status, 0);
    ExpectPackage(dir / "b.mx4", Entries(0, "", "", {{"STAGE1", 0, Text(MakeMap(30))}}, 0));

    const std::string name255 = std::string(251, 'm') + ".map";
    WriteBytes(dir / name255, MakeMap(30));
    WriteText(dir / "c.m4p", "*LEFT\n*INFO\n*ENDING\n*STAGES\n" + name255 + "\n");
    run = Run({"c.m4p"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, FailedRun("c.mx4",
                                 Shown(MSG_LEFT, {0}) + Shown(MSG_INFO, {""}) + Shown(MSG_ENDING, {""}) +
                                     Shown(MSG_STAGE_DATA),
                                 ERR_MAP_NAME_TOO_LONG));
    EXPECT_FALSE(Exists(dir / "c.mx4"));
}

TEST_F(Mx4Pack, PathsBeyondTheBufferAreRefused)
{
    const std::string tooLong = std::string(300, 'p') + ".m4p";
    // 252 characters without a dot fit, but the output name with ".mx4" does not.
    const std::string outputTooLong = std::string(252, 'q');
    WriteText(dir / outputTooLong, "*LEFT\n*INFO\n*ENDING\n*STAGES\n");
    for (const std::string& argument : {tooLong, outputTooLong}) {
        const RunResult run = Run({argument});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, Shown(MSG_BANNER) + Shown(MSG_PATH_TOO_LONG, {argument.c_str()}) + Shown(MSG_PRESS_ENTER));
        EXPECT_NE(run.out.find("のパスが長すぎるんですけど..\n"), std::string::npos);
    }
    EXPECT_EQ(dir.Names(), std::set<std::string>{outputTooLong});
}

TEST_F(Mx4Pack, OddBytesInNamesAndTextsAreShownAsTheyAre)
{
    const std::string cp932Name = "\x83\x58\x83\x65\x81\x5B\x83\x57 1.map"; // "ステージ 1.map" in code page 932
    const std::string oddName = "100% \"quoted\" %s.map";
    WriteBytes(dir / cp932Name, MakeMap(64));
    WriteBytes(dir / oddName, MakeMap(65));
    const std::string info = "\x83\x58\x83\x65\x81\x5B\x83\x57 %d\n";
    WriteText(dir / "odd.m4p", "*LEFT\n*INFO\n" + info + "*ENDING\n*STAGES\n" + cp932Name + "\n" + oddName + "\n");
    const RunResult run = Run({"odd.m4p"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(Shown(MSG_INFO, {info.c_str()})), std::string::npos);
    EXPECT_NE(run.out.find("STAGE1 : \"" + cp932Name + "\"\n"), std::string::npos);
    EXPECT_NE(run.out.find("STAGE2 : \"" + oddName + "\"\n"), std::string::npos);
    ExpectPackage(dir / "odd.mx4", Entries(0, info, "",
                                           {{"STAGE1", 0, Text(MakeMap(64))}, {"STAGE2", 0, Text(MakeMap(65))}}, 0));
}

TEST_F(Mx4Pack, WindowsLineEndsAndALongPreamble)
{
    WriteBytes(dir / "m.map", MakeMap(40));
    std::string preamble;
    while (preamble.size() < 70000) {
        preamble += "notes before the sections, kept out of every text\r\n";
    }
    WriteText(dir / "w.m4p", preamble + "*LEFT\r\n2\r\n*INFO\r\n\r\nline one\r\n\r\nline two\r\n  \r\n*ENDING\r\nbye\r\n"
                                        "*STAGES\r\n\r\nm.map\r\n");
    const RunResult run = Run({"w.m4p"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(Shown(MSG_STAGE, {1, "m.map"})), std::string::npos);
    ExpectPackage(dir / "w.mx4", Entries(2, "line one\n\nline two\n", "bye\n", {{"STAGE1", 0, Text(MakeMap(40))}}, 0));
}
