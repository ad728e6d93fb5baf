// The simulated backend: access tokens and security identifiers.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/SecurityDescriptor.h"
#include "sim/SimApi.h"

namespace sim {

namespace {
const BYTE kSidRevision = 1;

// A security identifier laid out as Windows lays it out.
std::vector<BYTE> MakeSid(const BYTE authority[6], std::initializer_list<DWORD> subAuthorities)
{
    std::vector<BYTE> sid(8 + 4 * subAuthorities.size());
    sid[0] = kSidRevision;
    sid[1] = static_cast<BYTE>(subAuthorities.size());
    std::memcpy(&sid[2], authority, 6);
    std::size_t offset = 8;
    for (DWORD sub : subAuthorities) {
        std::memcpy(&sid[offset], &sub, 4);
        offset += 4;
    }
    return sid;
}

std::size_t SidLength(PSID sid)
{
    return 8 + 4 * static_cast<std::size_t>(static_cast<const BYTE*>(sid)[1]);
}

struct TokenGroup {
    std::vector<BYTE> sid;
    DWORD attributes;
};

std::vector<TokenGroup> GroupsOf(const std::string& tokenKind)
{
    const BYTE world[6] = {0, 0, 0, 0, 0, 1};
    const BYTE nt[6] = {0, 0, 0, 0, 0, 5};
    const DWORD enabled = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
    std::vector<TokenGroup> groups;
    if (tokenKind == "no-groups")
        return groups;
    groups.push_back({MakeSid(world, {0}), enabled});
    if (tokenKind == "admin")
        groups.push_back({MakeSid(nt, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}), enabled});
    if (tokenKind == "admin-deny-only")
        groups.push_back({MakeSid(nt, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}),
                          SE_GROUP_USE_FOR_DENY_ONLY});
    groups.push_back({MakeSid(nt, {SECURITY_BUILTIN_DOMAIN_RID, 545}), enabled});
    return groups;
}
}  // namespace

HANDLE SimApi::GetCurrentThread()
{
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));
}

HANDLE SimApi::GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

BOOL SimApi::OpenThreadToken(HANDLE, DWORD DesiredAccess, BOOL, PHANDLE TokenHandle)
{
    if (Fails(__func__))
        return FALSE;
    const std::string& kind = m_machine.tokens.thread;
    if (kind == "none") {
        m_lastError = ERROR_NO_TOKEN;
        return FALSE;
    }
    if (kind == "denied") {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    HANDLE token = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[token] = OpenObject{OpenObject::kToken, kind, DesiredAccess, 0, 0};
    *TokenHandle = token;
    return TRUE;
}

BOOL SimApi::OpenProcessToken(HANDLE, DWORD DesiredAccess, PHANDLE TokenHandle)
{
    if (Fails(__func__))
        return FALSE;
    const std::string& kind = m_machine.tokens.process;
    if (kind == "none" || kind == "denied") {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    HANDLE token = reinterpret_cast<HANDLE>(m_nextHandle++);
    m_handles[token] = OpenObject{OpenObject::kToken, kind, DesiredAccess, 0, 0};
    *TokenHandle = token;
    return TRUE;
}

BOOL SimApi::GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                 LPVOID TokenInformation, DWORD TokenInformationLength, PDWORD ReturnLength)
{
    if (Fails(__func__))
        return FALSE;
    const OpenObject* token = FindOpenObject(TokenHandle, OpenObject::kToken);
    if (token == nullptr)
        return FALSE;
    if (TokenInformationClass != TokenGroups) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    std::vector<TokenGroup> groups = GroupsOf(token->name);
    std::size_t header = offsetof(TOKEN_GROUPS, Groups) + sizeof(SID_AND_ATTRIBUTES) * std::max<std::size_t>(groups.size(), 1);
    std::size_t needed = header;
    for (const TokenGroup& group : groups)
        needed += group.sid.size();
    *ReturnLength = static_cast<DWORD>(needed);
    if (TokenInformation == nullptr || TokenInformationLength < needed) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    BYTE* base = static_cast<BYTE*>(TokenInformation);
    TOKEN_GROUPS* list = static_cast<TOKEN_GROUPS*>(TokenInformation);
    list->GroupCount = static_cast<DWORD>(groups.size());
    SID_AND_ATTRIBUTES* entries = list->Groups;
    std::size_t offset = header;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        std::memcpy(base + offset, groups[i].sid.data(), groups[i].sid.size());
        entries[i].Sid = base + offset;
        entries[i].Attributes = groups[i].attributes;
        offset += groups[i].sid.size();
    }
    return TRUE;
}

BOOL SimApi::AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority, BYTE nSubAuthorityCount,
                                      DWORD s0, DWORD s1, DWORD s2, DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7,
                                      PSID* pSid)
{
    if (Fails(__func__))
        return FALSE;
    if (nSubAuthorityCount == 0 || nSubAuthorityCount > 8) {
        m_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    const DWORD all[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
    std::vector<BYTE> bytes = MakeSid(pIdentifierAuthority->Value, {});
    bytes[1] = nSubAuthorityCount;
    bytes.resize(8 + 4 * nSubAuthorityCount);
    std::memcpy(&bytes[8], all, 4 * nSubAuthorityCount);
    BYTE* sid = new BYTE[bytes.size()];
    std::memcpy(sid, bytes.data(), bytes.size());
    m_allocations.insert(sid);
    *pSid = sid;
    return TRUE;
}

BOOL SimApi::EqualSid(PSID pSid1, PSID pSid2)
{
    std::size_t length = SidLength(pSid1);
    return length == SidLength(pSid2) && std::memcmp(pSid1, pSid2, length) == 0;
}

LPVOID SimApi::FreeSid(PSID pSid)
{
    if (pSid != nullptr && m_allocations.erase(pSid) > 0)
        delete[] static_cast<BYTE*>(pSid);
    return nullptr;
}


namespace {
// What a file or folder nobody set the security of has: owned by
// Administrators, changed by the system and Administrators, read by Users.
std::string DefaultSecurity()
{
    security::Descriptor descriptor;
    descriptor.owner = security::AdministratorsSid();
    descriptor.hasDacl = true;
    const DWORD readAndRun = 0x001200A9u;
    descriptor.dacl = {{security::Ace::kAllow, 0, security::kFileAllAccess, security::SystemSid()},
                       {security::Ace::kAllow, 0, security::kFileAllAccess, security::AdministratorsSid()},
                       {security::Ace::kAllow, 0, readAndRun, security::UsersSid()}};
    return security::SelfRelative(descriptor);
}
}  // namespace

BOOL SimApi::GetKernelObjectSecurity(HANDLE Handle, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR pSecurityDescriptor,
                                     DWORD nLength, LPDWORD lpnLengthNeeded)
{
    if (Fails(__func__))
        return FALSE;
    OpenObject* open = FindOpenObject(Handle, OpenObject::kFile);
    if (open == nullptr)
        return FALSE;
    if (!(open->access & (READ_CONTROL | GENERIC_READ))) {
        m_lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    // The default is the same for every file: made once.
    static const std::string kDefaultSecurity = DefaultSecurity();
    std::string descriptor = m_machine.files.SecurityOfKey(open->name);
    if (descriptor.empty())
        descriptor = kDefaultSecurity;
    *lpnLengthNeeded = static_cast<DWORD>(descriptor.size());
    if (nLength < descriptor.size() || pSecurityDescriptor == nullptr) {
        m_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    std::copy(descriptor.begin(), descriptor.end(), static_cast<char*>(pSecurityDescriptor));
    return TRUE;
}


}  // namespace sim
