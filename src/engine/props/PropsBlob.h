// The binary form of a property setter's parameters (SaveToBlob / LoadFromBlob).
#pragma once

#include "engine/props/Keyframes.h"

namespace engine {

HRESULT SaveParamsToBlob(const std::vector<Parameter>& params, std::vector<BYTE>* blob);
// Checks every length and count against the bytes present: any damage fails cleanly.
HRESULT LoadParamsFromBlob(const BYTE* blob, size_t size, std::vector<Parameter>* params);

}  // namespace engine
