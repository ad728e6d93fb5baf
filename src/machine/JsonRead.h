// Reads JSON text into a JsonTree: plain UTF-8 text with a fast reader, and
// whatever that reader does not take (no valid JSON, a byte order mark, a
// number that may be too large for any type, a lone surrogate...) with the
// library whose verdict and words the tools have always given, so that every
// text is taken or refused as that library alone would.
#pragma once

#include <cstddef>
#include <string>

#include "machine/JsonTree.h"
#include "machine/RegFile.h"

namespace machine {

// False, with the line and "not valid JSON: ..." and the library's words,
// when the text is no JSON.
bool ReadJson(const std::string& text, JsonTree& tree, ParseError& error);

// The 1-based line of a byte of the text.
int LineOf(const std::string& text, std::size_t offset);

}  // namespace machine
