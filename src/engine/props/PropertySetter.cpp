#include "engine/props/PropertySetter.h"

#include "engine/props/ParamXml.h"
#include "engine/props/PropsBlob.h"
#include "engine/dom/DomReader.h"

#include <cstring>

using Microsoft::WRL::ComPtr;

namespace engine {

HRESULT PropertySetter::Create(REFIID iid, void** out) {
  auto* setter = new (std::nothrow) PropertySetter();
  if (!setter) return E_OUTOFMEMORY;
  HRESULT hr = setter->QueryInterface(iid, out);
  setter->Release();
  return hr;
}

STDMETHODIMP PropertySetter::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IPropertySetter, this}});
}

STDMETHODIMP PropertySetter::LoadXML(IUnknown* xml) {
  if (!xml) return E_POINTER;
  ComPtr<IXMLDOMNode> node;
  if (FAILED(xml->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(node.GetAddressOf())))) return E_NOINTERFACE;
  // A document stands for its root element.
  ComPtr<IXMLDOMDocument> doc;
  if (SUCCEEDED(node->QueryInterface(IID_IXMLDOMDocument, reinterpret_cast<void**>(doc.GetAddressOf())))) {
    ComPtr<IXMLDOMElement> root;
    if (FAILED(doc->get_documentElement(&root)) || !root) return VFW_E_INVALID_FILE_FORMAT;
    node = root;
  }
  std::vector<Parameter> loaded;
  lastError_.clear();
  HRESULT hr = ReadParamsXml(node.Get(), &loaded, &lastError_);
  if (FAILED(hr)) return hr;
  // Keyframes read together replace what the setter held, like any other load.
  params_.swap(loaded);
  return S_OK;
}

STDMETHODIMP PropertySetter::PrintXMLW(WCHAR* xml, int size, int* printed, int indent) {
  if (!printed) return E_POINTER;
  std::wstring text;
  if (!AppendParamsXml(text, params_, indent)) return E_INVALIDARG;
  *printed = static_cast<int>(text.size());
  if (!xml) return S_OK;  // a size query
  if (size <= static_cast<int>(text.size())) {
    if (size > 0) xml[0] = 0;
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  }
  memcpy(xml, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
  return S_OK;
}

STDMETHODIMP PropertySetter::PrintXML(char* xml, int size, int* printed, int indent) {
  if (!printed) return E_POINTER;
  std::wstring text;
  if (!AppendParamsXml(text, params_, indent)) return E_INVALIDARG;
  int needed = text.empty() ? 0
                            : WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                                  nullptr, nullptr);
  *printed = needed;
  if (!xml) return S_OK;
  if (size <= needed) {
    if (size > 0) xml[0] = 0;
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  }
  if (needed)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), xml, needed, nullptr, nullptr);
  xml[needed] = 0;
  return S_OK;
}

STDMETHODIMP PropertySetter::CloneProps(IPropertySetter** setter, REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (!setter) return E_POINTER;
  *setter = nullptr;
  if (stop < start) return E_INVALIDARG;
  auto* clone = new (std::nothrow) PropertySetter();
  if (!clone) return E_OUTOFMEMORY;
  // The clone covers [start, stop) of this one, retimed to begin at 0: it starts with the
  // value in force at `start`, then the keyframes inside the span.
  for (const Parameter& p : params_) {
    Parameter q{p.name, p.dispId, {}};
    Keyframe first;
    EvaluateKeyframes(p.keyframes, start, &first.value.v);
    q.keyframes.push_back(first);
    for (const Keyframe& k : p.keyframes) {
      if (k.time <= start || k.time >= stop) continue;
      Keyframe shifted = k;
      shifted.time = k.time - start;
      q.keyframes.push_back(shifted);
    }
    clone->params_.push_back(std::move(q));
  }
  *setter = clone;
  return S_OK;
}

STDMETHODIMP PropertySetter::AddProp(DEXTER_PARAM param, DEXTER_VALUE* values) {
  if (!values) return E_POINTER;
  if (!param.name || !*param.name || param.nValues < 1) return E_INVALIDARG;
  Parameter p;
  p.name.assign(param.name, SysStringLen(param.name));
  p.dispId = param.dispID;
  p.keyframes.resize(static_cast<size_t>(param.nValues));
  for (LONG i = 0; i < param.nValues; ++i) {
    const DEXTER_VALUE& v = values[i];
    if (v.dwInterp != DEXTERF_JUMP && v.dwInterp != DEXTERF_INTERPOLATE) return E_INVALIDARG;
    if (i > 0 && v.rt < values[i - 1].rt) return E_INVALIDARG;
    Keyframe& k = p.keyframes[static_cast<size_t>(i)];
    HRESULT hr = VariantCopy(&k.value.v, const_cast<VARIANT*>(&v.v));
    if (FAILED(hr)) return hr;
    k.time = v.rt;
    k.interp = v.dwInterp;
  }
  // Setting a parameter again replaces its values: one name, one list of keyframes.
  for (Parameter& existing : params_) {
    if (xtl::SameName(existing.name.c_str(), p.name.c_str())) {
      existing = std::move(p);
      return S_OK;
    }
  }
  params_.push_back(std::move(p));
  return S_OK;
}

STDMETHODIMP PropertySetter::GetProps(LONG* count, DEXTER_PARAM** params, DEXTER_VALUE** values) {
  if (!count || !params || !values) return E_POINTER;
  *count = 0;
  *params = nullptr;
  *values = nullptr;
  if (params_.empty()) return S_OK;
  size_t total = 0;
  for (const Parameter& p : params_) total += p.keyframes.size();
  auto* outParams = static_cast<DEXTER_PARAM*>(CoTaskMemAlloc(sizeof(DEXTER_PARAM) * params_.size()));
  auto* outValues = static_cast<DEXTER_VALUE*>(CoTaskMemAlloc(sizeof(DEXTER_VALUE) * (total ? total : 1)));
  if (!outParams || !outValues) {
    CoTaskMemFree(outParams);
    CoTaskMemFree(outValues);
    return E_OUTOFMEMORY;
  }
  size_t v = 0;
  for (size_t i = 0; i < params_.size(); ++i) {
    const Parameter& p = params_[i];
    outParams[i].name = SysAllocStringLen(p.name.data(), static_cast<UINT>(p.name.size()));
    outParams[i].dispID = p.dispId;
    outParams[i].nValues = static_cast<LONG>(p.keyframes.size());
    for (const Keyframe& k : p.keyframes) {
      VariantInit(&outValues[v].v);
      VariantCopy(&outValues[v].v, const_cast<VARIANT*>(&k.value.v));
      outValues[v].rt = k.time;
      outValues[v].dwInterp = k.interp;
      ++v;
    }
  }
  *count = static_cast<LONG>(params_.size());
  *params = outParams;
  *values = outValues;
  return S_OK;
}

STDMETHODIMP PropertySetter::FreeProps(LONG count, DEXTER_PARAM* params, DEXTER_VALUE* values) {
  if (count < 0) return E_INVALIDARG;
  LONG total = 0;
  for (LONG i = 0; params && i < count; ++i) {
    SysFreeString(params[i].name);
    total += params[i].nValues;
  }
  for (LONG i = 0; values && i < total; ++i) VariantClear(&values[i].v);
  CoTaskMemFree(params);
  CoTaskMemFree(values);
  return S_OK;
}

STDMETHODIMP PropertySetter::ClearProps() {
  params_.clear();
  return S_OK;
}

STDMETHODIMP PropertySetter::SaveToBlob(LONG* size, BYTE** blob) {
  if (!size || !blob) return E_POINTER;
  *size = 0;
  *blob = nullptr;
  std::vector<BYTE> bytes;
  HRESULT hr = SaveParamsToBlob(params_, &bytes);
  if (FAILED(hr)) return hr;
  *blob = static_cast<BYTE*>(CoTaskMemAlloc(bytes.size()));
  if (!*blob) return E_OUTOFMEMORY;
  memcpy(*blob, bytes.data(), bytes.size());
  *size = static_cast<LONG>(bytes.size());
  return S_OK;
}

STDMETHODIMP PropertySetter::LoadFromBlob(LONG size, BYTE* blob) {
  if (size < 0) return E_INVALIDARG;
  return LoadParamsFromBlob(blob, static_cast<size_t>(size), &params_);
}

STDMETHODIMP PropertySetter::SetProps(IUnknown* target, REFERENCE_TIME now) {
  if (!target) return E_POINTER;
  ComPtr<IDispatch> dispatch;
  HRESULT hr = target->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()));
  if (FAILED(hr)) return hr;
  HRESULT result = S_OK;
  for (const Parameter& p : params_) {
    OwnedVariant value;
    if (FAILED(EvaluateKeyframes(p.keyframes, now, &value.v))) continue;
    DISPID id = p.dispId;
    LPOLESTR name = const_cast<LPOLESTR>(p.name.c_str());
    if (FAILED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) {
      result = DISP_E_UNKNOWNNAME;
      continue;
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS args{&value.v, &named, 1, 1};
    if (FAILED(dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &args, nullptr, nullptr,
                                nullptr)))
      result = E_FAIL;
  }
  return result;
}

HRESULT PropertySetter::Evaluate(const wchar_t* name, REFERENCE_TIME t, VARIANT* value) const {
  if (!name || !value) return E_POINTER;
  for (const Parameter& p : params_)
    if (xtl::SameName(p.name.c_str(), name)) return EvaluateKeyframes(p.keyframes, t, value);
  return DISP_E_UNKNOWNNAME;
}

}  // namespace engine
