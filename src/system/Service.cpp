#include "system/Service.h"

#include "platform/WinApi.h"

namespace {
const DWORD kVersionInfoSize = 148;
}

bool ServiceControl::IsNtPlatform()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = kVersionInfoSize;
    // A failed query leaves the record zeroed, which counts as not NT.
    Win().GetVersionExA(&version);
    return version.dwMajorVersion >= 5 && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
