// Idempotence: on every example machine, a second run on the machine the
// first run wrote out changes nothing and reports that it has completed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "RunUtility.h"
#include "SimTestSupport.h"
#include "machine/FaultOperations.h"
#include "machine/MachineDiff.h"
#include "machine/MachineFolder.h"
#include "machine/Manifest.h"
#include "ui/StringTable.h"

namespace {

// A service or program the machine says cannot be repaired keeps every run
// from ending with nothing done.
bool HoldsSomethingUnrepairable(const machine::Machine& machine)
{
    return std::any_of(machine.services.begin(), machine.services.end(),
                       [](const machine::Service& service) { return !service.canOpen; }) ||
           std::any_of(machine.programs.begin(), machine.programs.end(),
                       [](const machine::Program& program) { return !program.starts; });
}

class Idempotence : public testing::TestWithParam<std::string> {};

TEST_P(Idempotence, SecondRunOnTheWrittenOutMachineChangesNothing)
{
    machine::Machine machine = test::ExampleMachine(GetParam());
    {
        sim::SimApi first(machine);
        sim::RunUtility(first);
        // Every operation the run calls can be named by a machine's faults,
        // and has the errors the fault sweep makes it fail with.
        for (const auto& counted : first.CallCounts()) {
            EXPECT_TRUE(machine::IsFaultableOperation(counted.first)) << counted.first;
            EXPECT_FALSE(machine::RealisticErrors(counted.first).empty()) << counted.first;
        }
    }
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("remendo-idempotence-" + GetParam());
    std::string problem;
    ASSERT_TRUE(machine::SaveMachine(machine, folder.string(), problem)) << problem;
    machine::FolderContents written;
    machine::LoadError error;
    ASSERT_TRUE(machine::ReadFolderContents(folder.string(), written, error)) << error.Describe();
    std::filesystem::remove_all(folder);

    machine::Machine repaired, again;
    ASSERT_TRUE(machine::LoadMachine(written, repaired, error)) << error.Describe();
    ASSERT_TRUE(machine::LoadMachine(written, again, error)) << error.Describe();
    sim::SimApi second(again);
    sim::RunUtility(second);

    for (const std::string& change : machine::DescribeChanges(repaired, again)) {
        // The run's own log and the hosts backup are written on every run.
        bool expected = change.find("Remendo.log") != std::string::npos || change.find("hosts.bak") != std::string::npos;
        EXPECT_TRUE(expected) << change;
    }
    std::vector<std::string> boxes = test::BoxTexts(second);
    ASSERT_FALSE(boxes.empty());
    if (!HoldsSomethingUnrepairable(again)) {
        EXPECT_EQ(boxes.back(), TEXT_IDS_COMPLETED);
    }
}

TEST_P(Idempotence, WriteThenReadGivesTheSameMachine)
{
    machine::Machine machine = test::ExampleMachine(GetParam());
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("remendo-round-trip-" + GetParam());
    std::string problem;
    ASSERT_TRUE(machine::SaveMachine(machine, folder.string(), problem)) << problem;
    machine::FolderContents written;
    machine::LoadError error;
    ASSERT_TRUE(machine::ReadFolderContents(folder.string(), written, error)) << error.Describe();
    std::filesystem::remove_all(folder);
    machine::Machine reread;
    ASSERT_TRUE(machine::LoadMachine(written, reread, error)) << error.Describe();
    EXPECT_TRUE(reread.registry == machine.registry);
    EXPECT_TRUE(reread.files == machine.files);
    EXPECT_EQ(machine::WriteManifest(reread), machine::WriteManifest(machine));
}

INSTANTIATE_TEST_SUITE_P(ExampleMachines, Idempotence, testing::ValuesIn(test::ExampleNames()),
                         test::ExampleTestName);

}  // namespace
