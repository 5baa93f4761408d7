// Lists the engine's built-in effects and transitions in the machine-wide effect categories,
// and its compressors in the compressor categories, where the system device enumerator finds
// them (the compressors are created through MrqEngineRegisterClasses). Idempotent; entries the
// engine did not write are never touched. Returns the first failure (for example an
// unprivileged user), after writing what it could.
#pragma once

#include <windows.h>

HRESULT MrqEngineRegisterEffects();
