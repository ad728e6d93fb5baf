// End-to-end: the four programs handed out, as Windows sees them before
// they run: the version resource Explorer's Properties shows, the icon sizes,
// the manifest that asks for an administrator, and the PE header (no link
// time, no symbols, window or console, Terminal Server aware).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "RemendoE2E.h"

namespace {
const char* const kArchitecture = sizeof(void*) == 8 ? "64-bit" : "32-bit";

struct HandedOut {
    std::string E2EPrograms::*path;
    const char* fileName;
    const char* description;  // before the architecture
    bool terminalServerAware;
    bool icon;
    bool administratorsManifest;  // remendo.exe's
    WORD subsystem;
};
const HandedOut kHandedOut[] = {
    {&E2EPrograms::remendoExe, "remendo.exe", "CV Remendo Utility", true, true, true, IMAGE_SUBSYSTEM_WINDOWS_GUI},
    {&E2EPrograms::undoExe, "remendo-undo.exe", "CV Remendo Utility undo", true, true, true,
     IMAGE_SUBSYSTEM_WINDOWS_GUI},
    {&E2EPrograms::captureExe, "remendo-capture.exe", "CV Remendo Utility machine capture", true, true, true,
     IMAGE_SUBSYSTEM_WINDOWS_CUI},
    {&E2EPrograms::simExe, "remendo-sim.exe", "CV Remendo Utility simulator", false, false, false,
     IMAGE_SUBSYSTEM_WINDOWS_CUI},
};
const char kRequireAdministrator[] = "<requestedExecutionLevel level=\"requireAdministrator\"";

// A text of the version resource's US English, Windows-1252 block; "" when there is none.
std::string VersionText(const std::vector<char>& resource, const std::string& name)
{
    void* value = nullptr;
    UINT length = 0;
    std::string path = "\\StringFileInfo\\040904E4\\" + name;
    if (!::VerQueryValueA(resource.data(), path.c_str(), &value, &length) || length == 0)
        return "";
    return std::string(static_cast<const char*>(value), length - 1);
}

BOOL CALLBACK TakeFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR first)
{
    *reinterpret_cast<char**>(first) = name;
    return FALSE;
}

// The widths of the first icon group of a program (256 px is written as 0).
std::set<int> IconWidths(const std::string& path)
{
    std::set<int> widths;
    HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return widths;
    char* firstGroup = nullptr;
    ::EnumResourceNamesA(module, RT_GROUP_ICON, TakeFirstName, reinterpret_cast<LONG_PTR>(&firstGroup));
    HRSRC group = firstGroup == nullptr ? nullptr : ::FindResourceA(module, firstGroup, RT_GROUP_ICON);
    const BYTE* bytes = group == nullptr ? nullptr : static_cast<const BYTE*>(::LockResource(::LoadResource(module, group)));
    DWORD size = group == nullptr ? 0 : ::SizeofResource(module, group);
    // A 6-byte header (reserved, type, count), then a 14-byte entry per image, its width first.
    if (bytes != nullptr && size >= 6) {
        WORD count = 0;
        std::memcpy(&count, bytes + 4, sizeof count);
        for (WORD i = 0; i < count && 6 + (i + 1) * 14u <= size; ++i)
            widths.insert(bytes[6 + i * 14] == 0 ? 256 : bytes[6 + i * 14]);
    }
    ::FreeLibrary(module);
    return widths;
}

// The manifest the system reads when it starts the program; "" when there is none.
std::string Manifest(const std::string& path)
{
    std::string text;
    HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return text;
    HRSRC manifest = ::FindResourceA(module, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    const char* bytes =
        manifest == nullptr ? nullptr : static_cast<const char*>(::LockResource(::LoadResource(module, manifest)));
    if (bytes != nullptr)
        text.assign(bytes, ::SizeofResource(module, manifest));
    ::FreeLibrary(module);
    return text;
}
}  // namespace

TEST(ProgramResources, EachProgramNamesItselfItsArchitectureAndTheProjectVersion)
{
    for (const HandedOut& program : kHandedOut) {
        SCOPED_TRACE(program.fileName);
        std::string path = WindowsPath(Programs().*program.path);
        DWORD handle = 0;
        DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
        ASSERT_GT(size, 0u) << path << ": error " << ::GetLastError();
        std::vector<char> resource(size);
        ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, size, resource.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(::VerQueryValueA(resource.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        // project(VERSION 1.0): the log's banner reads "Remendo version 1.0" from here.
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
        EXPECT_EQ(fixed->dwFileVersionLS, 0u);
        EXPECT_EQ(VersionText(resource, "FileVersion"), "1.0.0.0");
        EXPECT_EQ(VersionText(resource, "ProductVersion"), "1.0.0.0");
        EXPECT_EQ(VersionText(resource, "CompanyName"), "Corvane");
        EXPECT_EQ(VersionText(resource, "ProductName"), "CV Remendo Utility");
        EXPECT_EQ(VersionText(resource, "FileDescription"),
                  std::string(program.description) + " (" + kArchitecture + ")");
        EXPECT_EQ(VersionText(resource, "OriginalFilename"), program.fileName);

        if (program.icon) {
            EXPECT_EQ(IconWidths(path), (std::set<int>{16, 32, 48, 256}));
        }
    }
}

TEST(ProgramResources, RemendoUndoAndCaptureCarryRemendosManifestWhichAsksForAnAdministrator)
{
    std::string remendos = Manifest(WindowsPath(Programs().remendoExe));
    EXPECT_NE(remendos.find(kRequireAdministrator), std::string::npos) << remendos;
    for (const HandedOut& program : kHandedOut) {
        SCOPED_TRACE(program.fileName);
        std::string manifest = Manifest(WindowsPath(Programs().*program.path));
        if (program.administratorsManifest)
            EXPECT_EQ(manifest, remendos);
        else
            EXPECT_EQ(manifest.find(kRequireAdministrator), std::string::npos) << manifest;
    }
}

TEST(ProgramResources, HeadersCarryNoLinkTimeNoSymbolsTheSubsystemAndMarkTheAdministratorsProgramsTerminalServerAware)
{
    for (const HandedOut& program : kHandedOut) {
        SCOPED_TRACE(program.fileName);
        std::string bytes;
        ASSERT_TRUE(ReadBytes(WindowsPath(Programs().*program.path), &bytes));
        IMAGE_DOS_HEADER dos = {};
        ASSERT_GE(bytes.size(), sizeof dos);
        std::memcpy(&dos, bytes.data(), sizeof dos);
        IMAGE_NT_HEADERS nt = {};
        ASSERT_GE(bytes.size(), static_cast<size_t>(dos.e_lfanew) + sizeof nt);
        std::memcpy(&nt, bytes.data() + dos.e_lfanew, sizeof nt);

        EXPECT_EQ(nt.FileHeader.TimeDateStamp, 0u);
        EXPECT_EQ(nt.OptionalHeader.Subsystem, program.subsystem);
#ifdef NDEBUG
        // Stripped in Release only.
        EXPECT_EQ(nt.FileHeader.NumberOfSymbols, 0u);
#endif
        EXPECT_EQ((nt.OptionalHeader.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE) != 0,
                  program.terminalServerAware);
    }
}
