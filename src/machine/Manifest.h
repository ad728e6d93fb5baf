// machine.json: what a simulated machine holds beyond its registry and files
// (version, token, paths, printers, services, name lookups, scripted answers).
#pragma once

#include <string>

#include "machine/Machine.h"
#include "machine/RegFile.h"

namespace machine {

// How the folder's texts are to be read, by the code page its manifest
// states; one that states none is of the days of 8-bit machines. False, with
// why, when it states a code page the machine does not model.
bool ReadFolderTexts(const std::string& text, FolderTexts& texts, ParseError& error);
// Fills the machine from the manifest, its texts UTF-8 (by FromLatin1Era
// when it states no code page). Unknown fields and wrong types are
// errors, reported with the line they stand on.
bool ReadManifest(const std::string& text, Machine& machine, ParseError& error);

// The manifest of a machine as it stands, readable by ReadManifest.
std::string WriteManifest(const Machine& machine);

}  // namespace machine
