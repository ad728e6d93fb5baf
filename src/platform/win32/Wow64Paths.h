// A 32-bit program on 64-bit Windows sees the system directory through the
// file-system redirector: its "system32" is SysWOW64. A file move scheduled
// for the next restart is carried out by the system itself, outside that
// view, so its paths must name SysWOW64 outright or the move lands in the
// 64-bit system directory.
#pragma once

#include <string>

// `path` as the system must be told it at restart; unchanged for a 64-bit or
// a 32-bit system, and for the folders of the system directory that are not
// redirected.
std::string PathOutsideRedirection(const std::string& path);
