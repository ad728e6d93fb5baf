// Names on a Windows disk: which of them Windows holds as one, and which it
// takes for a device rather than a file.
#pragma once

#include <string>

namespace machine {

// The form under which Windows holds two paths for the same file: '/' and '\'
// alike, each name without its trailing dots and spaces, and upper-case over
// the whole of Latin-1 (a name in UTF-8 by its characters, else by its bytes).
std::string WindowsNameKey(const std::string& path);
// Why a name (one part of a path) can be no file's on Windows: a device name,
// with or without an extension ("CON", "com1.txt", "CONIN$"); "" when it can.
std::string DeviceNameProblem(const std::string& name);

}  // namespace machine
