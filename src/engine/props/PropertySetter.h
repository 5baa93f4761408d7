// The property setter (CLSID_PropertySetter): the keyframed parameters of an effect or a
// transition, and their values at a moment for the render engine.
#pragma once

#include "engine/base/ComObject.h"
#include "engine/props/Keyframes.h"

namespace engine {

class PropertySetter final : public ComObject<PropertySetter, IPropertySetterW> {
 public:
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  STDMETHODIMP LoadXML(IUnknown* xml) override;
  STDMETHODIMP PrintXML(char* xml, int size, int* printed, int indent) override;
  STDMETHODIMP CloneProps(IPropertySetter** setter, REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP AddProp(DEXTER_PARAM param, DEXTER_VALUE* values) override;
  STDMETHODIMP GetProps(LONG* count, DEXTER_PARAM** params, DEXTER_VALUE** values) override;
  STDMETHODIMP FreeProps(LONG count, DEXTER_PARAM* params, DEXTER_VALUE* values) override;
  STDMETHODIMP ClearProps() override;
  STDMETHODIMP SaveToBlob(LONG* size, BYTE** blob) override;
  STDMETHODIMP LoadFromBlob(LONG size, BYTE* blob) override;
  STDMETHODIMP SetProps(IUnknown* target, REFERENCE_TIME now) override;
  STDMETHODIMP PrintXMLW(WCHAR* xml, int size, int* printed, int indent) override;

  // The named parameter's value at `t` (relative to the owner's start); names compare
  // without regard to ASCII case.
  HRESULT Evaluate(const wchar_t* name, REFERENCE_TIME t, VARIANT* value) const;
  const std::vector<Parameter>& Parameters() const { return params_; }
  void Adopt(std::vector<Parameter> params) { params_ = std::move(params); }
  // Why the last LoadXML failed, for the caller's error log.
  const std::wstring& LastError() const { return lastError_; }

 private:
  PropertySetter() = default;
  ~PropertySetter() = default;

  std::vector<Parameter> params_;
  std::wstring lastError_;
};

}  // namespace engine
