// One parameter's timed values and what they give at a moment: DEXTERF_JUMP holds a value
// from its time on; DEXTERF_INTERPOLATE moves linearly from the previous value to this one
// when both are numbers (numeric text included), and jumps otherwise.
#pragma once

#include "services/EditingServices.h"

#include <string>
#include <vector>

namespace engine {

// A VARIANT that owns its content.
struct OwnedVariant {
  VARIANT v;
  OwnedVariant() { VariantInit(&v); }
  OwnedVariant(const OwnedVariant& other) {
    VariantInit(&v);
    VariantCopy(&v, const_cast<VARIANT*>(&other.v));
  }
  OwnedVariant& operator=(const OwnedVariant& other) {
    if (this != &other) VariantCopy(&v, const_cast<VARIANT*>(&other.v));
    return *this;
  }
  ~OwnedVariant() { VariantClear(&v); }
};

struct Keyframe {
  OwnedVariant value;
  REFERENCE_TIME time = 0;
  DWORD interp = DEXTERF_JUMP;
};

struct Parameter {
  std::wstring name;
  DISPID dispId = 0;
  std::vector<Keyframe> keyframes;  // in time order
};

// The value of `keyframes` at `t` (relative to the owner's start) into `out` (cleared first).
HRESULT EvaluateKeyframes(const std::vector<Keyframe>& keyframes, REFERENCE_TIME t, VARIANT* out);
// A variant's number, for interpolation: numeric types and text that is entirely a number.
bool VariantNumber(const VARIANT& v, double* number);

}  // namespace engine
