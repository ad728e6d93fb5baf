// The one owner of a handle or other resource of the system: it holds one,
// closes it through the backend in force when it goes, returns the close
// call's raw result and never throws.
//
// Each kind of resource is a traits type: its handle type, the value that
// holds none, the close call and the result that stands for "nothing to
// close". Closing an owner that holds none calls nothing.
#pragma once

#include <cstdio>

#include "platform/WinApi.h"
#include "platform/WinTypes.h"

template <typename Traits>
class Owned {
public:
    using Handle = typename Traits::Handle;
    using CloseResult = typename Traits::CloseResult;

    Owned() = default;
    explicit Owned(Handle handle) : m_handle(handle) {}
    ~Owned() { Close(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle Get() const { return m_handle; }
    bool IsOpen() const { return m_handle != Traits::kNone; }

    // Closes the handle held, if any, and holds none after.
    CloseResult Close()
    {
        if (!IsOpen())
            return Traits::kNothingToClose;
        Handle closing = m_handle;
        m_handle = Traits::kNone;
        return Traits::Close(closing);
    }

    // Holds `handle` from now on, closing the one held before.
    void Attach(Handle handle)
    {
        Close();
        m_handle = handle;
    }

    // Gives the handle up without closing it.
    Handle Release()
    {
        Handle released = m_handle;
        m_handle = Traits::kNone;
        return released;
    }

    // Where a call that opens one writes its handle; the one held before is
    // closed first.
    Handle* Receive()
    {
        Close();
        return &m_handle;
    }

private:
    Handle m_handle = Traits::kNone;
};

// A kind of resource closed by one call of the platform interface: its
// handle type (a null one holds none), the call, and the result that stands
// for "nothing to close".
template <typename HandleType, typename Result, Result (WinApi::*kCloseCall)(HandleType), Result kNothing>
struct ClosedBy {
    using Handle = HandleType;
    using CloseResult = Result;
    static constexpr Handle kNone = Handle{};
    static constexpr CloseResult kNothingToClose = kNothing;
    static CloseResult Close(Handle handle) { return (Win().*kCloseCall)(handle); }
};

// Files, mappings, processes, threads, tokens.
using KernelHandle = Owned<ClosedBy<HANDLE, BOOL, &WinApi::CloseHandle, TRUE>>;
using RegistryKeyHandle = Owned<ClosedBy<HKEY, LONG, &WinApi::RegCloseKey, ERROR_SUCCESS>>;
// The service manager and its services.
using ServiceHandle = Owned<ClosedBy<SC_HANDLE, BOOL, &WinApi::CloseServiceHandle, TRUE>>;
// A C runtime stream: its close gives 0 when its writes reached the file.
using Stream = Owned<ClosedBy<FILE*, int, &WinApi::fclose, 0>>;
// A search of a folder's files (FindFirstFileA).
using FindHandle = Owned<ClosedBy<HANDLE, BOOL, &WinApi::FindClose, TRUE>>;
// A security identifier from AllocateAndInitializeSid.
using Sid = Owned<ClosedBy<PSID, LPVOID, &WinApi::FreeSid, nullptr>>;
// Memory the system allocated for the caller, such as FormatMessageA's text.
using LocalMemory = Owned<ClosedBy<HLOCAL, HLOCAL, &WinApi::LocalFree, nullptr>>;

// CreateFileA alone reports failure as INVALID_HANDLE_VALUE rather than NULL:
// its result goes through this so that every kernel handle has one "none".
inline HANDLE NullIfInvalid(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// The Windows Sockets session. Its handle is whether WSAStartup succeeded:
// every successful start needs its own WSACleanup.
struct SocketsSessionTraits {
    using Handle = bool;
    using CloseResult = int;
    static constexpr Handle kNone = false;
    static constexpr CloseResult kNothingToClose = 0;
    static CloseResult Close(Handle) { return Win().WSACleanup(); }
};
using SocketsSession = Owned<SocketsSessionTraits>;
