// The undo file's form, written down once for its writer (UndoFile), its
// reader (UndoFileReader) and the simulator's replay: its name, and the
// comment lines beyond regedit's that say what regedit cannot put back.
// Each line format is "; " and one of the texts below; a reader knows a line
// by the text before the first "%s".
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace undoformat {
// Remendo-undo-N-YYYYMMDD-HHMMSS.reg (N the run's place in the order of
// runs, "-2", "-3" before the extension for a name taken); its copies are
// named after it: "<name without .reg>-<file's stem><-2...><file's extension>".
const char kNamePrefix[] = "Remendo-undo-";
const char kNameExtension[] = ".reg";
const char kCopySeparator[] = "-";

// A run's place in the order of runs, from its undo file's name: N and the
// "-2", "-3" of a name taken (1 without). False, leaving both as they are,
// for a name without N.
inline bool ReadNameOrder(const std::string& fileName, unsigned long& sequence, int& attempt)
{
    const std::size_t stampLength = std::string("YYYYMMDD-HHMMSS").size();
    std::size_t at = sizeof kNamePrefix - 1;
    std::size_t digits = 0;
    unsigned long number = 0;
    for (; at < fileName.size() && digits < 9 && std::isdigit(static_cast<unsigned char>(fileName[at])); ++at, ++digits)
        number = number * 10 + static_cast<unsigned long>(fileName[at] - '0');
    if (digits == 0 || at >= fileName.size() || fileName[at] != '-')
        return false;
    sequence = number;
    std::size_t taken = at + 1 + stampLength;
    attempt = taken < fileName.size() && fileName[taken] == '-' ? std::max(1, std::atoi(fileName.c_str() + taken + 1)) : 1;
    return true;
}
// Far above any run's undo file: a longer one is no undo file.
const std::size_t kMostFileBytes = 4 * 1024 * 1024;

const char kLineEnd[] = "\r\n";
const char kComment[] = "; ";
// The value the run wrote, after the value as it was: "; wrote "NAME"=DATA",
// long data continued on lines of their own after "; ".
const char kWroteValue[] = "wrote ";
// A file the run changed: its copy, its attributes, the fingerprints of the
// copy and of what the run put there, the run's own file it moved there, and
// a replacement the run left for the next restart.
const char kCopyLine[] = "copy /y \"%s\" \"%s\"";
const char kAttribLine[] = "attrib %s \"%s\"";
const char kKeptLine[] = "kept \"%s\" %s";
const char kWroteFileLine[] = "wrote \"%s\" %s";
const char kMovedLine[] = "moved \"%s\" \"%s\"";
const char kAtRestartLine[] = "at restart \"%s\"";
// A file the run is about to make beside one it replaces (hosts.new,
// hosts.bak.new), with the fingerprint of what it means to write there
// where that is known: a leftover of a run cut off is the run's own only
// when the record names it.
const char kMakingLine[] = "making \"%s\"";
const char kMakingWithContentLine[] = "making \"%s\" %s";
// What the run changes but could not read first: a note, nothing to put back.
const char kUnknownLine[] = "unknown: %s could not be read before the run changed it; it is left as the run leaves it";
// The last of the run's lines at the head, after its date line.
const char kHowToApply[] = "To put the values back: regedit /s \"%s\"";

// What a line of the given format starts with: "; " and the text before its first "%s".
inline std::string LineStart(const char* format)
{
    std::string text = format;
    return kComment + text.substr(0, text.find("%s"));
}
}  // namespace undoformat
