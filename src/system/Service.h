// Control of Windows services: one object per service name, made on the
// caller's stack for one or two operations.
//
// Each operation opens the service control manager and the service, does one
// thing, closes both again and logs its own failures (unit "Service").
#pragma once

#include <string>

#include "platform/ServiceConfig.h"
#include "platform/WinTypes.h"

class ServiceControl {
public:
    explicit ServiceControl(const std::string& serviceName);
    virtual ~ServiceControl();

    ServiceControl(const ServiceControl&) = delete;
    ServiceControl& operator=(const ServiceControl&) = delete;

    // True on the NT family from version 5 on (the service control manager is there).
    static bool IsNtPlatform();

    // 0 only when the manager says the service does not exist; 1 otherwise,
    // failures included.
    int Exist();
    // The object's own status record, refreshed; nullptr on any failure.
    // A later QueryStatus overwrites what the pointer shows.
    SERVICE_STATUS* QueryStatus();
    // The object's configuration record, valid until the next QueryServiceConfig
    // or the object's end; nullptr on any failure.
    QUERY_SERVICE_CONFIGA* QueryServiceConfig();
    // 1 when the service was started and shows as running within the wait; else 0.
    // A service that already runs cannot be started: 0.
    int Start();
    // 1 when the service is stopped at the end (also when it already was); else 0.
    int Stop();

private:
    std::string m_strServiceName;
    ServiceConfig m_config;  // a QUERY_SERVICE_CONFIGA and its texts
    SERVICE_STATUS m_status = {};
};
