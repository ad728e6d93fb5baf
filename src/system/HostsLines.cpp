#include "system/HostsLines.h"

#include <algorithm>
#include <cctype>

namespace hostsfile {

namespace {
const std::size_t kMaxHostNameLength = 255;
const char kLocalhost[] = "localhost";
const char kIpv6Loopback[] = "::1";

bool IsSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// An address or host name counts only as a whole field of a line.
bool IsFieldBoundary(char c)
{
    return IsSpace(c) || c == '#';
}

bool SameLetters(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Whether the text at `at`, `size` bytes long, is a whole field of the line.
bool IsWholeField(const std::string& line, std::size_t at, std::size_t size)
{
    std::size_t end = at + size;
    return (at == 0 || IsFieldBoundary(line[at - 1])) && (end == line.size() || IsFieldBoundary(line[end]));
}

bool MentionsField(const std::string& line, const std::string& field)
{
    if (field.empty())
        return false;
    for (std::size_t at = line.find(field); at != std::string::npos; at = line.find(field, at + 1)) {
        if (IsWholeField(line, at, field.size()))
            return true;
    }
    return false;
}

bool MentionsFieldIgnoringCase(const std::string& line, const std::string& field)
{
    for (std::size_t at = 0; at + field.size() <= line.size(); ++at) {
        if (std::equal(field.begin(), field.end(), line.begin() + at, SameLetters) &&
            IsWholeField(line, at, field.size()))
            return true;
    }
    return false;
}

std::size_t SkipSpace(const std::string& line, std::size_t at)
{
    while (at < line.size() && IsSpace(line[at]))
        ++at;
    return at;
}

std::size_t SkipToken(const std::string& line, std::size_t at)
{
    while (at < line.size() && !IsSpace(line[at]))
        ++at;
    return at;
}

// The line's first token without its number signs: "#10.0.0.1" gives "10.0.0.1".
std::string FirstTokenWithoutNumberSigns(const std::string& line)
{
    std::size_t start = SkipSpace(line, 0);
    std::size_t end = SkipToken(line, start);
    std::string token;
    for (std::size_t at = start; at < end; ++at) {
        if (line[at] != '#')
            token += line[at];
    }
    return token;
}

// What follows the line's first token and the white space after it.
std::string TextAfterFirstToken(const std::string& line)
{
    return line.substr(SkipSpace(line, SkipToken(line, SkipSpace(line, 0))));
}

// The entry pairing the address with the host name, without a line end; an
// unknown one is taken from the line itself.
std::string ReplacementLine(const std::string& line, const std::string& ipAddress, const std::string& hostName)
{
    return (ipAddress.empty() ? FirstTokenWithoutNumberSigns(line) : ipAddress) + "\t" +
           (hostName.empty() ? TextAfterFirstToken(line) : hostName);
}

// The part of a line whose fields name its entry. On an active entry that is
// what comes before its "#": a name in a trailing comment is no name of the
// entry. A line that is wholly a comment is taken whole, so that a commented-
// out entry for the device can be made active again.
// The line itself, or its part before the "#" kept in `cut`.
const std::string& MatchedPart(const std::string& line, std::string& cut)
{
    std::size_t first = SkipSpace(line, 0);
    std::size_t numberSign = line.find('#', first);
    if (numberSign == std::string::npos || numberSign == first)
        return line;
    cut.assign(line, 0, numberSign);
    return cut;
}

// Four dot-separated decimal numbers of at most three digits, each up to 255.
bool IsDottedIpv4Address(const std::string& text)
{
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        std::size_t end = text.find('.', start);
        if ((end == std::string::npos) != (part == 3))
            return false;
        std::string number = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (number.empty() || number.size() > 3 ||
            number.find_first_not_of("0123456789") != std::string::npos || std::stoi(number) > 255)
            return false;
        start = end + 1;
    }
    return true;
}

// The first of the four numbers of a dotted address.
int FirstNumber(const std::string& address)
{
    return std::stoi(address.substr(0, address.find('.')));
}

bool IsLoopbackAddress(const std::string& text)
{
    return text == kIpv6Loopback || (IsDottedIpv4Address(text) && FirstNumber(text) == 127);
}

// The entries of this machine itself: whatever the device is called, they stay.
bool IsOwnMachineEntry(const std::string& matchedPart)
{
    return IsLoopbackAddress(FirstTokenWithoutNumberSigns(matchedPart)) ||
           MentionsFieldIgnoringCase(matchedPart, kLocalhost);
}

// The line trimmed of white space, cut at its first blank.
void SplitAtFirstBlank(const std::string& line, std::string& head, std::string& tail)
{
    std::size_t first = SkipSpace(line, 0);
    std::size_t last = line.size();
    while (last > first && IsSpace(line[last - 1]))
        --last;
    std::string trimmed = line.substr(first, last - first);
    std::size_t blank = trimmed.find(' ');
    head = blank == std::string::npos ? std::string() : trimmed.substr(0, blank);
    tail = blank == std::string::npos ? trimmed : trimmed.substr(SkipSpace(trimmed, blank));
}
}  // namespace

bool IsUnicastAddress(const std::string& text)
{
    return IsDottedIpv4Address(text) && text != "0.0.0.0" && text != "255.255.255.255" && !IsLoopbackAddress(text);
}

bool IsHostName(const std::string& text)
{
    return text.size() <= kMaxHostNameLength &&
           text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.") ==
               std::string::npos &&
           !(text.size() == sizeof kLocalhost - 1 && std::equal(text.begin(), text.end(), kLocalhost, SameLetters));
}

bool IsSameEntry(const std::string& existingLine, const std::string& newLine)
{
    std::string existingHead, existingTail, newHead, newTail;
    SplitAtFirstBlank(existingLine, existingHead, existingTail);
    SplitAtFirstBlank(newLine, newHead, newTail);
    return existingHead == newHead && existingTail == newTail;
}

LineChange ChangeToLine(const std::string& line, const std::string& ipAddress, const std::string& hostName,
                        const SameEntryCheck& isSameEntry, std::string& replacement)
{
    std::string cut;
    const std::string& matched = MatchedPart(line, cut);
    if (MentionsField(matched, ipAddress) == MentionsField(matched, hostName))
        return LineChange::kNone;
    replacement = ReplacementLine(line, ipAddress, hostName);
    // With the address unknown the line's own first token becomes the
    // entry's address: a line that starts with none (a comment, a name)
    // would turn into an entry without an address, so it is left alone.
    bool keepsAnAddress = !ipAddress.empty() || IsDottedIpv4Address(FirstTokenWithoutNumberSigns(line));
    if (!keepsAnAddress || IsOwnMachineEntry(matched) || isSameEntry(line, replacement))
        return LineChange::kLeftAlone;
    return LineChange::kRewritten;
}

}  // namespace hostsfile
