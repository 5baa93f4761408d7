// Conversions between the two time forms of the editing services.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cmath>

namespace engine {

constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;

inline double ToSeconds(REFERENCE_TIME t) { return static_cast<double>(t) / kUnitsPerSecond; }

// False for values that do not fit a REFERENCE_TIME (NaN, infinities, beyond ±29,000 years).
inline bool FromSeconds(double seconds, REFERENCE_TIME *out) {
  if (!std::isfinite(seconds) || std::fabs(seconds) > 9.0e11) return false;
  *out = static_cast<REFERENCE_TIME>(std::llround(seconds * kUnitsPerSecond));
  return true;
}

}  // namespace engine
