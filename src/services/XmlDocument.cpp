#include "services/XmlDocument.h"

#include "services/EditingServices.h"

using Microsoft::WRL::ComPtr;

namespace {

void SetProperty(IXMLDOMDocument* document, const wchar_t* name, VARIANT_BOOL value) {
  ComPtr<IXMLDOMDocument2> document2;
  if (FAILED(document->QueryInterface(IID_IXMLDOMDocument2, reinterpret_cast<void**>(document2.GetAddressOf()))))
    return;
  BSTR key = SysAllocString(name);
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = value;
  document2->setProperty(key, v);  // older services do not know every property
  SysFreeString(key);
}

}  // namespace

HRESULT CreateXmlDocument(ComPtr<IXMLDOMDocument>* document) {
  document->Reset();
  HRESULT hr = CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(document->GetAddressOf()));
  if (FAILED(hr))
    hr = CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                          reinterpret_cast<void**>(document->GetAddressOf()));
  if (FAILED(hr)) return hr;
  IXMLDOMDocument* d = document->Get();
  d->put_async(VARIANT_FALSE);
  d->put_validateOnParse(VARIANT_FALSE);
  d->put_resolveExternals(VARIANT_FALSE);
  // A project file never needs a document type; refusing them keeps entity expansion out.
  SetProperty(d, L"ProhibitDTD", VARIANT_TRUE);
  return S_OK;
}
