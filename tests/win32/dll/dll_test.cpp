// sproxrt.dll as a game meets it: the 23 undecorated names and nothing else, only
// system libraries imported, callable through the import library and through
// GetProcAddress.
#include <gtest/gtest.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sprox.h"

namespace {

const std::vector<std::string> kExports = {
    "SX_CaptureInput", "SX_Clear",        "SX_CreateRop",     "SX_DeleteRop",   "SX_End",
    "SX_FullScreen",   "SX_GetStructSize", "SX_Init",         "SX_Paint",       "SX_PatDraw",
    "SX_PatEntryDARFile", "SX_PatPut",     "SX_ReleaseAll",   "SX_RopPut",      "SX_RotoZoomPut",
    "SX_Size",         "SX_TransRop",     "SX_WaveActivate",  "SX_WaveFree",    "SX_WaveInit",
    "SX_WaveOpen",     "SX_WavePlayEx",   "SX_WaveSetState",
};

// The context record's size a game of this architecture allocates.
constexpr int kContextSize = sizeof(void*) == 4 ? 1168 : 1216;

// The loaded image's headers.
const IMAGE_NT_HEADERS* Headers(HMODULE module)
{
    auto* base = reinterpret_cast<const unsigned char*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
}

template <typename T>
const T* At(HMODULE module, DWORD rva)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const unsigned char*>(module) + rva);
}

std::vector<std::string> ExportedNames(HMODULE module)
{
    const IMAGE_DATA_DIRECTORY& dir =
        Headers(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    if (dir.VirtualAddress == 0) {
        return names;
    }
    auto* exports = At<IMAGE_EXPORT_DIRECTORY>(module, dir.VirtualAddress);
    auto* nameRvas = At<DWORD>(module, exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        names.push_back(At<char>(module, nameRvas[i]));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ImportedLibraries(HMODULE module)
{
    const IMAGE_DATA_DIRECTORY& dir =
        Headers(module)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> names;
    for (auto* import = At<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); import->Name != 0;
         ++import) {
        names.push_back(At<char>(module, import->Name));
    }
    return names;
}

} // namespace

TEST(Dll, ExportsExactlyTheTwentyThreeUndecoratedNames)
{
    HMODULE dll = LoadLibraryA("sproxrt.dll");
    ASSERT_NE(dll, nullptr) << GetLastError();
    EXPECT_EQ(ExportedNames(dll), kExports);
    for (const std::string& name : kExports) {
        EXPECT_NE(GetProcAddress(dll, name.c_str()), nullptr) << name;
    }
    EXPECT_EQ(GetProcAddress(dll, "SX_Init@8"), nullptr);
    EXPECT_EQ(GetProcAddress(dll, "_SX_Init@8"), nullptr);

    // A game that looks the functions up calls them with the stdcall convention
    // (the one convention of x64 there).
    using GetStructSize = int(__stdcall*)();
    auto getStructSize =
        reinterpret_cast<GetStructSize>(reinterpret_cast<void*>(GetProcAddress(dll, "SX_GetStructSize")));
    ASSERT_NE(getStructSize, nullptr);
    EXPECT_EQ(getStructSize(), kContextSize);
    FreeLibrary(dll);
}

// Every library the DLL imports lies in the system folder: the compiler's run-time
// libraries are linked in, not needed beside the game.
TEST(Dll, ImportsOnlySystemLibraries)
{
    HMODULE dll = LoadLibraryA("sproxrt.dll");
    ASSERT_NE(dll, nullptr);
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    std::vector<std::string> imports = ImportedLibraries(dll);
    EXPECT_FALSE(imports.empty());
    for (const std::string& name : imports) {
        std::string path = std::string(system) + "\\" + name;
        EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << name;
    }
    FreeLibrary(dll);
}

// This program links the import library: the decorated references of the
// header's declarations bind to the DLL's undecorated names.
TEST(Dll, ImportLibraryBindsTheHeaderDeclarations)
{
    EXPECT_EQ(SX_GetStructSize(), kContextSize);
    EXPECT_EQ(static_cast<size_t>(SX_GetStructSize()), sizeof(SproxContext));
    EXPECT_NE(GetModuleHandleA("sproxrt.dll"), nullptr);

}
