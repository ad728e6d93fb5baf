// A service's configuration as QueryServiceConfigA gives it: one call for
// the size it needs, then the call that fills a buffer of that size.
#pragma once

#include <memory>

#include "platform/WinTypes.h"

class ServiceConfig {
public:
    enum class Result { kRead, kQueryFailed, kNoMemory };

    // Reads the configuration of an open service (SERVICE_QUERY_CONFIG);
    // on kQueryFailed the last error is the failed call's.
    Result Query(SC_HANDLE service);
    // The configuration read last; null before one was read.
    QUERY_SERVICE_CONFIGA* Get() const { return m_read ? reinterpret_cast<QUERY_SERVICE_CONFIGA*>(m_buffer.get()) : nullptr; }

private:
    // In DWORDs, so the structure at its start is aligned.
    std::unique_ptr<DWORD[]> m_buffer;
    bool m_read = false;
};
