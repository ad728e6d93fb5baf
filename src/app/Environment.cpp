// The environment checks: which operating system, and whether the user is an
// administrator.
#include <vector>

#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "log/Format.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kOsQuestion[] = "- What OS are we on?";
const char kNoVersion[] = "Unknown as GetVersionEx failed, defaulting to NT";
const char kVersionFormat[] = "Major Version: %d, Minor Version: %d, Build: %d, Platform: %d, %s";
const char kVersionLine[] = "--- %s";
}  // namespace

void CRemendoApp::SetupOs()
{
    DebugLog log("SetupOs", kRemendoSourceFile);
    log.Write(kOsQuestion);
    m_bXpOrLater = false;

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!Win().GetVersionExA(&version)) {
        m_bWin9x = false;
        log.LogLastError(kNoVersion);
        return;
    }
    std::string report = Format(kVersionFormat, {version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
                                                 version.dwPlatformId, version.szCSDVersion});
    log.Writef(kVersionLine, report);

    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        m_bWin9x = true;
        m_bXpOrLater = false;
    } else {
        m_bWin9x = false;
        m_bXpOrLater = version.dwMajorVersion >= 5 && version.dwMinorVersion >= 1;
    }
    // Before Windows 2000, regedit reads only the REGEDIT4 form.
    m_undoFile.SetWindows(m_bWin9x, m_bWin9x || version.dwMajorVersion < 5);
}

bool CRemendoApp::RunningAsAdministrator()
{
    DebugLog log("RunningAsAdministrator", kRemendoSourceFile);

    KernelHandle token;
    if (!Win().OpenThreadToken(Win().GetCurrentThread(), TOKEN_QUERY, FALSE, token.Receive())) {
        if (Win().GetLastError() != ERROR_NO_TOKEN)
            return false;
        if (!Win().OpenProcessToken(Win().GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
            return false;
    }

    DWORD needed = 0;
    if (Win().GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &needed) ||
        Win().GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;

    // DWORD elements keep the group list aligned; the size is rounded up to them.
    std::vector<DWORD> buffer((needed + sizeof(DWORD) - 1) / sizeof(DWORD));
    DWORD bufferSize = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
    if (buffer.empty() || !Win().GetTokenInformation(token.Get(), TokenGroups, buffer.data(), bufferSize, &needed))
        return false;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    Sid administrators;
    if (!Win().AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                        0, 0, 0, 0, administrators.Receive()))
        return false;

    // Membership alone counts: deny-only and disabled groups match too.
    const TOKEN_GROUPS* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (Win().EqualSid(groups->Groups[i].Sid, administrators.Get()))
            return true;
    }
    return false;
}
