// The shapes of the built-in effects' description (EffectTable.inc), free of the platform's
// headers so that the build can also read the table on the build machine and write the
// parameter descriptions from it.
#pragma once

namespace engine {

// Which of the four effect categories an entry belongs to.
enum EffectKind { kVideoEffect = 0, kVideoTransition, kAudioEffect, kAudioTransition };

// One choice a parameter offers: the value written to the property setter, and its label.
struct ValueItem {
  const wchar_t* value;
  const wchar_t* label;
};

struct ValueList {
  const wchar_t* name;
  const ValueItem* items;
  int count;
};

// A parameter the effect reads from its property setter. A default that is not a number stands
// for the effect's progress through its span (0 at its start, 1 at its end).
struct EffectParam {
  const wchar_t* name;
  double defaultValue;
  double minimum, maximum;
  const ValueList* values;  // null when any number in the range will do
};

}  // namespace engine
