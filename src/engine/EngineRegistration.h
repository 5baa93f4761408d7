// Makes the engine's classes creatable with CoCreateInstance in the calling process only
// (nothing is written to the registry). Call after CoInitializeEx, before creating a timeline.
#pragma once

#include <windows.h>

HRESULT MrqEngineRegisterClasses();
void MrqEngineRevokeClasses();

// How long a media source may take to open or to deliver its next picture or sound before
// it counts as failed (10 s unless set). A source that hangs inside the platform is left to
// a thread of its own.
void MrqEngineSetSourceTimeLimit(DWORD milliseconds);
// Whether such a source is still stuck: the process must then not take the platform's
// libraries down under it (measured: that faults, and the exit code is lost).
bool MrqEngineHasStuckSources();
// Call last, all output written: when a source is stuck, ends the process at once with
// `exitCode`, without unloading anything; returns otherwise.
void MrqEngineEndIfStuck(int exitCode);
