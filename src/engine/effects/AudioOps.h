// The built-in audio effects as pure operations on interleaved stereo sums (not yet clipped).
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine::effects {

// Multiplies frame i by gain(i).
template <class GainAt>
void ApplyGain(int32_t* stereo, size_t frames, GainAt gainAt) {
  for (size_t i = 0; i < frames; ++i) {
    const double g = gainAt(i);
    stereo[i * 2] = static_cast<int32_t>(stereo[i * 2] * g);
    stereo[i * 2 + 1] = static_cast<int32_t>(stereo[i * 2 + 1] * g);
  }
}

}  // namespace engine::effects
