#include "services/XmlFileLoad.h"

#include <wrl/client.h>

#include <cstring>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

// A file handle closed on every way out.
struct FileHandle {
  HANDLE h;
  ~FileHandle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

HRESULT LastError() {
  const DWORD err = GetLastError();
  return err ? HRESULT_FROM_WIN32(err) : E_FAIL;
}

void TrimEnd(std::wstring* text) {
  while (!text->empty() &&
         (text->back() == L' ' || text->back() == L'\t' || text->back() == L'\r' || text->back() == L'\n'))
    text->pop_back();
}

std::wstring LocateXmlError(IStream* stream);

// Why the document did not parse: its own account when it has a line, else where our own
// reading of the text finds the fault. Under the emulation we run on, the document service's
// parse error carries neither line nor reason, and its pull reader aborts the process on
// some damaged texts, so it cannot stand in.
std::wstring ParseErrorText(IXMLDOMDocument* document, IStream* stream) {
  ComPtr<IXMLDOMParseError> error;
  LONG line = 0, column = 0;
  BSTR reason = nullptr;
  if (SUCCEEDED(document->get_parseError(&error)) && error) {
    error->get_line(&line);
    error->get_linepos(&column);
    error->get_reason(&reason);
  }
  std::wstring why = reason ? std::wstring(reason, SysStringLen(reason)) : std::wstring();
  SysFreeString(reason);
  TrimEnd(&why);
  if (line > 0) {
    if (why.empty()) why = L"the text is not well-formed XML";
    return L"line " + std::to_wstring(line) + L", column " + std::to_wstring(column) + L": " + why;
  }
  std::wstring located = LocateXmlError(stream);
  if (!located.empty()) return located;
  return L"the text is not well-formed XML";
}

// Code units of a text in UTF-8 (or another byte encoding) or in UTF-16 of either order.
class Units {
 public:
  Units(const unsigned char* data, size_t size) : data_(data) {
    if (size >= 2 && (data[0] == 0xFF || data[0] == 0xFE) && data[0] + data[1] == 0xFF + 0xFE) {
      width_ = 2;
      little_ = data[0] == 0xFF;
      first_ = 1;
    }
    count_ = size / width_;
  }
  size_t First() const { return first_; }
  size_t Count() const { return count_; }
  size_t Width() const { return width_; }
  unsigned operator[](size_t i) const {
    if (width_ == 1) return data_[i];
    const unsigned char* p = data_ + 2 * i;
    return little_ ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1];
  }
  bool StartsWith(size_t i, const char* s) const {
    for (; *s; ++s, ++i)
      if (i >= count_ || (*this)[i] != static_cast<unsigned char>(*s)) return false;
    return true;
  }
  // The position just past the next `end` from i on, or the end of the text.
  size_t SkipPast(size_t i, const char* end) const {
    for (; i < count_; ++i)
      if (StartsWith(i, end)) return i + strlen(end);
    return count_;
  }
  // "line L, column C: " of position i, counted as an editor shows them.
  std::wstring Where(size_t i) const {
    size_t line = 1, column = 1;
    Position(i, &line, &column);
    return L"line " + std::to_wstring(line) + L", column " + std::to_wstring(column) + L": ";
  }
  void Position(size_t i, size_t* lineOut, size_t* columnOut) const {
    size_t line = 1, column = 1;
    for (size_t k = first_; k < i && k < count_; ++k) {
      const unsigned c = (*this)[k];
      if (c == '\n') {
        ++line;
        column = 1;
      } else if (width_ == 2 || (c & 0xC0) != 0x80) {  // UTF-8 continuation bytes add no column
        ++column;
      }
    }
    *lineOut = line;
    *columnOut = column;
  }
  // The text of [begin, end) as UTF-16 units taken one by one: enough to compare and show names.
  std::wstring Text(size_t begin, size_t end) const {
    std::wstring text;
    for (size_t k = begin; k < end && k < count_; ++k) text += static_cast<wchar_t>((*this)[k]);
    return text;
  }

 private:
  const unsigned char* data_;
  size_t count_ = 0;
  size_t width_ = 1;
  size_t first_ = 0;
  bool little_ = true;
};

bool IsBlankUnit(unsigned c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameStart(unsigned c) {
  return c == ':' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
}
bool IsNameUnit(unsigned c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// The first place where the text stops being well-formed XML, as "line L, column C: reason";
// empty when none of the faults looked for is found. Checks the structure the documents we
// read depend on: tags and their nesting, attributes, references, comments and sections.
std::wstring LocateXmlFault(const Units& t) {
  const size_t n = t.Count();
  size_t i = t.First();
  if (t.Width() == 1 && t.StartsWith(i, "\xEF\xBB\xBF")) i += 3;
  struct Open {
    std::wstring name;
    size_t at;
  };
  std::vector<Open> open;
  bool rootSeen = false, rootClosed = false;
  auto fault = [&](size_t at, const std::wstring& reason) { return t.Where(at) + reason; };
  auto name = [&](size_t* k) {
    const size_t begin = *k;
    if (*k < n && IsNameStart(t[*k]))
      while (*k < n && IsNameUnit(t[*k])) ++*k;
    return t.Text(begin, *k);
  };
  auto blanks = [&](size_t* k) {
    const size_t begin = *k;
    while (*k < n && IsBlankUnit(t[*k])) ++*k;
    return *k > begin;
  };
  // A reference at k ('&'): false when it is not one.
  auto reference = [&](size_t* k) {
    size_t j = *k + 1;
    if (j < n && t[j] == '#') {
      ++j;
      const bool hex = j < n && t[j] == 'x';
      if (hex) ++j;
      const size_t digits = j;
      while (j < n &&
             ((t[j] >= '0' && t[j] <= '9') || (hex && ((t[j] >= 'a' && t[j] <= 'f') || (t[j] >= 'A' && t[j] <= 'F')))))
        ++j;
      if (j == digits) return false;
    } else if (name(&j).empty()) {
      return false;
    }
    if (j >= n || t[j] != ';') return false;
    *k = j + 1;
    return true;
  };
  auto lineOf = [&](size_t at) {
    size_t line = 1, column = 1;
    t.Position(at, &line, &column);
    return std::to_wstring(line);
  };
  while (i < n) {
    const unsigned c = t[i];
    if (c != '<') {
      if (c == '&' && !reference(&i)) return fault(i, L"an '&' begins no character or entity reference");
      if (!IsBlankUnit(c) && open.empty())
        return fault(i, rootClosed ? L"more follows after the root element" : L"text stands outside the root element");
      if (c != '&') ++i;
      continue;
    }
    const size_t start = i;
    if (t.StartsWith(i, "<!--")) {
      i = t.SkipPast(i + 4, "-->");
      if (i >= n && !t.StartsWith(n - 3, "-->")) return fault(start, L"a comment is not closed");
    } else if (t.StartsWith(i, "<![CDATA[")) {
      if (open.empty()) return fault(start, L"a CDATA section stands outside the root element");
      i = t.SkipPast(i + 9, "]]>");
      if (i >= n && !t.StartsWith(n - 3, "]]>")) return fault(start, L"a CDATA section is not closed");
    } else if (t.StartsWith(i, "<?")) {
      i = t.SkipPast(i + 2, "?>");
      if (i >= n && !t.StartsWith(n - 2, "?>")) return fault(start, L"a processing instruction is not closed");
    } else if (t.StartsWith(i, "<!")) {
      return fault(start, L"a document type declaration is not allowed");
    } else if (t.StartsWith(i, "</")) {
      i += 2;
      const std::wstring closing = name(&i);
      if (closing.empty()) return fault(start, L"an end tag has no name");
      blanks(&i);
      if (i >= n || t[i] != '>') return fault(i, L"the end tag </" + closing + L"> lacks its '>'");
      ++i;
      if (open.empty()) return fault(start, L"the end tag </" + closing + L"> closes no element");
      if (open.back().name != closing)
        return fault(start, L"the end tag </" + closing + L"> does not match <" + open.back().name + L"> of line " +
                                lineOf(open.back().at));
      open.pop_back();
      rootClosed = open.empty();
    } else {
      if (rootClosed) return fault(start, L"more follows after the root element");
      ++i;
      const std::wstring element = name(&i);
      if (element.empty()) return fault(start, L"a '<' begins no tag");
      for (;;) {
        const bool blank = blanks(&i);
        if (i >= n) return fault(start, L"the tag <" + element + L"> is not closed");
        if (t[i] == '>' || t.StartsWith(i, "/>")) {
          const bool empty = t[i] == '/';
          i += empty ? 2 : 1;
          rootSeen = true;
          if (!empty)
            open.push_back({element, start});
          else
            rootClosed = open.empty();
          break;
        }
        if (!blank) return fault(i, L"a blank is missing before an attribute of <" + element + L">");
        const size_t attributeAt = i;
        const std::wstring attribute = name(&i);
        if (attribute.empty())
          return fault(i, L"the tag <" + element + L"> holds a character that begins no attribute");
        blanks(&i);
        if (i >= n || t[i] != '=') return fault(attributeAt, L"the attribute '" + attribute + L"' lacks its '='");
        ++i;
        blanks(&i);
        if (i >= n || (t[i] != '"' && t[i] != '\''))
          return fault(i, L"the value of '" + attribute + L"' lacks its quotation marks");
        const unsigned quote = t[i];
        const size_t valueAt = i++;
        while (i < n && t[i] != quote) {
          if (t[i] == '<') return fault(i, L"a '<' stands inside the value of '" + attribute + L"'");
          if (t[i] == '&') {
            if (!reference(&i)) return fault(i, L"an '&' begins no character or entity reference");
          } else {
            ++i;
          }
        }
        if (i >= n) return fault(valueAt, L"the value of '" + attribute + L"' is not closed");
        ++i;
      }
    }
  }
  if (!open.empty())
    return fault(n,
                 L"the text ends before <" + open.back().name + L"> of line " + lineOf(open.back().at) + L" is closed");
  if (!rootSeen) return fault(n, L"the text holds no element");
  return std::wstring();
}

std::wstring LocateXmlError(IStream* stream) {
  HGLOBAL memory = nullptr;
  STATSTG stat{};
  if (FAILED(GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return {};
  const auto* data = static_cast<const unsigned char*>(GlobalLock(memory));
  if (!data) return {};
  std::wstring where = LocateXmlFault(Units(data, static_cast<size_t>(stat.cbSize.QuadPart)));
  GlobalUnlock(memory);
  return where;
}

}  // namespace

bool PrescanXml(const unsigned char* data, size_t size, std::wstring* why) {
  if (!data) return true;
  const Units text(data, size);
  const size_t n = text.Count();
  size_t i = text.First();
  auto refuse = [&](size_t at, const std::wstring& reason) {
    if (why) *why = text.Where(at) + reason;
    return false;
  };
  while (i < n) {
    if (text[i] != '<') {
      ++i;
      continue;
    }
    const size_t open = i;
    if (text.StartsWith(i, "<!--")) {
      i = text.SkipPast(i + 4, "-->");
    } else if (text.StartsWith(i, "<![CDATA[")) {
      i = text.SkipPast(i + 9, "]]>");
    } else if (text.StartsWith(i, "<?")) {
      i = text.SkipPast(i + 2, "?>");
    } else if (text.StartsWith(i, "<!")) {
      // A declaration: its internal subset may hold quoted text and '>' inside brackets.
      int depth = 0;
      unsigned quote = 0;
      for (i += 2; i < n; ++i) {
        const unsigned c = text[i];
        if (quote) {
          if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '[') {
          ++depth;
        } else if (c == ']') {
          --depth;
        } else if (c == '>' && depth <= 0) {
          break;
        }
      }
      ++i;
    } else {
      // A tag: its attribute values are the quoted runs before the '>' that ends it.
      size_t attributes = 0;
      for (++i; i < n && text[i] != '>'; ++i) {
        const unsigned quote = text[i];
        if (quote != '"' && quote != '\'') continue;
        const size_t value = ++i;
        while (i < n && text[i] != quote) ++i;
        if ((i - value) * text.Width() > kXmlMaxAttributeValueBytes)
          return refuse(value, L"an attribute value is longer than " +
                                   std::to_wstring(kXmlMaxAttributeValueBytes / (1024 * 1024)) +
                                   L" MB, more than any project holds; the file is damaged");
        if (++attributes > kXmlMaxAttributesPerElement)
          return refuse(open, L"an element carries more than " + std::to_wstring(kXmlMaxAttributesPerElement) +
                                  L" attributes, more than any project holds; the file is damaged");
      }
      ++i;
    }
  }
  return true;
}

HRESULT LoadXmlFile(IXMLDOMDocument* document, const wchar_t* path, VARIANT_BOOL* loaded, std::wstring* why) {
  if (why) why->clear();
  if (!document || !path || !loaded) return E_POINTER;
  *loaded = VARIANT_FALSE;
  FileHandle file{CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.h == INVALID_HANDLE_VALUE) return LastError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.h, &size)) return LastError();
  // Project and timeline files are text of a few megabytes at most; a stream holds it whole.
  if (size.QuadPart > 0x7FFFFFFF) return E_OUTOFMEMORY;
  const DWORD bytes = static_cast<DWORD>(size.QuadPart);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes ? bytes : 1);
  if (!memory) return E_OUTOFMEMORY;
  ComPtr<IStream> stream;
  HRESULT hr = CreateStreamOnHGlobal(memory, TRUE, &stream);  // the stream frees the memory
  if (FAILED(hr)) {
    GlobalFree(memory);
    return hr;
  }
  void* data = GlobalLock(memory);
  DWORD read = 0;
  const BOOL ok = data && ReadFile(file.h, data, bytes, &read, nullptr);
  const HRESULT readHr = ok ? S_OK : LastError();
  std::wstring refused;
  const bool plausible = !ok || PrescanXml(static_cast<const unsigned char*>(data), read, &refused);
  if (data) GlobalUnlock(memory);
  if (FAILED(readHr)) return readHr;
  if (read != bytes) return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);  // the file shrank while read
  if (!plausible) {
    if (why) *why = refused;
    return S_OK;
  }
  ULARGE_INTEGER length;
  length.QuadPart = bytes;
  if (FAILED(hr = stream->SetSize(length))) return hr;
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_UNKNOWN;
  source.punkVal = stream.Get();  // borrowed: not cleared
  // Measured: from a stream, a document that does not parse fails the call instead of
  // answering S_FALSE as it does for a file name; callers see the same either way.
  if (FAILED(document->load(source, loaded))) *loaded = VARIANT_FALSE;
  if (!*loaded && why) *why = ParseErrorText(document, stream.Get());
  return S_OK;
}
