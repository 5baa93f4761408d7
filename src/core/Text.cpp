#include "core/Text.h"

#include <cstdarg>
#include <cwchar>
#include <stdio.h>

std::unique_ptr<wchar_t[]> ConcatText(TextList texts) {
  if (texts.size() == 0 || *texts.begin() == nullptr) return nullptr;
  size_t length = 0;
  for (const wchar_t* t : texts) {
    if (!t) break;
    length += wcslen(t);
  }
  auto result = std::make_unique<wchar_t[]>(length + 1);
  ConcatText(result.get(), length + 1, texts);
  return result;
}

wchar_t* ConcatText(wchar_t* dest, size_t capacity, TextList texts) {
  if (!dest || capacity == 0 || texts.size() == 0 || *texts.begin() == nullptr) return nullptr;
  size_t used = 0;
  auto it = texts.begin();
  if (*it == dest) {
    // Appending to what dest already holds.
    used = wcsnlen(dest, capacity - 1);
    ++it;
  }
  for (; it != texts.end() && *it; ++it) {
    for (const wchar_t* p = *it; *p && used + 1 < capacity; ++p) dest[used++] = *p;
  }
  dest[used] = L'\0';
  return dest;
}

int FormatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
  if (!buffer || capacity == 0 || !format) return -1;
  va_list args;
  va_start(args, format);
  // The platform's own printing: %s takes wide text and %I64u is understood.
  int written = _vsnwprintf(buffer, capacity, format, args);
  va_end(args);
  if (written < 0 || static_cast<size_t>(written) >= capacity) {
    buffer[capacity - 1] = L'\0';
    return -1;
  }
  return written;
}

std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator, size_t maxPieces) {
  std::vector<std::wstring> pieces;
  size_t pos = 0;
  while (pos < text.size() && maxPieces > 0) {
    if (text[pos] == separator) {
      ++pos;
      continue;
    }
    if (pieces.size() + 1 == maxPieces) {
      pieces.push_back(text.substr(pos));
      break;
    }
    size_t end = text.find(separator, pos);
    if (end == std::wstring::npos) end = text.size();
    pieces.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  return pieces;
}

std::wstring ShortNumber(double value) {
  wchar_t text[64] = {};
  if (FormatText(text, 64, L"%.6f", value) < 0) return L"";
  std::wstring result = text;
  if (result.find(L'.') != std::wstring::npos) {
    while (!result.empty() && result.back() == L'0') result.pop_back();
    if (!result.empty() && result.back() == L'.') result.pop_back();
  }
  return result;
}
