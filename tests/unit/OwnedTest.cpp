// The handle owner on the simulated machine: each verb closes what it must,
// once, through the backend, and hands the close call's result on unchanged.
#include <gtest/gtest.h>

#include "SimTestSupport.h"
#include "platform/Owned.h"
#include "platform/WinApi.h"

namespace {

HANDLE NewMapping()
{
    return Win().CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 1, nullptr);
}

TEST(HandleOwner, EveryVerbClosesWhatItHeldAndNothingTwice)
{
    machine::Machine machine = test::BaseMachine();
    sim::SimApi api(machine);
    test::ScopedBackend backend(api);
    {
        KernelHandle held(NewMapping());
        EXPECT_EQ(api.OpenHandleCount(), 1u);
        held.Attach(NewMapping());
        EXPECT_EQ(api.OpenHandleCount(), 1u) << "Attach closes the handle held before";
        EXPECT_TRUE(Win().OpenProcessToken(Win().GetCurrentProcess(), TOKEN_QUERY, held.Receive()));
        EXPECT_EQ(api.OpenHandleCount(), 1u) << "Receive closes the handle held before";
        EXPECT_EQ(held.Close(), TRUE);
        EXPECT_EQ(api.OpenHandleCount(), 0u);
        // A second close reaches no backend: the simulated CloseHandle would refuse the stale handle.
        Win().SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(held.Close(), TRUE);
        EXPECT_EQ(Win().GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

        held.Attach(NewMapping());
        HANDLE released = held.Release();
        EXPECT_FALSE(held.IsOpen());
        EXPECT_EQ(api.OpenHandleCount(), 1u) << "Release closes nothing";
        EXPECT_TRUE(Win().CloseHandle(released));
        held.Attach(NewMapping());
    }
    EXPECT_EQ(api.OpenHandleCount(), 0u) << "the owner's end closes its handle";
}

TEST(HandleOwner, FailedCloseGivesTheCallsOwnResultAndError)
{
    machine::Machine machine = test::BaseMachine();
    machine.faults.push_back({"CloseServiceHandle", 1, ERROR_INVALID_HANDLE});
    sim::SimApi api(machine);
    test::ScopedBackend backend(api);
    ServiceHandle manager(Win().OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    ASSERT_TRUE(manager.IsOpen());
    EXPECT_EQ(manager.Close(), FALSE);
    EXPECT_EQ(Win().GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(manager.IsOpen()) << "a failed close is not tried again";
}

}  // namespace
