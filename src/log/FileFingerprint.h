// What a file holds, in a few bytes: its size and a 64-bit FNV-1a digest of
// its bytes. The undo file records the fingerprint of each file the run
// replaced and of what it put in its place, so the undo can tell a file that
// changed since the run.
#pragma once

#include <string>

struct FileFingerprint {
    unsigned long long size = 0;
    unsigned long long digest = 0;

    bool operator==(const FileFingerprint& other) const { return size == other.size && digest == other.digest; }
    bool operator!=(const FileFingerprint& other) const { return !(*this == other); }

    // "<size> bytes fnv1a64 <16 hex digits>", as the undo file writes it.
    std::string Text() const;
    // The fingerprint that Text() wrote; false for any other text.
    static bool FromText(const std::string& text, FileFingerprint& fingerprint);
};

// The file's fingerprint, read through the C runtime's stream calls; false,
// with the last error set, when it cannot be read whole.
bool FingerprintOf(const std::string& path, FileFingerprint& fingerprint);
// The fingerprint of bytes already read.
FileFingerprint FingerprintOfBytes(const std::string& bytes);
