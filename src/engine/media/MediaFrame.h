// What the file readers hand out: decoded pictures and sound in one fixed layout each, so that
// whatever composes them never has to look at the file's own formats.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cstdint>
#include <vector>

namespace engine::media {

// 32-bit BGRA pixels (alpha 0xFF where the file has none), rows top-down, stride = width * 4. Times are media times of
// the file (100-ns units); a still image has start 0 and stop 0.
struct VideoFrame {
  LONG width = 0;
  LONG height = 0;
  std::vector<uint32_t> pixels;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;

  const uint32_t* Row(LONG y) const { return pixels.data() + static_cast<size_t>(y) * width; }
  uint32_t* Row(LONG y) { return pixels.data() + static_cast<size_t>(y) * width; }
};

// Interleaved signed 16-bit PCM at the file's own rate and channel count.
struct AudioBlock {
  DWORD samplesPerSecond = 0;
  WORD channels = 0;
  std::vector<int16_t> samples;  // frames * channels values
  REFERENCE_TIME start = 0;

  size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

}  // namespace engine::media
