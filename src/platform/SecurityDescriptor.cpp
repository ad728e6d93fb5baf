#include "platform/SecurityDescriptor.h"

#include <algorithm>
#include <cstring>

namespace security {

namespace {
const BYTE kRevision = 1;
const BYTE kAclRevision = 2;
const WORD kSelfRelative = 0x8000;
const WORD kDaclPresent = 0x0004;
const WORD kDaclProtected = 0x1000;
const std::size_t kHeaderSize = 20;
const std::size_t kAclHeaderSize = 8;
const std::size_t kAceHeaderSize = 8;  // type, flags, size, mask
const std::size_t kMostSubAuthorities = 15;
// The kinds of ACE that deny: plain, object, callback, callback object.
const BYTE kDenyTypes[] = {0x01, 0x06, 0x0A, 0x0C};

Sid MakeSid(BYTE authority, std::initializer_list<DWORD> subAuthorities)
{
    Sid sid(8, '\0');
    sid[0] = static_cast<char>(1);
    sid[1] = static_cast<char>(subAuthorities.size());
    sid[7] = static_cast<char>(authority);
    for (DWORD sub : subAuthorities)
        sid.append(reinterpret_cast<const char*>(&sub), 4);
    return sid;
}

void PutWord(std::string& bytes, std::size_t at, WORD value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void PutDword(std::string& bytes, std::size_t at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

WORD WordAt(const std::string& bytes, std::size_t at)
{
    return static_cast<WORD>(static_cast<BYTE>(bytes[at]) | (static_cast<BYTE>(bytes[at + 1]) << 8));
}

DWORD DwordAt(const std::string& bytes, std::size_t at)
{
    DWORD value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<BYTE>(bytes[at + i]);
    return value;
}

// The SID at `at`, bounded by `end`; false when it does not fit or is malformed.
bool SidAt(const std::string& bytes, std::size_t at, std::size_t end, Sid& sid)
{
    if (at + 8 > end || at + 8 > bytes.size() || static_cast<BYTE>(bytes[at]) != 1)
        return false;
    std::size_t count = static_cast<BYTE>(bytes[at + 1]);
    std::size_t size = 8 + 4 * count;
    if (count > kMostSubAuthorities || at + size > end || at + size > bytes.size())
        return false;
    sid = bytes.substr(at, size);
    return true;
}
}  // namespace

Sid SystemSid() { return MakeSid(5, {18}); }
Sid AdministratorsSid() { return MakeSid(5, {32, 544}); }
Sid UsersSid() { return MakeSid(5, {32, 545}); }
Sid EveryoneSid() { return MakeSid(1, {0}); }

std::string SidText(const Sid& sid)
{
    if (sid.size() < 8)
        return "S-?";
    unsigned long long authority = 0;
    for (int i = 2; i < 8; ++i)
        authority = (authority << 8) | static_cast<BYTE>(sid[i]);
    std::string text = "S-" + std::to_string(static_cast<BYTE>(sid[0])) + "-" + std::to_string(authority);
    for (std::size_t at = 8; at + 4 <= sid.size(); at += 4)
        text += "-" + std::to_string(DwordAt(sid, at));
    return text;
}

std::string SelfRelative(const Descriptor& descriptor)
{
    std::string bytes(kHeaderSize, '\0');
    bytes[0] = static_cast<char>(kRevision);
    WORD control = kSelfRelative;
    if (descriptor.hasDacl)
        control |= kDaclPresent;
    if (descriptor.daclProtected)
        control |= kDaclProtected;
    PutWord(bytes, 2, control);
    if (!descriptor.owner.empty()) {
        PutDword(bytes, 4, static_cast<DWORD>(bytes.size()));
        bytes += descriptor.owner;
    }
    if (descriptor.hasDacl) {
        std::size_t aclAt = bytes.size();
        std::string acl(kAclHeaderSize, '\0');
        acl[0] = static_cast<char>(kAclRevision);
        for (const Ace& ace : descriptor.dacl) {
            std::string entry(kAceHeaderSize, '\0');
            entry[0] = static_cast<char>(ace.kind == Ace::kAllow ? 0x00 : 0x01);
            entry[1] = static_cast<char>(ace.flags);
            PutWord(entry, 2, static_cast<WORD>(kAceHeaderSize + ace.sid.size()));
            PutDword(entry, 4, ace.mask);
            acl += entry + ace.sid;
        }
        PutWord(acl, 2, static_cast<WORD>(acl.size()));
        PutWord(acl, 4, static_cast<WORD>(descriptor.dacl.size()));
        PutDword(bytes, 16, static_cast<DWORD>(aclAt));
        bytes += acl;
    }
    return bytes;
}

bool Parse(const std::string& bytes, Descriptor& descriptor)
{
    descriptor = Descriptor();
    if (bytes.size() < kHeaderSize || static_cast<BYTE>(bytes[0]) != kRevision)
        return false;
    WORD control = WordAt(bytes, 2);
    if (!(control & kSelfRelative))
        return false;
    DWORD ownerAt = DwordAt(bytes, 4), daclAt = DwordAt(bytes, 16);
    if (ownerAt != 0 && !SidAt(bytes, ownerAt, bytes.size(), descriptor.owner))
        return false;
    descriptor.daclProtected = (control & kDaclProtected) != 0;
    // A DACL flagged present at offset 0 is a null DACL: everyone may do everything.
    descriptor.hasDacl = (control & kDaclPresent) != 0 && daclAt != 0;
    if (!descriptor.hasDacl)
        return true;
    if (daclAt + kAclHeaderSize > bytes.size())
        return false;
    std::size_t aclEnd = daclAt + WordAt(bytes, daclAt + 2);
    std::size_t count = WordAt(bytes, daclAt + 4);
    if (aclEnd > bytes.size() || aclEnd < daclAt + kAclHeaderSize)
        return false;
    std::size_t at = daclAt + kAclHeaderSize;
    for (std::size_t i = 0; i < count; ++i) {
        if (at + kAceHeaderSize > aclEnd)
            return false;
        std::size_t size = WordAt(bytes, at + 2);
        if (size < kAceHeaderSize || at + size > aclEnd)
            return false;
        Ace ace;
        BYTE type = static_cast<BYTE>(bytes[at]);
        ace.kind = std::memchr(kDenyTypes, type, sizeof kDenyTypes) != nullptr ? Ace::kDeny : Ace::kAllow;
        ace.flags = static_cast<BYTE>(bytes[at + 1]);
        ace.mask = DwordAt(bytes, at + 4);
        // Object ACEs hold GUIDs before their SID; the plain ones hold the SID at once.
        bool plain = type <= 0x03 || type == 0x09 || type == 0x0A;
        if (plain && !SidAt(bytes, at + kAceHeaderSize, at + size, ace.sid))
            return false;
        descriptor.dacl.push_back(ace);
        at += size;
    }
    return true;
}

std::string CopyOf(const void* descriptor, std::size_t most)
{
    const char* at = static_cast<const char*>(descriptor);
    std::string header(at, kHeaderSize);
    std::size_t end = kHeaderSize;
    DWORD ownerAt = DwordAt(header, 4), daclAt = DwordAt(header, 16);
    if (ownerAt != 0 && ownerAt + 8 <= most) {
        std::size_t count = static_cast<BYTE>(at[ownerAt + 1]);
        end = std::max(end, std::min<std::size_t>(most, ownerAt + 8 + 4 * count));
    }
    if (daclAt != 0 && daclAt + kAclHeaderSize <= most) {
        std::string aclHeader(at + daclAt, kAclHeaderSize);
        end = std::max(end, std::min<std::size_t>(most, daclAt + static_cast<std::size_t>(WordAt(aclHeader, 2))));
    }
    return std::string(at, end);
}

Descriptor AdministratorsOnly()
{
    Descriptor descriptor;
    descriptor.owner = AdministratorsSid();
    descriptor.hasDacl = true;
    descriptor.daclProtected = true;
    const BYTE inherited = kObjectInherit | kContainerInherit;
    descriptor.dacl = {{Ace::kAllow, inherited, kFileAllAccess, SystemSid()},
                       {Ace::kAllow, inherited, kFileAllAccess, AdministratorsSid()}};
    return descriptor;
}

}  // namespace security
