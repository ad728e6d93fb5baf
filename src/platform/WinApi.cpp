#include "platform/WinApi.h"

namespace {
WinApi* s_pApi = nullptr;
}

WinApi& Win()
{
    return *s_pApi;
}

void SetWin(WinApi* api)
{
    s_pApi = api;
}
