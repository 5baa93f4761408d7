#include "engine/dom/DomReader.h"

#include <cwchar>

using Microsoft::WRL::ComPtr;

namespace engine::xtl {

namespace {

std::wstring TakeBstr(BSTR text) {
  std::wstring s = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return s;
}

bool IsWhiteSpace(const std::wstring& text) {
  for (wchar_t c : text)
    if (c != L' ' && c != L'\t' && c != L'\r' && c != L'\n') return false;
  return true;
}

}  // namespace

bool SameName(const wchar_t* a, const wchar_t* b) {
  for (; *a && *b; ++a, ++b) {
    wchar_t x = (*a >= L'A' && *a <= L'Z') ? *a + 32 : *a;
    wchar_t y = (*b >= L'A' && *b <= L'Z') ? *b + 32 : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

HRESULT DomElement::Load(IXMLDOMNode* node) {
  node_ = node;
  attrs_.clear();
  BSTR name = nullptr;
  HRESULT hr = node->get_nodeName(&name);
  if (FAILED(hr)) return hr;
  name_ = TakeBstr(name);
  ComPtr<IXMLDOMNamedNodeMap> map;
  hr = node->get_attributes(&map);
  if (FAILED(hr) || !map) return hr;
  // Walked with the map's own cursor rather than by index, so that no step has to find its
  // attribute by position again.
  LONG count = 0;
  if (SUCCEEDED(map->get_length(&count)) && count > 0) attrs_.reserve(static_cast<size_t>(count));
  map->reset();
  for (;;) {
    ComPtr<IXMLDOMNode> attr;
    hr = map->nextNode(&attr);
    if (FAILED(hr)) return hr;
    if (hr != S_OK || !attr) break;
    BSTR attrName = nullptr;
    if (FAILED(attr->get_nodeName(&attrName))) return E_FAIL;
    VARIANT value;
    VariantInit(&value);
    if (FAILED(attr->get_nodeValue(&value))) {
      SysFreeString(attrName);
      return E_FAIL;
    }
    DomAttr a{TakeBstr(attrName), std::wstring()};
    if (value.vt == VT_BSTR && value.bstrVal) a.value.assign(value.bstrVal, SysStringLen(value.bstrVal));
    VariantClear(&value);
    attrs_.push_back(std::move(a));
  }
  return S_OK;
}

bool DomElement::NameIs(const wchar_t* name) const { return SameName(name_.c_str(), name); }

const wchar_t* DomElement::Attr(const wchar_t* name) const {
  for (const DomAttr& a : attrs_)
    if (SameName(a.name.c_str(), name)) return a.value.c_str();
  return nullptr;
}

std::vector<std::wstring> DomElement::OtherAttributes(std::initializer_list<const wchar_t*> known) const {
  std::vector<std::wstring> others;
  for (const DomAttr& a : attrs_) {
    if (a.name.compare(0, 5, L"xmlns") == 0) continue;
    bool isKnown = false;
    for (const wchar_t* name : known) isKnown = isKnown || SameName(a.name.c_str(), name);
    if (!isKnown) others.push_back(a.name);
  }
  return others;
}

HRESULT DomElement::Children(std::vector<ComPtr<IXMLDOMNode>>* children, std::wstring* why) const {
  children->clear();
  ComPtr<IXMLDOMNode> child;
  HRESULT hr = node_->get_firstChild(&child);
  if (FAILED(hr)) return hr;
  while (child) {
    DOMNodeType type = NODE_INVALID;
    child->get_nodeType(&type);
    if (type == NODE_ELEMENT) {
      children->push_back(child);
    } else if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
      BSTR text = nullptr;
      child->get_text(&text);
      if (!IsWhiteSpace(TakeBstr(text))) {
        *why = L"unexpected text inside <" + name_ + L">";
        return E_FAIL;
      }
    } else if (type != NODE_COMMENT && type != NODE_PROCESSING_INSTRUCTION) {
      *why = L"unexpected content inside <" + name_ + L">";
      return E_FAIL;
    }
    ComPtr<IXMLDOMNode> next;
    child->get_nextSibling(&next);
    child = std::move(next);
  }
  return S_OK;
}

}  // namespace engine::xtl
