// The dotted text of an IP address as the connection dialog's IP address
// control takes it when the dialog opens.
#pragma once

#include <string>

#include "platform/WinTypes.h"

// Dotted text cut into four numbers, each read as atoi reads it and cut to 8
// bits, the first as the most significant byte. A text of fewer than four
// numbers starts over at its beginning ("10.0.0" gives 10.0.0.10).
DWORD AddressFromText(const std::string& text);
