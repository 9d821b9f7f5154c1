// The Windows machine against the real system (under Wine in CI): the version
// value, run-time libraries and fixed memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "sprox/sys/machine.h"
#include "sprox/sys/win32/windows_api.h"

namespace {

sys::Machine& Machine() { return *sys::PlatformMachine(); }

bool OldWindows(uint32_t version) { return (version & 0x80000000u) != 0; }
unsigned Major(uint32_t version) { return version & 0xFF; }
unsigned Minor(uint32_t version) { return (version >> 8) & 0xFF; }

// Runs a copy of this program named NAME.exe that Wine is told to give the
// Windows version `setting`, and returns the version value its machine read.
uint32_t VersionSeenAs(const std::string& name, const char* setting)
{
    char self[MAX_PATH];
    EXPECT_GT(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
    std::string dir(self);
    dir.erase(dir.find_last_of('\\') + 1);
    std::string exe = dir + name + ".exe";
    std::string out = name + ".version";
    if (!CopyFileA(self, exe.c_str(), FALSE)) {
        ADD_FAILURE() << "copy to " << exe << " failed: " << GetLastError();
        return 0;
    }
    std::string key = "Software\\Wine\\AppDefaults\\" + name + ".exe";
    HKEY hkey = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &hkey, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(hkey, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(setting),
                             static_cast<DWORD>(std::strlen(setting) + 1)),
              ERROR_SUCCESS);
    RegCloseKey(hkey);

    std::string command = "\"" + exe + "\" --write-version " + out;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    DWORD exitCode = 1;
    if (CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    } else {
        ADD_FAILURE() << "starting " << exe << " failed: " << GetLastError();
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    DeleteFileA(exe.c_str());
    EXPECT_EQ(exitCode, 0u);

    unsigned version = 0;
    std::FILE* in = std::fopen(out.c_str(), "r");
    if (in == nullptr || std::fscanf(in, "%X", &version) != 1) {
        ADD_FAILURE() << "no version from " << exe;
    }
    if (in != nullptr) {
        std::fclose(in);
    }
    DeleteFileA(out.c_str());
    return version;
}

} // namespace

TEST(Version, DefaultIsTheNtLine)
{
    uint32_t version = Machine().Version();
    EXPECT_FALSE(OldWindows(version)) << std::hex << version;
    EXPECT_GE(Major(version), 4u) << std::hex << version;
}

// What the back-end choice branches on: the top bit and the major version.
TEST(Version, OldWindowsPerProgram)
{
    uint32_t win95 = VersionSeenAs("win32_tests_win95", "win95");
    EXPECT_TRUE(OldWindows(win95)) << std::hex << win95;
    EXPECT_EQ(Major(win95), 4u) << std::hex << win95;

    uint32_t win31 = VersionSeenAs("win32_tests_win31", "win31");
    EXPECT_TRUE(OldWindows(win31)) << std::hex << win31;
    EXPECT_EQ(Major(win31), 3u) << std::hex << win31;
    EXPECT_EQ(Minor(win31), 10u) << std::hex << win31;

    // The setting belongs to the copies only.
    EXPECT_FALSE(OldWindows(Machine().Version()));
}

TEST(Modules, Gdi32OffersCreateDIBSection)
{
    void* gdi = Machine().LoadModule("GDI32");
    ASSERT_NE(gdi, nullptr);
    EXPECT_EQ(Machine().FindEntry(gdi, "CreateDIBSection"),
              reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdi32.dll"), "CreateDIBSection")));
    EXPECT_EQ(Machine().FindEntry(gdi, "NoSuchEntryPoint"), nullptr);
    EXPECT_EQ(Machine().FindEntry(nullptr, "CreateDIBSection"), nullptr);
    Machine().FreeModule(gdi);
}

// Freeing the module unloads it: the probe leaves nothing loaded behind.
TEST(Modules, WinGLoadsResolvesAndIsUnloadedWhenFreed)
{
    ASSERT_EQ(GetModuleHandleA("WING32.DLL"), nullptr);
    void* wing = Machine().LoadModule("WING32.DLL");
    ASSERT_NE(wing, nullptr);
    for (const char* entry :
         {"WinGCreateDC", "WinGRecommendDIBFormat", "WinGCreateBitmap", "WinGBitBlt", "WinGStretchBlt"}) {
        EXPECT_NE(Machine().FindEntry(wing, entry), nullptr) << entry;
    }
    Machine().FreeModule(wing);
    EXPECT_EQ(GetModuleHandleA("WING32.DLL"), nullptr);
}

TEST(Modules, DirectDrawLoadsAndResolves)
{
    void* ddraw = Machine().LoadModule("DDRAW.DLL");
    ASSERT_NE(ddraw, nullptr);
    EXPECT_NE(Machine().FindEntry(ddraw, "DirectDrawCreate"), nullptr);
    Machine().FreeModule(ddraw);
}

TEST(Modules, MissingLibraryIsNullUnderTheQuietErrorMode)
{
    uint32_t previous = Machine().SetErrorMode(SEM_NOOPENFILEERRORBOX);
    EXPECT_EQ(Machine().LoadModule("WavMix32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(Machine().SetErrorMode(previous), static_cast<uint32_t>(SEM_NOOPENFILEERRORBOX));
    Machine().FreeModule(nullptr);
}

TEST(Memory, FixedBlocksAreAddressedDirectly)
{
    const size_t size = 3 << 20;
    auto* block = static_cast<unsigned char*>(Machine().GlobalAlloc(size));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalHandle(block), static_cast<HGLOBAL>(block));
    EXPECT_GE(GlobalSize(block), size);
    block[0] = 1;
    block[size - 1] = 2;
    EXPECT_EQ(block[0] + block[size - 1], 3);
    Machine().GlobalFree(block);
    Machine().GlobalFree(nullptr);
}

TEST(Memory, EmptyBlockIsABlockAndAnImpossibleOneIsNull)
{
    void* empty = Machine().GlobalAlloc(0);
    EXPECT_NE(empty, nullptr);
    Machine().GlobalFree(empty);
    // Nearly 4 GB: more than a 32-bit process can hold; a 64-bit one may get it.
    void* huge = Machine().GlobalAlloc(0xFFFFFF00u);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(huge, nullptr);
    }
    Machine().GlobalFree(huge);
}
