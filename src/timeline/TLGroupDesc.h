#pragma once
// What a new or edited group is made from.
#include <cstdint>
#include <string>

struct TLGroupDesc {
  bool locked = false;
  bool muted = false;
  int trackCount = 0;    // tracks created with a new group
  std::wstring name;     // empty: no user name
  int majorIndex = 0;    // into GroupMediaTypes
  int subtypeIndex = 0;  // into that entry's subtypes
  // Video: width × 65536 + height; audio: samples per second.
  uint32_t format = 0;

  static constexpr uint32_t VideoFormat(uint32_t width, uint32_t height) { return (width << 16) | (height & 0xFFFF); }

  // The groups a new project starts with: "Video group", 640 x 480 RGB 24-bit, and "Audio
  // group", 16-bit stereo PCM at 44,100 samples per second.
  static TLGroupDesc DefaultVideo(int tracks) {
    return {false, false, tracks, L"Video group", 0, 1, VideoFormat(640, 480)};
  }
  static TLGroupDesc DefaultAudio(int tracks) { return {false, false, tracks, L"Audio group", 1, 0, 44100}; }
};
