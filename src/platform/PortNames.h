// The names Windows gives a printer's connections: the ports the spooler
// lists and the scan channel of a DOT4 (IEEE 1284.4) device.
#pragma once

#include <string>

namespace ports {
// In the name of every DOT4 port ("DOT4_001").
const char kDot4PortMarker[] = "DOT4_";
// In the device name of a DOT4 device's scan channel ("\\.\Dot4scan...").
const char kDot4ScanMarker[] = "\\\\.\\Dot4scan";
// In the names of the other local ports.
const char* const kLocalPortMarkers[] = {"LPT", "USB", "FILE"};

// Whether the name is a DOT4 device's: one of its ports or its scan channel.
inline bool HoldsDot4Marker(const std::string& name)
{
    return name.find(kDot4PortMarker) != std::string::npos || name.find(kDot4ScanMarker) != std::string::npos;
}
}  // namespace ports
