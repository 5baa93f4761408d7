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
};
