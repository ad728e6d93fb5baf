// The host name of a networked all-in-one, by reverse lookup of its IP address.
#include "app/Remendo.h"
#include "discovery/DiscoveryConstants.h"
#include "log/DebugLog.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"

namespace {
// Log texts, word for word and spelling included: support staff search logs for them.
const char kHostNameQuestion[] = "- Can we get the host name from the ip?";
const char kNoSockets[] = "Failed to initialize sockets";
const char kWrongSocketsVersion[] = "Correct version of sockets is not available";
const char kNoHostName[] = "Can't determine host name";
const char kHostNameFound[] = "--- Yes, found host name via IP as %s";
const char kSocketsNotCleanedUp[] = "Failed to clean up sockets";
}  // namespace

bool CRemendoApp::ResolveHostFromIP(const std::string& ip, std::string& host)
{
    DebugLog log("ResolveHostFromIP", kRemendoSourceFile);
    log.Write(kHostNameQuestion);
    // Text that is no address gives INADDR_NONE, which is looked up like any other.
    ULONG address = Win().inet_addr(ip.c_str());

    WSADATA sockets = {};
    WORD version = MAKEWORD(discovery::kSocketsMajor, discovery::kSocketsMinor);
    SocketsSession session(Win().WSAStartup(version, &sockets) == 0);
    if (!session.IsOpen()) {
        log.Error(kNoSockets);
        return false;
    }
    bool versionAvailable =
        LOBYTE(sockets.wVersion) == discovery::kSocketsMajor && HIBYTE(sockets.wVersion) == discovery::kSocketsMinor;
    if (!versionAvailable) {
        log.Error(kWrongSocketsVersion);
    } else {
        const hostent* entry = Win().gethostbyaddr(reinterpret_cast<const char*>(&address), sizeof address, AF_INET);
        if (entry == nullptr || entry->h_name == nullptr || entry->h_name[0] == '\0') {
            log.Error(kNoHostName);
        } else {
            host = entry->h_name;
            log.Writef(kHostNameFound, host);
        }
    }
    if (session.Close() != 0)
        log.Error(kSocketsNotCleanedUp);
    return versionAvailable;
}
