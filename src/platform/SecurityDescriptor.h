// Security descriptors in the self-relative layout Windows uses (the bytes
// GetKernelObjectSecurity gives and SetFileSecurityA takes): built for the
// folders and files only administrators may change, and read back to tell
// who else may change one. Plain bytes, the same on every backend.
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace security {

// A security identifier's bytes, as Windows lays them out.
using Sid = std::string;

Sid SystemSid();          // S-1-5-18, the system itself
Sid AdministratorsSid();  // S-1-5-32-544
Sid UsersSid();           // S-1-5-32-545
Sid EveryoneSid();        // S-1-1-0
// "S-1-5-32-544", for the log and the boxes.
std::string SidText(const Sid& sid);

struct Ace {
    enum Kind { kAllow, kDeny } kind = kAllow;
    BYTE flags = 0;  // inheritance: OBJECT_INHERIT 0x01, CONTAINER_INHERIT 0x02, INHERIT_ONLY 0x08
    DWORD mask = 0;
    Sid sid;
};

struct Descriptor {
    Sid owner;             // "" when the descriptor names none
    bool hasDacl = false;  // no access list at all lets everyone do everything
    bool daclProtected = false;
    std::vector<Ace> dacl;
};

const BYTE kObjectInherit = 0x01;
const BYTE kContainerInherit = 0x02;
const BYTE kInheritOnly = 0x08;
// Every right on a file or folder.
const DWORD kFileAllAccess = 0x001F01FFu;

std::string SelfRelative(const Descriptor& descriptor);
// False when the bytes are no self-relative descriptor (cut short, an offset
// or a size out of bounds, a malformed SID or ACE). ACEs of a kind other
// than allow or deny are read as allowing their rights, as the worst case.
bool Parse(const std::string& bytes, Descriptor& descriptor);

// The bytes of the self-relative descriptor at `descriptor`, as far as its
// owner and access list reach (at most `most` bytes are looked at).
std::string CopyOf(const void* descriptor, std::size_t most = 0x10000);

// Owner Administrators; full control for the system and Administrators,
// given on to what is made inside, nothing inherited from above.
Descriptor AdministratorsOnly();

}  // namespace security
