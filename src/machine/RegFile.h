// Reading and writing registry exports ("Windows Registry Editor Version 5.00"
// files, the format regedit writes and support staff get from customers).
#pragma once

#include <cstddef>
#include <string>

#include "machine/Registry.h"
#include "machine/TextEncodings.h"

namespace machine {

// The deepest a key lies below its root that Windows allows, and an export holds.
const std::size_t kMaxKeyDepth = 512;

struct ParseError {
    int line = 0;  // 1-based; 0 when the problem is not tied to a line
    std::string message;
};

// Adds the export's keys and values to the registry, its texts read as
// `texts` says. Returns false and fills the error on the first malformed
// line; the registry may then be partly filled.
bool ReadRegFile(const std::string& bytes, Registry& registry, ParseError& error, const FolderTexts& texts = {});

// An export of every key of the registry, readable by ReadRegFile and by regedit.
std::string WriteRegFile(const Registry& registry);

}  // namespace machine
