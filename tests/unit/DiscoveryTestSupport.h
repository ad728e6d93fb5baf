// A simulated machine with the application object on it, for calling the
// discovery operations one at a time.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "SimTestSupport.h"
#include "app/Remendo.h"
#include "log/DebugLog.h"
#include "machine/Registry.h"

namespace test {

struct AppOnMachine {
    explicit AppOnMachine(sim::Machine m) : machine(std::move(m)), api(machine), backend(api)
    {
        // The log file is opened by the first scope of a process; open it now
        // so that the handles an operation leaves open can be counted.
        DebugLog opensTheLogFile("AppOnMachine", "Test");
        handlesBefore = api.OpenHandleCount();
    }

    std::size_t HandlesLeftOpen() const { return api.OpenHandleCount() - handlesBefore; }

    std::vector<std::string> Lines() const { return LogLines(api); }
    bool Logged(const std::string& line) const
    {
        std::vector<std::string> lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    sim::Machine machine;
    sim::SimApi api;
    ScopedBackend backend;
    CRemendoApp app;
    std::size_t handlesBefore = 0;
};

// A machine with nothing on it but the given printers.
inline sim::Machine MachineWithPrinters(std::vector<sim::Printer> printers)
{
    sim::Machine machine = BaseMachine();
    machine.printers = std::move(printers);
    return machine;
}

// Writes string values into a registry key, creating it.
inline void SetStrings(sim::Machine& machine, const std::string& key,
                       std::initializer_list<std::pair<const char*, std::string>> values)
{
    sim::RegKey& created = machine.registry.Create(key);
    for (const auto& value : values)
        created.SetValue(value.first, REG_SZ, sim::StringData(value.second));
}

}  // namespace test
