#include "log/FileFingerprint.h"

#include <cstring>
#include <vector>

#include "platform/Owned.h"
#include "platform/WinApi.h"

namespace {
const unsigned long long kOffsetBasis = 14695981039346656037ull;
const unsigned long long kPrime = 1099511628211ull;
const std::size_t kBlockSize = 64 * 1024;
const char kDigestName[] = " bytes fnv1a64 ";
const char kHexDigits[] = "0123456789abcdef";
const int kDigestDigits = 16;
}  // namespace

// Written and read digit by digit: the runtimes of the oldest Windows know no
// "%llu".
std::string FileFingerprint::Text() const
{
    std::string text = std::to_string(size) + kDigestName;
    for (int shift = 4 * (kDigestDigits - 1); shift >= 0; shift -= 4)
        text += kHexDigits[(digest >> shift) & 0xF];
    return text;
}

bool FileFingerprint::FromText(const std::string& text, FileFingerprint& fingerprint)
{
    std::size_t name = text.find(kDigestName);
    if (name == 0 || name == std::string::npos || text.size() != name + sizeof kDigestName - 1 + kDigestDigits ||
        text.find_first_not_of("0123456789") < name)
        return false;
    FileFingerprint read;
    for (std::size_t i = 0; i < name; ++i) {
        unsigned long long digit = static_cast<unsigned long long>(text[i] - '0');
        if (read.size > (~0ull - digit) / 10)
            return false;
        read.size = read.size * 10 + digit;
    }
    for (std::size_t i = name + sizeof kDigestName - 1; i < text.size(); ++i) {
        const char* digit = std::strchr(kHexDigits, text[i]);
        if (digit == nullptr || text[i] == '\0')
            return false;
        read.digest = (read.digest << 4) | static_cast<unsigned long long>(digit - kHexDigits);
    }
    // One text for one fingerprint: no leading zeros in the size.
    if (read.Text() != text)
        return false;
    fingerprint = read;
    return true;
}

bool FingerprintOf(const std::string& path, FileFingerprint& fingerprint)
{
    Stream file(Win().fopen(path.c_str(), "rb"));
    if (!file.IsOpen())
        return false;
    FileFingerprint read;
    read.digest = kOffsetBasis;
    std::vector<unsigned char> block(kBlockSize);
    for (;;) {
        std::size_t count = Win().fread(block.data(), 1, block.size(), file.Get());
        for (std::size_t i = 0; i < count; ++i)
            read.digest = (read.digest ^ block[i]) * kPrime;
        read.size += count;
        if (count < block.size())
            break;
    }
    if (Win().ferror(file.Get()))
        return false;
    fingerprint = read;
    return true;
}

FileFingerprint FingerprintOfBytes(const std::string& bytes)
{
    FileFingerprint read;
    read.digest = kOffsetBasis;
    for (char c : bytes)
        read.digest = (read.digest ^ static_cast<unsigned char>(c)) * kPrime;
    read.size = bytes.size();
    return read;
}
