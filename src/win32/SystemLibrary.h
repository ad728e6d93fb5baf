// The DLLs that are not among the system's KnownDLLs (VERSION.dll,
// WINSPOOL.DRV) are loaded at run time from the system directory by full
// path, never found through the search that starts in the program's own
// folder: a file of that name planted next to the program (in a Downloads
// folder, say) would otherwise run with the administrator's rights.
#pragma once

#include <windows.h>

// Takes the program's folder and the current directory out of the DLL
// search for every later load. Called first thing; the calls that do this
// are looked up at run time, as the oldest systems lack them.
void NarrowDllSearch();

// The function `name` of the system DLL `fileName`, loaded on first use from
// the system directory and kept for the rest of the run; nullptr, with the
// last error set, when the DLL or the function is missing.
FARPROC SystemFunction(const char* fileName, const char* name);

// SystemFunction cast to the type of the function it stands for.
template <typename Function>
Function* SystemFunctionOf(const char* fileName, const char* name)
{
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(SystemFunction(fileName, name)));
}
