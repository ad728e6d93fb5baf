// The files the utility replaces or rewrites, by name: the repair's, the
// capture's and the undo's one list, so a newly repaired file is written
// down once.
#pragma once

namespace repairedfiles {
// The scan DLLs, shipped beside the program and installed in the system
// directory; each one's backup there has the extension "bak".
const char* const kScanDlls[] = {"cvqscan.dll", "cvqscan2.dll", "cvqscan3.dll"};
const char* const kScanDllBackups[] = {"cvqscan.bak", "cvqscan2.bak", "cvqscan3.bak"};

// The hosts file and its backup, below the system directory; and what a
// rewrite writes whole before each takes its place.
const char kHosts[] = "drivers\\etc\\hosts";
const char kHostsBackup[] = "drivers\\etc\\hosts.bak";
const char kHostsNew[] = "drivers\\etc\\hosts.new";
const char kHostsBackupNew[] = "drivers\\etc\\hosts.bak.new";
}  // namespace repairedfiles
