// The back-end choice and painting under older versions of Windows: copies of this
// program, which Wine runs as win95 and as win31, run the Choice and Paint tests,
// each test in a process of its own.
#include <gtest/gtest.h>

#include <cstring>

#include "screen.h"

using namespace win32test;

namespace {

std::string Folder()
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string folder = self;
    folder.erase(folder.find_last_of('\\') + 1);
    return folder;
}

std::string ReadText(const std::string& path)
{
    std::string text;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in != nullptr) {
        char piece[4096];
        size_t n;
        while ((n = std::fread(piece, 1, sizeof piece, in)) > 0) {
            text.append(piece, n);
        }
        std::fclose(in);
    }
    return text;
}

struct Outcome {
    DWORD exitCode = 1;
    std::string report;   // GoogleTest's XML report of the run
};

// Runs exe in this program's folder with the arguments and an XML report. The
// child inherits no handles: the first window on the desktop may start the
// desktop's own process from it, which would keep them open long after.
Outcome Run(const std::string& exe, const std::string& arguments)
{
    Outcome outcome;
    std::string report = exe.substr(exe.find_last_of('\\') + 1) + ".xml";
    std::string command = "\"" + exe + "\" " + arguments + " --gtest_output=xml:" + report;
    DeleteFileA(report.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       Folder().c_str(), &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &outcome.exitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    } else {
        ADD_FAILURE() << "starting " << exe << " failed: " << GetLastError();
    }
    std::string path = Folder() + report;
    outcome.report = ReadText(path);
    DeleteFileA(path.c_str());
    return outcome;
}

// The value of attribute in the first element of the XML text that holds it.
std::string Attribute(const std::string& xml, size_t from, const char* attribute)
{
    std::string key = std::string(" ") + attribute + "=\"";
    size_t at = xml.find(key, from);
    if (at == std::string::npos) {
        return "";
    }
    at += key.size();
    return xml.substr(at, xml.find('"', at) - at);
}

// The full names of the tests a listing report holds.
std::vector<std::string> ListedTests(const std::string& xml)
{
    std::vector<std::string> names;
    std::string suite;
    for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
        if (xml.compare(at, 11, "<testsuite ") == 0) {
            suite = Attribute(xml, at, "name");
        } else if (xml.compare(at, 10, "<testcase ") == 0) {
            names.push_back(suite + "." + Attribute(xml, at, "name"));
        }
    }
    return names;
}

// A copy of this program that Wine runs as the given Windows version, removed
// again with its setting.
class VersionedCopy {
public:
    explicit VersionedCopy(const char* version)
        : exe_(Folder() + "win32_display_tests_" + version + ".exe"),
          key_(std::string("Software\\Wine\\AppDefaults\\win32_display_tests_") + version +
               ".exe")
    {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        copied_ = CopyFileA(self, exe_.c_str(), FALSE) != 0;
        HKEY hkey = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            &hkey, nullptr) == ERROR_SUCCESS) {
            set_ = RegSetValueExA(hkey, "Version", 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(version),
                                  static_cast<DWORD>(std::strlen(version) + 1)) == ERROR_SUCCESS;
            RegCloseKey(hkey);
        }
    }
    ~VersionedCopy()
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
        DeleteFileA(exe_.c_str());
    }
    bool ready() const { return copied_ && set_; }
    const std::string& exe() const { return exe_; }

private:
    std::string exe_;
    std::string key_;
    bool copied_ = false;
    bool set_ = false;
};

void RunTestsAs(const char* version)
{
    VersionedCopy copy(version);
    ASSERT_TRUE(copy.ready()) << GetLastError();
    Outcome listing = Run(copy.exe(), "--gtest_list_tests --gtest_filter=Choice.*:Paint.*");
    ASSERT_EQ(listing.exitCode, 0u) << listing.report;
    std::vector<std::string> tests = ListedTests(listing.report);
    EXPECT_GE(tests.size(), 5u) << listing.report;
    for (const std::string& test : tests) {
        SCOPED_TRACE(std::string(version) + ": " + test);
        Outcome run = Run(copy.exe(), "--gtest_filter=" + test);
        EXPECT_EQ(run.exitCode, 0u) << run.report;
        // One test ran and passed: a filter that matched nothing would pass as well.
        EXPECT_EQ(Attribute(run.report, 0, "tests"), "1") << run.report;
        EXPECT_EQ(Attribute(run.report, 0, "failures"), "0") << run.report;
    }
}

} // namespace

TEST(Versions, Win95ChoosesTheDibSectionAndPaints) { RunTestsAs("win95"); }

TEST(Versions, Win31ChoosesWinGAndPaints) { RunTestsAs("win31"); }
