#include "engine/dom/XtlText.h"

#include "engine/base/GuidText.h"

#include <uuids.h>

#include <charconv>
#include <cmath>
#include <cwchar>
#include <limits>

namespace engine::xtl {

namespace {

constexpr REFERENCE_TIME kUnits = 10000000;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads a run of decimal digits into *value; false when there is none or it overflows.
bool ReadDigits(const wchar_t*& p, long long* value) {
  if (!IsDigit(*p)) return false;
  long long v = 0;
  while (IsDigit(*p)) {
    if (v > (std::numeric_limits<long long>::max() - 9) / 10) return false;
    v = v * 10 + (*p - L'0');
    ++p;
  }
  *value = v;
  return true;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The text without the blanks around it: other tools write " 25 " or a value on a line of its
// own, and attribute normalisation leaves such blanks in place.
std::wstring Trimmed(const wchar_t* text) {
  const wchar_t* begin = text;
  while (IsBlank(*begin)) ++begin;
  const wchar_t* end = begin + wcslen(begin);
  while (end > begin && IsBlank(end[-1])) --end;
  return std::wstring(begin, end);
}

// ASCII-only narrow copy, without surrounding blanks, for the number parsers; false for
// anything else.
bool Narrow(const wchar_t* text, std::string* out) {
  out->clear();
  for (wchar_t c : Trimmed(text)) {
    if (c > 0x7e || c < 0x20) return false;
    out->push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace

std::wstring FormatTime(REFERENCE_TIME t) {
  std::wstring text;
  unsigned long long magnitude;
  if (t < 0) {
    text = L"-";
    magnitude = static_cast<unsigned long long>(-(t + 1)) + 1;
  } else {
    magnitude = static_cast<unsigned long long>(t);
  }
  text += std::to_wstring(magnitude / kUnits);
  unsigned long long fraction = magnitude % kUnits;
  if (fraction) {
    wchar_t digits[8];
    swprintf(digits, 8, L"%07llu", fraction);
    std::wstring f(digits);
    f.erase(f.find_last_not_of(L'0') + 1);
    text += L'.';
    text += f;
  }
  return text;
}

bool ParseTime(const wchar_t* text, REFERENCE_TIME* t) {
  if (!text) return false;
  const std::wstring trimmed = Trimmed(text);
  const wchar_t* p = trimmed.c_str();
  bool negative = false;
  if (*p == L'-') {
    negative = true;
    ++p;
  }
  long long parts[3];
  int count = 0;
  for (;;) {
    if (count == 3 || !ReadDigits(p, &parts[count])) return false;
    ++count;
    if (*p != L':') break;
    ++p;
  }
  // Units below the leading one count up to 59 only.
  for (int i = 1; i < count; ++i)
    if (parts[i] > 59) return false;
  long long fraction = 0;
  if (*p == L'.') {
    ++p;
    if (!IsDigit(*p)) return false;
    int digits = 0;
    while (IsDigit(*p)) {
      if (digits < 7)
        fraction = fraction * 10 + (*p - L'0');
      else if (digits == 7 && *p >= L'5')
        ++fraction;  // round at 100 ns
      ++digits;
      ++p;
    }
    for (; digits < 7; ++digits) fraction *= 10;
  }
  if (*p) return false;
  long long seconds = 0;
  const long long limit = std::numeric_limits<long long>::max() / kUnits - 1;
  for (int i = 0; i < count; ++i) {
    if (seconds > limit / 60) return false;
    seconds = seconds * (i == 0 ? 1 : 60) + parts[i];
    if (seconds > limit) return false;
  }
  long long units = seconds * kUnits + fraction;
  *t = negative ? -units : units;
  return true;
}

bool ParseBool(const wchar_t* text, BOOL* value) {
  if (!text) return false;
  while (IsBlank(*text)) ++text;
  switch (text[0]) {
    case L'y':
    case L'Y':
    case L't':
    case L'T':
    case L'1': *value = TRUE; return true;
    case L'n':
    case L'N':
    case L'f':
    case L'F':
    case L'0': *value = FALSE; return true;
    default: return false;
  }
}

bool ParseLong(const wchar_t* text, LONG* value) {
  std::string s;
  if (!text || !Narrow(text, &s) || s.empty()) return false;
  long v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  *value = static_cast<LONG>(v);
  return true;
}

bool ParseDouble(const wchar_t* text, double* value) {
  std::string s;
  if (!text || !Narrow(text, &s) || s.empty()) return false;
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

std::wstring FormatDouble(double value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec != std::errc()) return L"0";
  return std::wstring(buffer, end);
}

std::wstring TrimBlanks(const wchar_t* text) { return text ? Trimmed(text) : std::wstring(); }

namespace {

struct NamedSubtype {
  const wchar_t* name;
  const GUID* subtype;
};
const NamedSubtype kSubtypes[] = {{L"RGB555", &MEDIASUBTYPE_RGB555},
                                  {L"RGB24", &MEDIASUBTYPE_RGB24},
                                  {L"RGB32", &MEDIASUBTYPE_RGB32},
                                  {L"ARGB32", &MEDIASUBTYPE_ARGB32},
                                  {L"RGB8", &MEDIASUBTYPE_RGB8}};

}  // namespace

std::wstring SubtypeText(const GUID& subtype) {
  for (const NamedSubtype& n : kSubtypes)
    if (*n.subtype == subtype) return n.name;
  return GuidToText(subtype);
}

bool ParseSubtype(const wchar_t* text, GUID* subtype) {
  if (!text) return false;
  const std::wstring t = Trimmed(text);
  for (const NamedSubtype& n : kSubtypes) {
    if (_wcsicmp(t.c_str(), n.name) == 0) {
      *subtype = *n.subtype;
      return true;
    }
  }
  return ParseGuidText(t.c_str(), subtype);
}

std::wstring HexEncode(const std::vector<BYTE>& bytes) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text;
  text.reserve(bytes.size() * 2);
  for (BYTE b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

bool HexDecode(const wchar_t* text, std::vector<BYTE>* bytes) {
  auto nibble = [](wchar_t c) -> int {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
  };
  size_t n = wcslen(text);
  if (n % 2) return false;
  std::vector<BYTE> out(n / 2);
  for (size_t i = 0; i < n; i += 2) {
    int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out[i / 2] = static_cast<BYTE>(hi * 16 + lo);
  }
  bytes->swap(out);
  return true;
}

bool AppendEscaped(std::wstring& out, const wchar_t* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    wchar_t c = text[i];
    switch (c) {
      case L'&': out += L"&amp;"; continue;
      case L'<': out += L"&lt;"; continue;
      case L'>': out += L"&gt;"; continue;
      case L'"': out += L"&quot;"; continue;
      case L'\t': out += L"&#9;"; continue;
      case L'\n': out += L"&#10;"; continue;
      case L'\r': out += L"&#13;"; continue;
      default: break;
    }
    if (c < 0x20 || c == 0xFFFE || c == 0xFFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= length || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      out += c;
      out += text[++i];
      continue;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return false;
    out += c;
  }
  return true;
}

}  // namespace engine::xtl
