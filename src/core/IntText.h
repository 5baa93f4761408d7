#pragma once
#include <cstdint>

// A 32-bit value as unsigned text in a radix (2 to 36, digits then lower-case letters); any
// other radix gives empty text. Made on first request and kept.
class IntText {
 public:
  IntText(int32_t value, uint32_t radix = 10) : value_(value), radix_(radix) {}
  const wchar_t* get();
  operator const wchar_t*() { return get(); }

 private:
  int32_t value_;
  uint32_t radix_;
  bool made_ = false;
  wchar_t text_[41] = {};
};
