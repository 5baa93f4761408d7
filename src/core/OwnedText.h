#pragma once
#include "core/Text.h"

// An owned joined text (ConcatText without a destination); freed with its holder.
class OwnedText {
 public:
  OwnedText() = default;
  OwnedText(TextList texts) : text_(ConcatText(texts)) {}
  template <typename... T>
  explicit OwnedText(const wchar_t* first, T... rest) : text_(ConcatText({first, rest...})) {}

  const wchar_t* get() const { return text_.get(); }
  operator const wchar_t*() const { return text_.get(); }
  explicit operator bool() const { return text_ != nullptr; }

 private:
  std::unique_ptr<wchar_t[]> text_;
};
