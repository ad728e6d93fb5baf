#include "platform/ServiceConfig.h"

#include <new>

#include "platform/WinApi.h"

ServiceConfig::Result ServiceConfig::Query(SC_HANDLE service)
{
    m_read = false;
    m_buffer.reset();
    DWORD bytesNeeded = 0;
    Win().QueryServiceConfigA(service, nullptr, 0, &bytesNeeded);
    if (bytesNeeded == 0)
        return Result::kQueryFailed;
    std::size_t words = (bytesNeeded + sizeof(DWORD) - 1) / sizeof(DWORD);
    m_buffer.reset(new (std::nothrow) DWORD[words]);
    if (m_buffer == nullptr)
        return Result::kNoMemory;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(m_buffer.get());
    if (!Win().QueryServiceConfigA(service, config, static_cast<DWORD>(words * sizeof(DWORD)), &bytesNeeded))
        return Result::kQueryFailed;
    m_read = true;
    return Result::kRead;
}
