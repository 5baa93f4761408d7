#include "engine/props/ParamXml.h"

#include "engine/dom/DomReader.h"
#include "engine/dom/XtlText.h"

using Microsoft::WRL::ComPtr;

namespace engine {

bool VariantText(const VARIANT& v, std::wstring* text) {
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL: text->clear(); return true;
    case VT_BSTR: text->assign(v.bstrVal ? v.bstrVal : L"", v.bstrVal ? SysStringLen(v.bstrVal) : 0); return true;
    case VT_R8: *text = xtl::FormatDouble(v.dblVal); return true;
    case VT_R4: *text = xtl::FormatDouble(v.fltVal); return true;
    case VT_BOOL: *text = v.boolVal ? L"1" : L"0"; return true;
    default: {
      VARIANT s;
      VariantInit(&s);
      if (FAILED(VariantChangeTypeEx(&s, const_cast<VARIANT*>(&v), LOCALE_INVARIANT, 0, VT_BSTR))) return false;
      text->assign(s.bstrVal ? s.bstrVal : L"");
      VariantClear(&s);
      return true;
    }
  }
}

namespace {

void Indent(std::wstring& out, int levels) { out.append(static_cast<size_t>(levels > 0 ? levels : 0) * 2, L' '); }

bool AppendAttr(std::wstring& out, const wchar_t* name, const std::wstring& value) {
  out += L' ';
  out += name;
  out += L"=\"";
  if (!xtl::AppendEscaped(out, value.data(), value.size())) return false;
  out += L'"';
  return true;
}

}  // namespace

bool AppendParamsXml(std::wstring& out, const std::vector<Parameter>& params, int indent) {
  std::wstring text;
  for (const Parameter& p : params) {
    Indent(out, indent);
    out += L"<param";
    if (!AppendAttr(out, L"name", p.name)) return false;
    size_t first = 0;
    // A value that holds from the start is the param's own value; the rest are children.
    if (!p.keyframes.empty() && p.keyframes[0].time == 0 && p.keyframes[0].interp == DEXTERF_JUMP) {
      if (!VariantText(p.keyframes[0].value.v, &text) || !AppendAttr(out, L"value", text)) return false;
      first = 1;
    }
    if (first == p.keyframes.size()) {
      out += L"/>\n";
      continue;
    }
    out += L">\n";
    for (size_t i = first; i < p.keyframes.size(); ++i) {
      const Keyframe& k = p.keyframes[i];
      Indent(out, indent + 1);
      out += k.interp == DEXTERF_INTERPOLATE ? L"<linear" : L"<at";
      if (!AppendAttr(out, L"time", xtl::FormatTime(k.time))) return false;
      if (!VariantText(k.value.v, &text) || !AppendAttr(out, L"value", text)) return false;
      out += L"/>\n";
    }
    Indent(out, indent);
    out += L"</param>\n";
  }
  return true;
}

namespace {

HRESULT Fail(std::wstring* why, std::wstring text) {
  *why = std::move(text);
  return VFW_E_INVALID_FILE_FORMAT;
}

void SetText(Keyframe& k, const wchar_t* text) {
  k.value.v.vt = VT_BSTR;
  k.value.v.bstrVal = SysAllocString(text);
}

// Attributes and elements other tools add are passed over, as everywhere in XTL; what is read
// must still make sense.
HRESULT ReadParam(const xtl::DomElement& element, Parameter* param, std::wstring* why) {
  const wchar_t* name = element.Attr(L"name");
  if (!name || !*name) return Fail(why, L"<param> needs a name");
  param->name = name;
  if (const wchar_t* value = element.Attr(L"value")) {
    Keyframe k;
    SetText(k, value);
    param->keyframes.push_back(k);
  }
  std::vector<ComPtr<IXMLDOMNode>> children;
  HRESULT hr = element.Children(&children, why);
  if (FAILED(hr)) return VFW_E_INVALID_FILE_FORMAT;
  for (const auto& child : children) {
    xtl::DomElement key;
    if (FAILED(key.Load(child.Get()))) return Fail(why, L"unreadable keyframe");
    bool linear = key.NameIs(L"linear");
    if (!linear && !key.NameIs(L"at")) continue;
    const wchar_t* time = key.Attr(L"time");
    const wchar_t* value = key.Attr(L"value");
    Keyframe k;
    if (!time || !xtl::ParseTime(time, &k.time))
      return Fail(why, L"a keyframe of '" + param->name + L"' has no valid time");
    if (!value) return Fail(why, L"a keyframe of '" + param->name + L"' has no value");
    if (!param->keyframes.empty() && k.time < param->keyframes.back().time)
      return Fail(why, L"the keyframes of '" + param->name + L"' are not in time order");
    k.interp = linear ? DEXTERF_INTERPOLATE : DEXTERF_JUMP;
    SetText(k, value);
    param->keyframes.push_back(k);
  }
  if (param->keyframes.empty()) return Fail(why, L"<param> '" + param->name + L"' has no value");
  return S_OK;
}

}  // namespace

HRESULT ReadParamsXml(IXMLDOMNode* node, std::vector<Parameter>* params, std::wstring* why) {
  params->clear();
  xtl::DomElement element;
  if (!node || FAILED(element.Load(node))) return Fail(why, L"no element to read parameters from");
  if (element.NameIs(L"param")) {
    Parameter p;
    HRESULT hr = ReadParam(element, &p, why);
    if (SUCCEEDED(hr)) params->push_back(std::move(p));
    return hr;
  }
  std::vector<ComPtr<IXMLDOMNode>> children;
  if (FAILED(element.Children(&children, why))) return VFW_E_INVALID_FILE_FORMAT;
  for (const auto& child : children) {
    xtl::DomElement param;
    if (FAILED(param.Load(child.Get()))) return Fail(why, L"unreadable parameter");
    if (!param.NameIs(L"param")) continue;
    Parameter p;
    HRESULT hr = ReadParam(param, &p, why);
    if (FAILED(hr)) return hr;
    params->push_back(std::move(p));
  }
  return S_OK;
}

}  // namespace engine
