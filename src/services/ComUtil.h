// Small COM helpers used across the tree: an interface of an object, a BSTR owner, and the
// pins of a filter.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <strmif.h>
#include <wrl/client.h>

#include <string>
#include <vector>

// The object's interface I, or null when it has none.
template <class I>
Microsoft::WRL::ComPtr<I> As(IUnknown* object) {
  Microsoft::WRL::ComPtr<I> p;
  if (object) object->QueryInterface(__uuidof(I), reinterpret_cast<void**>(p.GetAddressOf()));
  return p;
}

// Takes over a reference the caller already holds. MinGW's ComPtr::Attach adds a reference of
// its own, which would leak one with every call; this hands the pointer over as it is.
template <class T>
void Adopt(Microsoft::WRL::ComPtr<T>& owner, typename Microsoft::WRL::ComPtr<T>::InterfaceType* raw) {
  owner.Reset();
  *owner.GetAddressOf() = raw;
}

// Owns one BSTR: made from text, or filled through Out() by a call that hands one back.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* text) : text_(text ? SysAllocString(text) : nullptr) {}
  explicit Bstr(const std::wstring& text) : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR Get() const { return text_; }
  operator BSTR() const { return text_; }
  // For an out parameter: what it held before is freed first.
  BSTR* Out() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  // The text, embedded nulls included; empty for none.
  std::wstring Text() const { return text_ ? std::wstring(text_, SysStringLen(text_)) : std::wstring(); }

 private:
  BSTR text_ = nullptr;
};

// A filter's pins of one direction, in its order.
std::vector<Microsoft::WRL::ComPtr<IPin>> FilterPins(IBaseFilter* filter, PIN_DIRECTION direction);
// The first pin of that direction; VFW_E_NOT_FOUND when it has none.
HRESULT FirstPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin);
