#include "child.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include <gtest/gtest.h>

namespace mx4win {
namespace {

std::string ProgramFolder()
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string folder = self;
    folder.erase(folder.find_last_of('\\') + 1);
    return folder;
}

// A command line argument as the C run-time splits it again (no backslashes
// before quotes occur in the tests' arguments).
std::string Quoted(const std::string& argument) { return "\"" + argument + "\""; }

void RemoveTree(const std::string& path, int depth)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string full = path + "\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && depth > 0) {
                RemoveTree(full, depth - 1);
            } else {
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

} // namespace

RunResult RunPack(const std::string& folder, const std::vector<std::string>& args)
{
    RunResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr;
    HANDLE outWrite = nullptr;
    HANDLE inRead = nullptr;
    HANDLE inWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) || !CreatePipe(&inRead, &inWrite, &inherit, 0)) {
        ADD_FAILURE() << "pipes: " << GetLastError();
        return result;
    }
    // The parent's ends stay here; the input pipe is empty and closed at once.
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    CloseHandle(inWrite);

    std::string exe = ProgramFolder() + "mx4pack.exe";
    std::string command = Quoted(exe);
    for (const std::string& arg : args) {
        command += " " + Quoted(arg);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    bool started = CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  folder.c_str(), &startup, &process) != 0;
    DWORD error = GetLastError();
    CloseHandle(outWrite);
    CloseHandle(inRead);
    if (!started) {
        CloseHandle(outRead);
        ADD_FAILURE() << "starting " << exe << " failed: " << error;
        return result;
    }
    std::thread reader([&] {
        char piece[4096];
        DWORD n = 0;
        while (ReadFile(outRead, piece, sizeof piece, &n, nullptr) && n > 0) {
            result.out.append(piece, n);
        }
    });
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "mx4pack did not end: it waits for input it was never given";
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    reader.join();
    GetExitCodeProcess(process.hProcess, &result.status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(outRead);
    return result;
}

TempFolder::TempFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    std::string base = temp;
    if (!base.empty() && base.back() == '\\') {
        base.pop_back();
    }
    for (unsigned i = 0; i < 1000 && path_.empty(); ++i) {
        std::string candidate = base + "\\mx4win-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(i);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
        }
    }
    if (path_.empty()) {
        ADD_FAILURE() << "can't create a temporary folder";
    }
}

TempFolder::~TempFolder()
{
    if (!path_.empty()) {
        RemoveTree(path_, 1);
    }
}

std::vector<std::string> TempFolder::Names(const std::string& subfolder) const
{
    std::vector<std::string> names;
    std::string where = subfolder.empty() ? path_ : path_ + "\\" + subfolder;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((where + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace mx4win
