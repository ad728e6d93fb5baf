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

// The machine an AppOnMachine owns; a base of its own so that it is built
// before the hub on it.
struct OwnedMachine {
    machine::Machine machine;
};

// The hub on a machine of its own, with the log file already open.
struct AppOnMachine : OwnedMachine, sim::InstalledMachine {
    explicit AppOnMachine(machine::Machine m) : OwnedMachine{std::move(m)}, InstalledMachine(machine)
    {
        // The log file is opened by the first scope of a process; open it now
        // so that the handles an operation leaves open can be counted.
        DebugLog opensTheLogFile("AppOnMachine", "Test");
        handlesBefore = api.OpenHandleCount();
    }

    std::size_t HandlesLeftOpen() const { return api.OpenHandleCount() - handlesBefore; }
    std::vector<std::string> Log() const { return LogLines(api); }

    bool Logged(const std::string& line) const
    {
        std::vector<std::string> lines = Log();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::size_t handlesBefore = 0;
};

// A machine with nothing on it but the given printers.
inline machine::Machine MachineWithPrinters(std::vector<machine::Printer> printers)
{
    machine::Machine machine = BaseMachine();
    machine.printers = std::move(printers);
    return machine;
}

// Writes string values into a registry key, creating it.
inline void SetStrings(machine::Machine& machine, const std::string& key,
                       std::initializer_list<std::pair<const char*, std::string>> values)
{
    machine::RegKey& created = machine.registry.Create(key);
    for (const auto& value : values)
        created.SetValue(value.first, REG_SZ, machine::StringData(value.second));
}

}  // namespace test
