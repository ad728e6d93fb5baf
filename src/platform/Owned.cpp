#include "platform/Owned.h"

#include "platform/WinApi.h"

BOOL KernelObjectTraits::Close(Handle handle)
{
    return Win().CloseHandle(handle);
}

LONG RegistryKeyTraits::Close(Handle key)
{
    return Win().RegCloseKey(key);
}

BOOL ServiceObjectTraits::Close(Handle handle)
{
    return Win().CloseServiceHandle(handle);
}

int StreamTraits::Close(Handle stream)
{
    return Win().fclose(stream);
}

LPVOID SidTraits::Close(Handle sid)
{
    return Win().FreeSid(sid);
}

HLOCAL LocalMemoryTraits::Close(Handle memory)
{
    return Win().LocalFree(memory);
}

int SocketsSessionTraits::Close(Handle)
{
    return Win().WSACleanup();
}
