// Lists the engine's built-in effects and transitions in the machine-wide effect categories,
// where the system device enumerator finds them. Idempotent; entries the engine did not write
// are never touched. Returns the first failure (for example an unprivileged user), after
// writing what it could.
#pragma once

#include <windows.h>

HRESULT MrqEngineRegisterEffects();
