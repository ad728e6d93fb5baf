// Helpers for tests that run the utility, or parts of it, on a simulated machine.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/SimApi.h"
#include "InstalledMachine.h"

namespace test {

// A small NT 5.1 machine whose user is an administrator, with the utility
// installed at C:\Tools\Remendo.exe (version 1.0.0.0), the spooler and the
// still-image service running, the maker's management service installed to
// start automatically, the programs cvqmgr40.exe and regsvr32.exe in the
// system directory, and one family B all-in-one ("CV Quillray 7250") attached
// directly on port DOT4_001 whose imaging-device entry needs no repair (the
// maker's product key is not installed).
machine::Machine BaseMachine();

// The machine of an example folder (examples/<name>).
machine::Machine ExampleMachine(const std::string& name);
// The example folders' names, sorted, and a test name made of one.
std::vector<std::string> ExampleNames();
std::string ExampleTestName(const testing::TestParamInfo<std::string>& info);

// Installs a backend for the length of a test, for calling core operations directly.
using ScopedBackend = sim::ScopedBackend;

// The log lines (without CR LF) of the debugger output, without the log's own notices.
std::vector<std::string> LogLines(const sim::SimApi& api);
// The bytes of a file of the machine ("" when it is missing).
std::string FileText(const machine::Machine& machine, const std::string& path);
// The texts of the message boxes shown, in order.
std::vector<std::string> BoxTexts(const sim::SimApi& api);
// The machine written out as a folder (a fresh one of this name in the temp
// directory, removed after) and read back; its machine.json in `manifest`
// when asked for.
machine::Machine ThroughFolder(const machine::Machine& machine, const std::string& name,
                               std::string* manifest = nullptr);

}  // namespace test
