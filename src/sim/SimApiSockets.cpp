// The simulated backend: Windows Sockets, as far as a reverse name lookup
// needs them. Names come from the machine's table of dotted addresses.
#include <cctype>
#include <cstring>

#include "sim/SimApi.h"

namespace sim {

namespace {
// One part of an address text as inet_addr reads it: decimal, octal (leading 0)
// or hexadecimal (leading 0x); false when it holds anything else.
bool ReadAddressPart(const std::string& text, unsigned long long& value)
{
    if (text.empty())
        return false;
    int base = 10;
    std::size_t at = 0;
    if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        at = 2;
        if (text.size() == 2)
            return false;
    } else if (text[0] == '0') {
        base = 8;
    }
    value = 0;
    for (; at < text.size(); ++at) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        int digit = std::isdigit(c) ? c - '0' : std::isxdigit(c) ? std::tolower(c) - 'a' + 10 : base;
        if (digit >= base)
            return false;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull)
            return false;
    }
    return true;
}
}  // namespace

int SimApi::WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData)
{
    if (Fails(__func__))
        return static_cast<int>(m_lastError);
    // A request above what the machine has settles on the highest it has.
    WORD highest = m_machine.socketsVersion;
    auto order = [](WORD version) { return (LOBYTE(version) << 8) | HIBYTE(version); };
    *lpWSAData = WSADATA{};
    lpWSAData->wVersion = order(wVersionRequested) < order(highest) ? wVersionRequested : highest;
    lpWSAData->wHighVersion = highest;
    std::strcpy(lpWSAData->szDescription, "WinSock 2.0");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    ++m_socketsStarted;
    return 0;
}

ULONG SimApi::inet_addr(const char* cp)
{
    if (cp == nullptr)
        return INADDR_NONE;
    std::string text = cp;
    std::vector<unsigned long long> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = text.find('.', start);
        unsigned long long value = 0;
        if (parts.size() == 4 || !ReadAddressPart(text.substr(start, dot - start), value))
            return INADDR_NONE;
        parts.push_back(value);
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    // The last part fills the bytes the earlier parts leave (a, a.b, a.b.c, a.b.c.d).
    unsigned long long address = 0;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] > 0xFF)
            return INADDR_NONE;
        address |= parts[i] << (24 - 8 * i);
    }
    if (parts.back() > (0xFFFFFFFFull >> (8 * (parts.size() - 1))))
        return INADDR_NONE;
    address |= parts.back();
    // Network byte order: the most significant byte first in memory.
    BYTE bytes[4] = {static_cast<BYTE>(address >> 24), static_cast<BYTE>(address >> 16),
                     static_cast<BYTE>(address >> 8), static_cast<BYTE>(address)};
    ULONG result = 0;
    std::memcpy(&result, bytes, sizeof result);
    return result;
}

hostent* SimApi::gethostbyaddr(const char* addr, int len, int type)
{
    if (Fails(__func__))
        return nullptr;
    if (m_socketsStarted == 0) {
        m_lastError = WSANOTINITIALISED;
        return nullptr;
    }
    if (type != AF_INET || len != 4 || addr == nullptr) {
        m_lastError = WSAEAFNOSUPPORT;
        return nullptr;
    }
    const BYTE* bytes = reinterpret_cast<const BYTE*>(addr);
    std::string dotted = std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
                         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
    auto found = m_machine.hostNames.find(dotted);
    if (found == m_machine.hostNames.end()) {
        m_lastError = WSAHOST_NOT_FOUND;
        return nullptr;
    }
    m_hostName = AnsiText(found->second);
    std::memcpy(m_hostAddress.data(), addr, 4);
    m_hostAliases = {nullptr};
    m_hostAddresses = {m_hostAddress.data(), nullptr};
    m_hostEntry.h_name = &m_hostName[0];
    m_hostEntry.h_aliases = m_hostAliases.data();
    m_hostEntry.h_addrtype = AF_INET;
    m_hostEntry.h_length = 4;
    m_hostEntry.h_addr_list = m_hostAddresses.data();
    return &m_hostEntry;
}

int SimApi::WSACleanup()
{
    if (Fails(__func__))
        return -1;
    if (m_socketsStarted == 0) {
        m_lastError = WSANOTINITIALISED;
        return -1;
    }
    --m_socketsStarted;
    return 0;
}

}  // namespace sim
