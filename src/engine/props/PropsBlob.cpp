#include "engine/props/PropsBlob.h"

#include <cstring>

namespace engine {

namespace {

constexpr char kMagic[4] = {'M', 'R', 'Q', 'P'};
constexpr unsigned kVersion = 1;
constexpr unsigned kNullString = 0xFFFFFFFFu;

class Writer {
 public:
  explicit Writer(std::vector<BYTE>* out) : out_(out) {}
  void Bytes(const void* p, size_t n) {
    if (n == 0) return;
    size_t at = out_->size();
    out_->resize(at + n);
    memcpy(out_->data() + at, p, n);
  }
  template <class T>
  void Put(T v) {
    Bytes(&v, sizeof v);
  }
  void String(const wchar_t* s, unsigned length) {
    Put<unsigned>(length);
    Bytes(s, length * sizeof(wchar_t));
  }

 private:
  std::vector<BYTE>* out_;
};

class Reader {
 public:
  Reader(const BYTE* p, size_t n) : p_(p), left_(n) {}
  bool Bytes(void* dst, size_t n) {
    if (n > left_) return false;
    memcpy(dst, p_, n);
    p_ += n;
    left_ -= n;
    return true;
  }
  template <class T>
  bool Get(T* v) {
    return Bytes(v, sizeof *v);
  }
  size_t Left() const { return left_; }

 private:
  const BYTE* p_;
  size_t left_;
};

size_t PayloadSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE: return 8;
    default: return 0;
  }
}

}  // namespace

HRESULT SaveParamsToBlob(const std::vector<Parameter>& params, std::vector<BYTE>* blob) {
  blob->clear();
  Writer w(blob);
  w.Bytes(kMagic, 4);
  w.Put<unsigned>(kVersion);
  w.Put<unsigned>(static_cast<unsigned>(params.size()));
  for (const Parameter& p : params) {
    w.String(p.name.data(), static_cast<unsigned>(p.name.size()));
    w.Put<LONG>(p.dispId);
    w.Put<unsigned>(static_cast<unsigned>(p.keyframes.size()));
    for (const Keyframe& k : p.keyframes) {
      w.Put<REFERENCE_TIME>(k.time);
      w.Put<DWORD>(k.interp);
      VARIANT v;
      VariantInit(&v);
      HRESULT hr = VariantCopy(&v, const_cast<VARIANT*>(&k.value.v));
      // Types without a fixed-size payload travel as text.
      if (SUCCEEDED(hr) && v.vt != VT_EMPTY && v.vt != VT_BSTR && PayloadSize(v.vt) == 0)
        hr = VariantChangeTypeEx(&v, &v, LOCALE_INVARIANT, 0, VT_BSTR);
      if (FAILED(hr)) {
        VariantClear(&v);
        return hr;
      }
      w.Put<VARTYPE>(v.vt);
      if (v.vt == VT_BSTR) {
        if (v.bstrVal)
          w.String(v.bstrVal, SysStringLen(v.bstrVal));
        else
          w.Put<unsigned>(kNullString);
      } else if (size_t n = PayloadSize(v.vt)) {
        w.Bytes(&v.bVal, n);  // the union's first bytes hold every fixed-size payload
      }
      VariantClear(&v);
    }
  }
  return S_OK;
}

HRESULT LoadParamsFromBlob(const BYTE* blob, size_t size, std::vector<Parameter>* params) {
  if (!blob) return E_POINTER;
  Reader r(blob, size);
  char magic[4];
  unsigned version = 0, count = 0;
  if (!r.Bytes(magic, 4) || memcmp(magic, kMagic, 4) != 0 || !r.Get(&version) || version != kVersion || !r.Get(&count))
    return E_INVALIDARG;
  std::vector<Parameter> loaded;
  for (unsigned i = 0; i < count; ++i) {
    Parameter p;
    unsigned length = 0, keys = 0;
    if (!r.Get(&length) || length > r.Left() / sizeof(wchar_t)) return E_INVALIDARG;
    p.name.resize(length);
    if (!r.Bytes(p.name.data(), length * sizeof(wchar_t))) return E_INVALIDARG;
    LONG dispId = 0;
    if (!r.Get(&dispId) || !r.Get(&keys)) return E_INVALIDARG;
    // Each keyframe takes at least 14 bytes: a count beyond that is damage, not a request.
    if (keys > r.Left() / 14) return E_INVALIDARG;
    p.dispId = dispId;
    p.keyframes.resize(keys);
    for (Keyframe& k : p.keyframes) {
      VARTYPE vt = 0;
      if (!r.Get(&k.time) || !r.Get(&k.interp) || !r.Get(&vt)) return E_INVALIDARG;
      if (k.interp != DEXTERF_JUMP && k.interp != DEXTERF_INTERPOLATE) return E_INVALIDARG;
      if (&k != &p.keyframes.front() && k.time < (&k - 1)->time) return E_INVALIDARG;
      if (vt == VT_BSTR) {
        unsigned n = 0;
        if (!r.Get(&n)) return E_INVALIDARG;
        k.value.v.vt = VT_BSTR;
        if (n == kNullString) continue;
        if (n > r.Left() / sizeof(wchar_t)) return E_INVALIDARG;
        k.value.v.bstrVal = SysAllocStringLen(nullptr, n);
        if (!k.value.v.bstrVal) return E_OUTOFMEMORY;
        r.Bytes(k.value.v.bstrVal, n * sizeof(wchar_t));
      } else if (vt == VT_EMPTY) {
      } else if (size_t n = PayloadSize(vt)) {
        k.value.v.vt = vt;
        if (!r.Bytes(&k.value.v.bVal, n)) return E_INVALIDARG;
      } else {
        return E_INVALIDARG;
      }
    }
    if (p.keyframes.empty()) return E_INVALIDARG;
    loaded.push_back(std::move(p));
  }
  if (r.Left() != 0) return E_INVALIDARG;
  params->swap(loaded);
  return S_OK;
}

}  // namespace engine
