#include "core/IntText.h"

const wchar_t* IntText::get() {
  if (made_) return text_;
  made_ = true;
  if (radix_ < 2 || radix_ > 36) return text_;
  static const wchar_t kDigits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
  wchar_t reversed[40];
  int n = 0;
  uint32_t v = static_cast<uint32_t>(value_);
  do {
    reversed[n++] = kDigits[v % radix_];
    v /= radix_;
  } while (v != 0);
  for (int i = 0; i < n; ++i) text_[i] = reversed[n - 1 - i];
  text_[n] = L'\0';
  return text_;
}
