// The engine's built-in effects and transitions: their names and class ids, shared by the
// render engine that applies them and by the catalogue registration that lists them.
#pragma once

#include <windows.h>

namespace engine {

// Which of the four effect categories an entry belongs to.
enum EffectKind { kVideoEffect = 0, kVideoTransition, kAudioEffect, kAudioTransition };

struct BuiltInEffect {
  EffectKind kind;
  const wchar_t* name;
  CLSID clsid;
};

const BuiltInEffect* BuiltInEffects(size_t* count);
const CLSID& EffectCategory(EffectKind kind);

}  // namespace engine
