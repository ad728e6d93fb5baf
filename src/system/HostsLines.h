// The lines of the hosts file, one at a time: which the update rewrites and
// to what, and which address and host name may go into the file at all. Text
// only; the file pass itself is in HostsFile.cpp.
#pragma once

#include <functional>
#include <string>

namespace hostsfile {

// Four dotted decimal numbers that name one device: not the "any" or the
// broadcast address, nor this machine's own loopback.
bool IsUnicastAddress(const std::string& text);

// Letters, digits, hyphens, underscores (NetBIOS-style names) and dots, 255 at
// most: nothing that could split or comment out a hosts entry. Not
// "localhost", in any case: that is this machine.
bool IsHostName(const std::string& text);

// Lines are the same entry when, trimmed of white space, they agree before
// their first blank (code 32; a tab does not split) and after it once the
// white space there is skipped. A line without a blank is all tail. A tab-
// separated replacement therefore differs from the same fields separated by
// blanks, which are rewritten in the tab form.
bool IsSameEntry(const std::string& existingLine, const std::string& newLine);

// What the update does with one line.
enum class LineChange {
    kNone,       // it names neither the address nor the host name, or both
    kLeftAlone,  // it names exactly one, but stays: the log says so
    kRewritten,  // the replacement takes its place
};

// The same-entry comparison the update asks, as IsSameEntry answers it.
using SameEntryCheck = std::function<bool(const std::string& existingLine, const std::string& newLine)>;

// The change to a line (its text, without the line end) of an update that
// pairs `ipAddress` with `hostName`, either of which may be unknown (empty).
// A line naming exactly one of the two gets `replacement`, the entry pairing
// them; it is rewritten unless it is this machine's own entry, would be left
// without an address, or is already the same entry by `isSameEntry`, which is
// asked only then.
LineChange ChangeToLine(const std::string& line, const std::string& ipAddress, const std::string& hostName,
                        const SameEntryCheck& isSameEntry, std::string& replacement);

}  // namespace hostsfile
