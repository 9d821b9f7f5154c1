// mx4pack: builds a stage package from a definition file.
//
//   mx4pack stage.m4p   ->  stage.mx4, beside the definition file
//
// The definition file names the remaining lives (*LEFT), the stage information
// (*INFO), the ending message (*ENDING) and the stage map files (*STAGES), in that
// order. Progress and errors go to standard output; every run ends by asking for
// Enter, waits for it only when standard input is a terminal, and exits with 0
// when the package was built, 1 otherwise, leaving no package behind after a
// failure.
#include <cstdint>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "packager/definition.h"
#include "packager/format.h"
#include "packager/messages.h"
#include "packager/paths.h"
#include "packager/store.h"

namespace mx4 {
namespace {

constexpr char kFileType[] = "MX4DATA0.01";
// Where a map file keeps its version: four decimal characters.
constexpr std::size_t kMapVersionOffset = 32774;
constexpr std::size_t kMapVersionSize = 4;

// The text buffer that each section text and each map file is read into in turn.
char gText[kTextCapacity];

// Whether standard input is a terminal, where someone can press Enter.
bool InputIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(fileno(stdin)) != 0;
#endif
}

// The prompt is always shown; only a terminal is waited on, so that a run from a
// script, a pipe or a build never hangs.
void WaitForEnter()
{
    Say(MSG_PRESS_ENTER);
    std::fflush(stdout);
    if (InputIsTerminal()) {
        std::getchar();
    }
}

// The version of a map file of size bytes: the decimal number in its version field,
// or in the part of the field it has; 0 when the file ends before the field.
std::int32_t MapVersion(const char* map, std::size_t size)
{
    if (size <= kMapVersionOffset) {
        return 0;
    }
    const std::size_t available = size - kMapVersionOffset;
    return ReadNumber(map + kMapVersionOffset, available < kMapVersionSize ? available : kMapVersionSize);
}

bool WriteNumberEntry(const char* name, const char* packagePath, std::int32_t value)
{
    unsigned char bytes[4];
    PutInt32(bytes, value);
    return PackageWriteEntry(name, packagePath, bytes, sizeof bytes, ENC_STORED) != 0;
}

// One run, from the opened definition file to its last message.
struct Run {
    std::FILE* definition;
    const char* outputName;  // as shown to the user
    const char* packagePath; // as opened, from the current directory
    std::int32_t stageCount = 0;
    std::int32_t highestVersion = 0;

    int Fail(MessageId message)
    {
        std::fclose(definition);
        Say(MSG_ERROR, {message});
        std::remove(packagePath);
        WaitForEnter();
        return 1;
    }

    // Reads the stage lines to the end of the file, one map file per line.
    int PackStages()
    {
        char line[kLineCapacity];
        std::size_t length = 0;
        while ((length = ReadLine(definition, line)) > 0) {
            if (IsBlankLine(line, length)) {
                continue;
            }
            if (length == kLineCapacity - 1 && line[length - 1] != '\n') {
                // A full line buffer: the name is whole only when its newline or the
                // end of the file comes next.
                char rest[kLineCapacity];
                const std::size_t restLength = ReadLine(definition, rest);
                if (restLength > 1 || (restLength == 1 && rest[0] != '\n')) {
                    return Fail(ERR_MAP_NAME_TOO_LONG);
                }
            }
            if (line[length - 1] == '\n') {
                line[--length] = 0;
            }
            ++stageCount;
            Say(MSG_STAGE, {stageCount, line});

            std::FILE* map = std::fopen(line, "rb");
            if (map == nullptr) {
                return Fail(ERR_CANT_OPEN_MAP);
            }
            const std::size_t size = std::fread(gText, 1, kTextCapacity, map);
            const bool readFailed = std::ferror(map) != 0;
            std::fclose(map);
            if (readFailed) {
                return Fail(ERR_CANT_OPEN_MAP);
            }
            if (size == kTextCapacity) {
                return Fail(ERR_BUFFER);
            }
            char name[kNameSize + 8];
            std::snprintf(name, sizeof name, "STAGE%d", static_cast<int>(stageCount));
            if (!PackageWriteEntry(name, packagePath, gText, size, ENC_RUNLENGTH)) {
                return Fail(ERR_WRITE);
            }
            const std::int32_t version = MapVersion(gText, size);
            if (version > highestVersion) {
                highestVersion = version;
            }
        }
        return 0;
    }

    int Pack()
    {
        if (!PackageWriteEntry("FILETYPE", packagePath, kFileType, sizeof kFileType, ENC_STORED)) {
            std::fclose(definition);
            Say(MSG_CANT_WRITE, {outputName});
            WaitForEnter();
            return 1;
        }
        Say(MSG_CREATING, {outputName});

        // Whatever stands before the *LEFT line is no part of any section.
        SkipToMarker(definition, "*LEFT");
        std::size_t length = ReadSection(definition, gText, kTextCapacity, "*INFO");
        if (length == 0) {
            return Fail(ERR_NO_INFO);
        }
        const std::int32_t left = ReadNumber(gText, length - 1);
        Say(MSG_LEFT, {static_cast<int>(left)});
        if (!WriteNumberEntry("LEFT", packagePath, left)) {
            return Fail(ERR_WRITE);
        }

        length = ReadSection(definition, gText, kTextCapacity, "*ENDING");
        if (length == 0) {
            return Fail(ERR_NO_ENDING);
        }
        Say(MSG_INFO, {gText});
        if (!PackageWriteEntry("INFO", packagePath, gText, length, ENC_STORED)) {
            return Fail(ERR_WRITE);
        }

        length = ReadSection(definition, gText, kTextCapacity, "*STAGES");
        if (length == 0) {
            return Fail(ERR_NO_STAGES);
        }
        Say(MSG_ENDING, {gText});
        if (!PackageWriteEntry("ENDING", packagePath, gText, length, ENC_SCRAMBLED)) {
            return Fail(ERR_WRITE);
        }

        Say(MSG_STAGE_DATA);
        if (PackStages() != 0) {
            return 1;
        }
        Say(MSG_MAP_VERSION, {static_cast<int>(highestVersion)});
        if (!WriteNumberEntry("STAGENUM", packagePath, stageCount) ||
            !WriteNumberEntry("MAPVERSION", packagePath, highestVersion)) {
            return Fail(ERR_WRITE);
        }
        Say(MSG_SUCCESS, {outputName, static_cast<int>(stageCount)});
        std::fclose(definition);
        WaitForEnter();
        return 0;
    }
};

int Main(int argc, char** argv)
{
    Say(MSG_BANNER);
    if (argc != 2) {
        Say(MSG_USAGE);
        WaitForEnter();
        return 1;
    }
    const char* argument = argv[1];
    char outputName[kPathCapacity];
    if (std::strlen(argument) >= kPathCapacity || !MakeOutputName(argument, "mx4", outputName)) {
        Say(MSG_PATH_TOO_LONG, {argument});
        WaitForEnter();
        return 1;
    }
    std::FILE* definition = std::fopen(argument, "r");
    if (definition == nullptr) {
        Say(MSG_CANT_OPEN, {argument});
        WaitForEnter();
        return 1;
    }
    // Map names are resolved against the definition file's folder, and the package
    // is written there too: once that folder is the current one, the output name's
    // own folder part would lead astray.
    const char* packagePath = EnterDefinitionFolder(argument) ? FileNamePart(outputName) : outputName;
    if (!TempNameFits(packagePath)) {
        std::fclose(definition);
        Say(MSG_PATH_TOO_LONG, {argument});
        WaitForEnter();
        return 1;
    }
    std::remove(packagePath);
    Run run{definition, outputName, packagePath};
    return run.Pack();
}

} // namespace
} // namespace mx4

int main(int argc, char** argv)
{
    return mx4::Main(argc, argv);
}
