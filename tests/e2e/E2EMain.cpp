// The end-to-end test driver's entry: GoogleTest, and where the programs
// under test are.
#include <gtest/gtest.h>

#include <cstdio>

#include "Differential.h"
#include "RemendoE2E.h"

namespace {
E2EPrograms s_programs;

struct ProgramOption {
    const char* prefix;
    std::string E2EPrograms::*path;
};

const ProgramOption kOptions[] = {
    {"--remendo=", &E2EPrograms::remendoExe},
    {"--management-stand-in=", &E2EPrograms::managementStandIn},
    {"--older-scan-dll=", &E2EPrograms::olderScanDll},
    {"--newer-scan-dll=", &E2EPrograms::newerScanDll},
    {"--undo=", &E2EPrograms::undoExe},
    {"--capture=", &E2EPrograms::captureExe},
    {"--sim=", &E2EPrograms::simExe},
    {"--spooler-probe=", &E2EPrograms::spoolerProbe},
};
}  // namespace

const E2EPrograms& Programs()
{
    return s_programs;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        for (const ProgramOption& option : kOptions) {
            std::string prefix = option.prefix;
            if (arg.rfind(prefix, 0) == 0)
                s_programs.*option.path = arg.substr(prefix.size());
        }
    }
    for (const ProgramOption& option : kOptions) {
        if ((s_programs.*option.path).empty()) {
            std::fprintf(stderr,
                         "usage: remendo_e2e --remendo=PATH --management-stand-in=PATH --older-scan-dll=PATH "
                         "--newer-scan-dll=PATH --undo=PATH --capture=PATH --sim=PATH --spooler-probe=PATH "
                         "[gtest options]\nmissing %sPATH\n",
                         option.prefix);
            return 2;
        }
    }
    int result = RUN_ALL_TESTS();
    std::printf("%s\n", FidelityLine().c_str());
    return result;
}
