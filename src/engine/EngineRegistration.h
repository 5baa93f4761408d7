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
// Whether such a source is still stuck: the process should then end without unloading the
// platform's libraries under it (ExitProcess would fault in that thread).
bool MrqEngineHasStuckSources();
