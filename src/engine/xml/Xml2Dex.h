// The XML reader and writer of timelines (CLSID_Xml2Dex). Problems go to the error log of
// the timeline concerned.
#pragma once

#include "engine/base/ComObject.h"
#include "engine/base/ErrorSink.h"

#include <string>

namespace engine {

class Xml2Dex final : public ComObject<Xml2Dex, IXml2Dex> {
 public:
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  // IDispatch: no type information; the interface is meant for C++ callers.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  STDMETHODIMP CreateGraphFromFile(IUnknown**, IUnknown*, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP WriteGrfFile(IUnknown*, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP WriteXMLFile(IUnknown* timeline, BSTR fileName) override;
  STDMETHODIMP ReadXMLFile(IUnknown* timeline, BSTR xmlName) override;
  STDMETHODIMP Delete(IUnknown*, double, double) override { return E_NOTIMPL; }
  STDMETHODIMP WriteXMLPart(IUnknown*, double, double, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP PasteXMLFile(IUnknown*, double, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP CopyXML(IUnknown*, double, double) override { return E_NOTIMPL; }
  STDMETHODIMP PasteXML(IUnknown*, double) override { return E_NOTIMPL; }
  STDMETHODIMP Reset() override { return S_OK; }
  STDMETHODIMP ReadXML(IUnknown* timeline, IUnknown* xml) override;
  STDMETHODIMP WriteXML(IUnknown* timeline, BSTR* xml) override;

 private:
  Xml2Dex() = default;
  ~Xml2Dex() = default;
  // The timeline behind `unknown` and the error log registered with it.
  HRESULT Target(IUnknown* unknown, Microsoft::WRL::ComPtr<IAMTimeline>* timeline, ErrorSink* errors);
  HRESULT WriteText(IAMTimeline* timeline, const ErrorSink& errors, std::wstring* text);
};

}  // namespace engine
