// machine.json: what a simulated machine holds beyond its registry and files
// (version, token, paths, printers, services, name lookups, scripted answers).
#pragma once

#include <string>

#include "machine/Machine.h"
#include "machine/RegFile.h"

namespace machine {

// Fills the machine from the manifest. Unknown fields and wrong types are
// errors, reported with the line they stand on.
bool ReadManifest(const std::string& text, Machine& machine, ParseError& error);

// The manifest of a machine as it stands, readable by ReadManifest.
std::string WriteManifest(const Machine& machine);

}  // namespace machine
