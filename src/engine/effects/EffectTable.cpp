#include "engine/effects/EffectTable.h"

#include <algorithm>
#include <cstdint>

#include "services/EditingServices.h"

namespace engine {

namespace {

using effects::Picture;

void ApplyBrightnessContrast(const ParamValues& v, Picture p) {
  effects::BrightnessContrast(p, v.Number(L"Brightness"), v.Number(L"Contrast"));
}
void ApplyGrayscale(const ParamValues& v, Picture p) { effects::Grayscale(p, v.Number(L"Amount")); }
void ApplySepia(const ParamValues& v, Picture p) { effects::Sepia(p, v.Number(L"Amount")); }
void ApplyInvert(const ParamValues& v, Picture p) { effects::Invert(p, v.Number(L"Amount")); }
void ApplyBlur(const ParamValues& v, Picture p) { effects::Blur(p, v.Number(L"Radius")); }
void ApplyFadeToColour(const ParamValues& v, Picture p) {
  effects::FadeToColour(p, static_cast<uint32_t>(v.Number(L"Color")), v.Number(L"Progress"));
}

void ApplyDissolve(const ParamValues&, double progress, Picture a, const Picture& b) {
  effects::Dissolve(a, b, progress);
}
void ApplyWipe(const ParamValues& v, double progress, Picture a, const Picture& b) {
  effects::Wipe(a, b, progress, static_cast<int>(v.Number(L"Direction")), v.Number(L"Softness"));
}
void ApplySlide(const ParamValues& v, double progress, Picture a, const Picture& b) {
  effects::Slide(a, b, progress, static_cast<int>(v.Number(L"Direction")));
}
void ApplyIris(const ParamValues& v, double progress, Picture a, const Picture& b) {
  effects::Iris(a, b, progress, static_cast<int>(v.Number(L"Shape")));
}

double VolumeGain(const ParamValues& v) { return std::max(0.0, v.Number(L"Gain")); }
double FadeGain(const ParamValues& v) { return v.Number(L"Direction") >= 0.5 ? 1.0 - v.Elapsed() : v.Elapsed(); }

#define MRQ_APPLY(kind, fn) EffectApply::kind(fn)
#include "engine/effects/EffectTable.inc"
#undef MRQ_APPLY

}  // namespace

const EffectParam* BuiltInEffect::Param(const wchar_t* paramName) const {
  for (int i = 0; i < paramCount; ++i)
    if (lstrcmpiW(params[i].name, paramName) == 0) return &params[i];
  return nullptr;
}

const BuiltInEffect* BuiltInEffects(size_t* count) {
  *count = sizeof kEffects / sizeof kEffects[0];
  return kEffects;
}

const BuiltInEffect* FindBuiltInEffect(const CLSID& clsid, EffectKind kind) {
  for (const BuiltInEffect& e : kEffects)
    if (e.kind == kind && e.clsid == clsid) return &e;
  return nullptr;
}

const CLSID& EffectCategory(EffectKind kind) {
  switch (kind) {
    case kVideoEffect: return CLSID_VideoEffects1Category;
    case kVideoTransition: return CLSID_VideoEffects2Category;
    case kAudioEffect: return CLSID_AudioEffects1Category;
    default: return CLSID_AudioEffects2Category;
  }
}

}  // namespace engine
