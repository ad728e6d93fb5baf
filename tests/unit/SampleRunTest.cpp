// Whole runs of the example machines: the typical networked repair, and a
// second run on the machine the first one wrote out, which must find nothing
// left to repair.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "RunUtility.h"
#include "SimTestSupport.h"
#include "machine/MachineDiff.h"
#include "machine/MachineFolder.h"
#include "ui/resource.h"

namespace {

bool Logged(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The machine folder a run writes out, as the next process would find it.
machine::FolderContents WrittenOut(const machine::Machine& machine)
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "remendo-sample-run";
    std::string problem;
    EXPECT_TRUE(machine::SaveMachine(machine, folder.string(), problem)) << problem;
    machine::FolderContents contents;
    machine::LoadError error;
    EXPECT_TRUE(machine::ReadFolderContents(folder.string(), contents, error)) << error.Describe();
    std::filesystem::remove_all(folder);
    return contents;
}

TEST(SampleRun, NetworkedFamilyBIsRepairedAndASecondRunFindsNothingToDo)
{
    machine::Machine machine = test::ExampleMachine("networked-family-b");
    sim::SimApi first(machine);
    sim::RunUtility(first);
    std::vector<std::string> lines = test::LogLines(first);
    EXPECT_EQ(test::BoxTexts(first),
              (std::vector<std::string>{
                  "Found CV Quillray 7250 networked at 10.0.0.25 using cvq7250, Continue with this information?",
                  "Changes were made that may have corrected a problem."}));
    for (const char* expected : {
             "Remendo: InitInstance> --- Yes, let's fix it!",
             "Remendo: FixImagingDevice> \tAppears to be an 7250/7252/7255/7290/7292",
             "Remendo: UpdateRegVar> --- Yes, changed 0000\\CreateFileName from \\\\.\\Dot4Scan001 to AUTO ##### FIXED",
             "Remendo: UpdateRegVar> --- Yes, changed 0000\\PortID from 10.0.0.20 to 10.0.0.25 ##### FIXED",
             "Remendo: FixImagingDevice> \tDevice is not supported and user didn't specify anything",
             "Remendo: UpdateRegVar> --- Yes, changed Port\\Connection Type from Direct to Network ##### FIXED",
             "Remendo: InitInstance> \tDone enumerating",
             "Remendo: RegisterScanDll> --- Yes, successfully registered scan dll",
         }) {
        EXPECT_TRUE(Logged(lines, expected)) << expected;
    }
    EXPECT_NE(test::FileText(machine, "C:\\WINDOWS\\system32\\drivers\\etc\\hosts").find("10.0.0.25\tcvq7250"),
              std::string::npos);
    // A networked run has one stage more: the host-name lookup inside discovery.
    std::vector<int> positions;
    for (const auto& entry : first.Windows()) {
        if (entry.second.templateId == IDD_PROGRESS)
            positions = entry.second.controls.at(IDC_PROGRESS).positionsSet;
    }
    EXPECT_EQ(positions, (std::vector<int>{8, 16, 24, 32, 40, 48, 56, 64, 72, 100}));

    machine::FolderContents written = WrittenOut(machine);
    machine::Machine repaired, again;
    machine::LoadError error;
    ASSERT_TRUE(machine::LoadMachine(written, repaired, error)) << error.Describe();
    ASSERT_TRUE(machine::LoadMachine(written, again, error)) << error.Describe();
    sim::SimApi second(again);
    sim::RunUtility(second);
    EXPECT_EQ(test::BoxTexts(second).back(), "The utility has completed.");
    for (const std::string& change : machine::DescribeChanges(repaired, again)) {
        // Only the run's own log and the hosts backup are written again.
        EXPECT_TRUE(change.find("Remendo.log") != std::string::npos || change.find("hosts.bak") != std::string::npos)
            << change;
    }
}

}  // namespace
