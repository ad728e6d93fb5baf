// machine.json: what a simulated machine holds beyond its registry and files
// (version, token, paths, printers, services, name lookups, scripted answers).
#pragma once

#include <string>

#include "machine/JsonTree.h"
#include "machine/Machine.h"
#include "machine/RegFile.h"

namespace machine {

// The manifest's text, parsed once for the code page it states and for its
// fields. The text must outlive it.
struct ParsedManifest {
    const std::string* text = nullptr;
    bool valid = false;  // JSON; else `problem` says why not
    JsonTree document;
    ParseError problem;
};
void ParseManifest(const std::string& text, ParsedManifest& manifest);

// How the folder's texts are to be read, by the code page its manifest
// states; one that states none (or is no valid JSON, which ReadManifest
// reports) is of the days of 8-bit machines. False, with why, when it states
// a code page the machine does not model.
bool ReadFolderTexts(const ParsedManifest& manifest, FolderTexts& texts, ParseError& error);
// Fills the machine from the manifest, its texts UTF-8 (by FromLatin1Era
// when it states no code page). Unknown fields and wrong types are
// errors, reported with the line they stand on. Reading changes the parsed
// document's texts: it is read once.
bool ReadManifest(ParsedManifest& manifest, Machine& machine, ParseError& error);
bool ReadManifest(const std::string& text, Machine& machine, ParseError& error);

// The manifest of a machine as it stands, readable by ReadManifest.
std::string WriteManifest(const Machine& machine);

}  // namespace machine
