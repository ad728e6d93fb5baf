// The run's waits on the real backend. The run is one thread and does not
// return to a message loop until it ends, so every wait dispatches the window
// messages already queued: the progress window keeps repainting and answering,
// and Windows never marks the program as not responding. Input the run does
// not expect (keys, clicks, close and system commands) is dropped, not
// dispatched.
#pragma once

#include <windows.h>

// Waits like WaitForSingleObject (a null handle: like Sleep, the result is then
// WAIT_TIMEOUT) while dispatching the queued messages.
DWORD WaitDispatchingMessages(HANDLE handle, DWORD milliseconds);
