// The engine's built-in effects and transitions, from their one description (EffectTable.inc):
// the render engine binds each effect's function from here, the catalogue registration lists
// them, and the build writes their parameter descriptions from the same table.
#pragma once

#include <windows.h>

#include "engine/effects/EffectDescription.h"
#include "engine/effects/VideoOps.h"

namespace engine {

// What an effect reads at one moment: each parameter's value there (keyframes evaluated, the
// table's default when it has none) and how far through its span the effect is.
class ParamValues {
 public:
  virtual double Number(const wchar_t* name) const = 0;
  virtual double Elapsed() const = 0;

 protected:
  ~ParamValues() = default;
};

using VideoEffectFn = void (*)(const ParamValues& values, effects::Picture picture);
// `a` is what lies below, `b` the track's own picture; the result goes to `a`.
using VideoTransitionFn = void (*)(const ParamValues& values, double progress, effects::Picture a,
                                   const effects::Picture& b);
using AudioGainFn = double (*)(const ParamValues& values);

// The function that applies an entry: one of them, by the entry's kind. An audio transition has
// none: the composer mixes the track over what lies below by the transition's progress.
struct EffectApply {
  VideoEffectFn video = nullptr;
  VideoTransitionFn transition = nullptr;
  AudioGainFn gain = nullptr;

  static constexpr EffectApply Video(VideoEffectFn f) { return {f, nullptr, nullptr}; }
  static constexpr EffectApply Transition(VideoTransitionFn f) { return {nullptr, f, nullptr}; }
  static constexpr EffectApply Gain(AudioGainFn f) { return {nullptr, nullptr, f}; }
  static constexpr EffectApply Mix(decltype(nullptr)) { return {}; }
};

struct BuiltInEffect {
  EffectKind kind;
  const wchar_t* name;
  CLSID clsid;
  const EffectParam* params;
  int paramCount;
  EffectApply apply;

  // The parameter of that name (compared without regard to case), or null.
  const EffectParam* Param(const wchar_t* paramName) const;
};

const BuiltInEffect* BuiltInEffects(size_t* count);
// The built-in entry of that kind with that class id, or null.
const BuiltInEffect* FindBuiltInEffect(const CLSID& clsid, EffectKind kind);
const CLSID& EffectCategory(EffectKind kind);

}  // namespace engine
