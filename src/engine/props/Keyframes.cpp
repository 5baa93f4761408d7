#include "engine/props/Keyframes.h"

#include "engine/dom/XtlText.h"

namespace engine {

bool VariantNumber(const VARIANT& v, double* number) {
  switch (v.vt) {
    case VT_BSTR: return v.bstrVal && xtl::ParseDouble(v.bstrVal, number);
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_DECIMAL:
    case VT_CY: {
      VARIANT d;
      VariantInit(&d);
      if (FAILED(VariantChangeTypeEx(&d, const_cast<VARIANT*>(&v), LOCALE_INVARIANT, 0, VT_R8))) return false;
      *number = d.dblVal;
      return true;
    }
    default: return false;
  }
}

HRESULT EvaluateKeyframes(const std::vector<Keyframe>& keyframes, REFERENCE_TIME t, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantClear(out);
  if (keyframes.empty()) return E_INVALIDARG;
  // The last keyframe at or before t; before the first one, the first value holds.
  size_t k = 0;
  while (k + 1 < keyframes.size() && keyframes[k + 1].time <= t) ++k;
  const Keyframe& from = keyframes[k];
  if (k + 1 < keyframes.size() && t > from.time) {
    const Keyframe& to = keyframes[k + 1];
    double a, b;
    if (to.interp == DEXTERF_INTERPOLATE && VariantNumber(from.value.v, &a) && VariantNumber(to.value.v, &b)) {
      double f = static_cast<double>(t - from.time) / static_cast<double>(to.time - from.time);
      out->vt = VT_R8;
      out->dblVal = a + (b - a) * f;
      return S_OK;
    }
  }
  return VariantCopy(out, const_cast<VARIANT*>(&from.value.v));
}

}  // namespace engine
