// The simulated backend: the last error, system messages and debugger output.
#include <cstring>

#include "sim/SimApi.h"
#include "sim/SystemMessages.h"

namespace sim {

DWORD SimApi::GetLastError()
{
    return m_lastError;
}

void SimApi::SetLastError(DWORD dwErrCode)
{
    m_lastError = dwErrCode;
}

DWORD SimApi::FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer, DWORD nSize,
                             va_list*)
{
    const char* text = SystemMessageText(dwMessageId);
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || text == nullptr || Fails(__func__)) {
        if (text == nullptr || !(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM))
            m_lastError = ERROR_MR_MID_NOT_FOUND;
        return 0;
    }
    std::size_t length = std::strlen(text);
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        char* allocated = reinterpret_cast<char*>(new BYTE[length + 1]);
        std::memcpy(allocated, text, length + 1);
        m_allocations.insert(allocated);
        *reinterpret_cast<LPSTR*>(lpBuffer) = allocated;
        return static_cast<DWORD>(length);
    }
    if (nSize <= length) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    return static_cast<DWORD>(CopyText(text, lpBuffer, nSize));
}

HLOCAL SimApi::LocalFree(HLOCAL hMem)
{
    if (hMem != nullptr && m_allocations.erase(hMem) > 0)
        delete[] reinterpret_cast<BYTE*>(hMem);
    return nullptr;
}

void SimApi::OutputDebugStringA(LPCSTR lpOutputString)
{
    m_transcript.push_back({TranscriptEntry::kDebugOutput, lpOutputString ? lpOutputString : "", {}, {}});
}

}  // namespace sim
