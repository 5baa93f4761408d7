// Makes the engine's classes creatable with CoCreateInstance in the calling process only
// (nothing is written to the registry). Call after CoInitializeEx, before creating a timeline.
#pragma once

#include <windows.h>

HRESULT MrqEngineRegisterClasses();
void MrqEngineRevokeClasses();
