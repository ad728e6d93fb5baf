// The system directory, as the system files, the hosts file and the
// re-registrations find it.
#pragma once

#include <string>

// Without a trailing backslash; "" (the last error set by the system) when it
// cannot be read.
std::string SystemDirectory();
