// Control of Windows services.
#pragma once

class ServiceControl {
public:
    // True on the NT family from version 5 on (the service control manager is there).
    static bool IsNtPlatform();
};
