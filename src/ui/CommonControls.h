#pragma once
#include <windows.h>

// Initialises a set of common-control classes once per process. A set counts as initialised
// only when the platform accepted it. Returns whether it is initialised.
bool EnsureCommonControls(DWORD classes);
