// Conversions between the two time forms of the editing services.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cmath>
#include <cwchar>
#include <string>

namespace engine {

constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;

inline double ToSeconds(REFERENCE_TIME t) { return static_cast<double>(t) / kUnitsPerSecond; }

// A time as the engine's messages give it: "1.250 s".
inline std::wstring SecondsText(REFERENCE_TIME t) {
  wchar_t text[40];
  swprintf(text, 40, L"%.3f s", ToSeconds(t));
  return text;
}

// False for values that do not fit a REFERENCE_TIME (NaN, infinities, beyond ±29,000 years).
inline bool FromSeconds(double seconds, REFERENCE_TIME* out) {
  if (!std::isfinite(seconds) || std::fabs(seconds) > 9.0e11) return false;
  *out = static_cast<REFERENCE_TIME>(std::llround(seconds * kUnitsPerSecond));
  return true;
}

// Moves both times to the nearest frame boundary at fps; nothing when fps is not positive.
inline void SnapToFrames(double fps, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!(fps > 0)) return;
  auto snap = [fps](REFERENCE_TIME t) {
    double frames = std::llround(static_cast<double>(t) * fps / kUnitsPerSecond);
    return static_cast<REFERENCE_TIME>(std::llround(frames * kUnitsPerSecond / fps));
  };
  *start = snap(*start);
  *stop = snap(*stop);
}

// Runs a fixer of 100-ns times on times given in seconds.
template <class Fix>
HRESULT FixSeconds(REFTIME* start, REFTIME* stop, Fix fix) {
  if (!start || !stop) return E_POINTER;
  REFERENCE_TIME s, e;
  if (!FromSeconds(*start, &s) || !FromSeconds(*stop, &e)) return E_INVALIDARG;
  fix(&s, &e);
  *start = ToSeconds(s);
  *stop = ToSeconds(e);
  return S_OK;
}

}  // namespace engine
