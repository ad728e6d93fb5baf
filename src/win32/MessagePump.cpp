#include "win32/MessagePump.h"

namespace {
bool IsUnexpectedInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK) || message == WM_COMMAND ||
           message == WM_SYSCOMMAND || message == WM_CLOSE;
}

void DispatchQueuedMessages()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Not ours to take: kept for whichever loop comes next.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!IsUnexpectedInput(message.message))
            ::DispatchMessageA(&message);
    }
}
}  // namespace

DWORD WaitDispatchingMessages(HANDLE handle, DWORD milliseconds)
{
    // Dispatching must not change what the caller finds as the last error.
    DWORD lastError = ::GetLastError();
    DWORD handleCount = handle != nullptr ? 1 : 0;
    DWORD start = ::GetTickCount();
    for (;;) {
        DispatchQueuedMessages();
        DWORD elapsed = ::GetTickCount() - start;
        DWORD remaining = milliseconds == INFINITE ? INFINITE : (elapsed >= milliseconds ? 0 : milliseconds - elapsed);
        DWORD result = ::MsgWaitForMultipleObjects(handleCount, handleCount != 0 ? &handle : nullptr, FALSE,
                                                   remaining, QS_ALLINPUT);
        if (result == WAIT_FAILED)
            return result;
        if (result != WAIT_OBJECT_0 + handleCount) {
            ::SetLastError(lastError);
            return result;
        }
        if (remaining == 0) {
            // Messages keep coming but the time is up: the handle's state decides.
            result = handleCount != 0 ? ::WaitForSingleObject(handle, 0) : WAIT_TIMEOUT;
            if (result != WAIT_FAILED)
                ::SetLastError(lastError);
            return result;
        }
    }
}
