// The host name of a networked all-in-one, by reverse lookup of its IP address.
#include "app/Remendo.h"
#include "app/RunConstants.h"
#include "discovery/DiscoveryConstants.h"
#include "log/DebugLog.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"

bool CRemendoApp::ResolveHostFromIP(const std::string& ip, std::string& host)
{
    DebugLog log("ResolveHostFromIP", run::kSourceFile);
    log.Write("- Can we get the host name from the ip?");
    // Text that is no address gives INADDR_NONE, which is looked up like any other.
    ULONG address = Win().inet_addr(ip.c_str());

    WSADATA sockets = {};
    WORD version = MAKEWORD(discovery::kSocketsMajor, discovery::kSocketsMinor);
    SocketsSession session(Win().WSAStartup(version, &sockets) == 0);
    if (!session.IsOpen()) {
        log.Error("Failed to initialize sockets");
        return false;
    }
    bool versionAvailable =
        LOBYTE(sockets.wVersion) == discovery::kSocketsMajor && HIBYTE(sockets.wVersion) == discovery::kSocketsMinor;
    if (!versionAvailable) {
        log.Error("Correct version of sockets is not available");
    } else {
        const hostent* entry = Win().gethostbyaddr(reinterpret_cast<const char*>(&address), sizeof address, AF_INET);
        if (entry == nullptr || entry->h_name == nullptr || entry->h_name[0] == '\0') {
            log.Error("Can't determine host name");
        } else {
            host = entry->h_name;
            log.Writef("--- Yes, found host name via IP as %s", host);
        }
    }
    if (session.Close() != 0)
        log.Error("Failed to clean up sockets");
    return versionAvailable;
}
