// Reading MSXML DOM nodes the way the XTL reader needs: element children (text other than
// white space is an error), attributes as name/value pairs, and the attributes an element
// carries beyond those the reader knows (other tools write their own; they are passed over).
#pragma once

#include "services/EditingServices.h"

#include <wrl/client.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace engine::xtl {

struct DomAttr {
  std::wstring name;
  std::wstring value;
};

class DomElement {
 public:
  // Reads the element's name and attributes.
  HRESULT Load(IXMLDOMNode* node);

  const std::wstring& Name() const { return name_; }
  bool NameIs(const wchar_t* name) const;
  IXMLDOMNode* Node() const { return node_.Get(); }
  // The attribute's value, or null when absent (names compare without regard to ASCII case).
  const wchar_t* Attr(const wchar_t* name) const;
  // The names of the attributes not among `known` (namespace declarations aside).
  std::vector<std::wstring> OtherAttributes(std::initializer_list<const wchar_t*> known) const;
  // The element children, in document order. Comments and processing instructions are
  // skipped; other text than white space fails.
  HRESULT Children(std::vector<Microsoft::WRL::ComPtr<IXMLDOMNode>>* children, std::wstring* why) const;

 private:
  Microsoft::WRL::ComPtr<IXMLDOMNode> node_;
  std::wstring name_;
  std::vector<DomAttr> attrs_;
};

bool SameName(const wchar_t* a, const wchar_t* b);

}  // namespace engine::xtl
