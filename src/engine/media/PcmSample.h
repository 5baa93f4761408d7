// Integer PCM samples of any common width, cut to the 16 bits the mixer works in.
#pragma once

#include <windows.h>

#include <cstdint>

namespace engine::media {

// The sample at `v`, `bytes` (1 to 4) wide, little-endian; 8-bit samples are unsigned.
inline int16_t Pcm16(const BYTE* v, int bytes) {
  switch (bytes) {
    case 1: return static_cast<int16_t>((v[0] - 128) << 8);
    case 2: return static_cast<int16_t>(v[0] | v[1] << 8);
    case 3: return static_cast<int16_t>(v[1] | v[2] << 8);
    default: return static_cast<int16_t>(v[2] | v[3] << 8);
  }
}

}  // namespace engine::media
