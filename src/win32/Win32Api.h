// The real backend: every WinApi operation forwards to the Windows call of
// the same name, so the core runs against the machine it is started on.
#pragma once

#include "platform/WinApi.h"

class Win32Api : public WinApi {
public:
#define PLATFORM_CALL(Result, Name, Parameters, Faults) Result Name Parameters override;
#include "platform/WinCalls.h"
#undef PLATFORM_CALL
};
