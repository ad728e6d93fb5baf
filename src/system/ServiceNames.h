// The Windows services the utility looks at and drives.
#pragma once

namespace services {
const char kSpooler[] = "spooler";
const char kStillImage[] = "stisvc";
const char kManagement[] = "QMX Driver CVQ40";  // the maker's management service
}  // namespace services
