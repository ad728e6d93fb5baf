// The one owner of a handle or other resource of the system: it holds one,
// closes it through the backend in force when it goes, returns the close
// call's raw result and never throws.
//
// Each kind of resource is a traits type: its handle type, the value that
// holds none, the close call and the result that stands for "nothing to
// close". Closing an owner that holds none calls nothing.
#pragma once

#include <cstdio>

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

// CloseHandle: files, mappings, processes, threads, tokens.
struct KernelObjectTraits {
    using Handle = HANDLE;
    using CloseResult = BOOL;
    static constexpr Handle kNone = nullptr;
    static constexpr CloseResult kNothingToClose = TRUE;
    static CloseResult Close(Handle handle);
};
using KernelHandle = Owned<KernelObjectTraits>;

// CreateFileA alone reports failure as INVALID_HANDLE_VALUE rather than NULL:
// its result goes through this so that every kernel handle has one "none".
inline HANDLE NullIfInvalid(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// RegCloseKey.
struct RegistryKeyTraits {
    using Handle = HKEY;
    using CloseResult = LONG;
    static constexpr Handle kNone = nullptr;
    static constexpr CloseResult kNothingToClose = ERROR_SUCCESS;
    static CloseResult Close(Handle key);
};

// CloseServiceHandle: the service manager and its services.
struct ServiceObjectTraits {
    using Handle = SC_HANDLE;
    using CloseResult = BOOL;
    static constexpr Handle kNone = nullptr;
    static constexpr CloseResult kNothingToClose = TRUE;
    static CloseResult Close(Handle handle);
};
using ServiceHandle = Owned<ServiceObjectTraits>;

// fclose: a C runtime stream (0 when its writes reached the file).
struct StreamTraits {
    using Handle = FILE*;
    using CloseResult = int;
    static constexpr Handle kNone = nullptr;
    static constexpr CloseResult kNothingToClose = 0;
    static CloseResult Close(Handle stream);
};
using Stream = Owned<StreamTraits>;

// FreeSid: a security identifier from AllocateAndInitializeSid (NULL when freed).
struct SidTraits {
    using Handle = PSID;
    using CloseResult = LPVOID;
    static constexpr Handle kNone = nullptr;
    static constexpr CloseResult kNothingToClose = nullptr;
    static CloseResult Close(Handle sid);
};
using Sid = Owned<SidTraits>;

// LocalFree: memory the system allocated for the caller, such as
// FormatMessageA's text (NULL when freed).
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    using CloseResult = HLOCAL;
    static constexpr Handle kNone = nullptr;
    static constexpr CloseResult kNothingToClose = nullptr;
    static CloseResult Close(Handle memory);
};
using LocalMemory = Owned<LocalMemoryTraits>;

// WSACleanup: the Windows Sockets session. Its handle is whether WSAStartup
// succeeded; every successful start needs its own cleanup.
struct SocketsSessionTraits {
    using Handle = bool;
    using CloseResult = int;
    static constexpr Handle kNone = false;
    static constexpr CloseResult kNothingToClose = 0;
    static CloseResult Close(Handle started);
};
using SocketsSession = Owned<SocketsSessionTraits>;
