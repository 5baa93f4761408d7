// Class ids in their registry text form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <windows.h>

#include <string>

namespace engine {

std::wstring GuidToText(const GUID& guid);
// Strict: exactly the braced form (either letter case), nothing around it. No registry look-up.
bool ParseGuidText(const wchar_t* text, GUID* guid);

}  // namespace engine
