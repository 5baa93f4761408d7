// Parameters in XTL form: <param name=".." value=".."> with <at>/<linear time value> children.
#pragma once

#include "engine/props/Keyframes.h"

namespace engine {

// Appends the parameters, one `param` element each, indented by `indent` levels. False when a
// name or value holds a character XML cannot carry.
bool AppendParamsXml(std::wstring& out, const std::vector<Parameter>& params, int indent);
// Reads the `param` children of `node` (or `node` itself when it is a `param`).
HRESULT ReadParamsXml(IXMLDOMNode* node, std::vector<Parameter>* params, std::wstring* why);
// A value's text as written to XML.
bool VariantText(const VARIANT& v, std::wstring* text);

}  // namespace engine
