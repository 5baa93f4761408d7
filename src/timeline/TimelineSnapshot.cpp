#include "timeline/TimelineSnapshot.h"

#include <wrl/client.h>

#include "services/ComUtil.h"
#include "services/XmlDocument.h"

using Microsoft::WRL::ComPtr;

namespace {

HRESULT MakeXml2Dex(ComPtr<IXml2Dex>* xml) {
  return CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex,
                          reinterpret_cast<void**>(xml->GetAddressOf()));
}

}  // namespace

HRESULT SnapshotTimeline(IAMTimeline* timeline, std::wstring* text) {
  if (!timeline || !text) return E_POINTER;
  ComPtr<IXml2Dex> writer;
  HRESULT hr = MakeXml2Dex(&writer);
  if (FAILED(hr)) return hr;
  Bstr xml;
  hr = writer->WriteXML(timeline, xml.Out());
  if (SUCCEEDED(hr)) *text = xml.Text();
  return hr;
}

HRESULT RestoreTimeline(IAMTimeline* timeline, const std::wstring& text) {
  if (!timeline) return E_POINTER;
  ComPtr<IXMLDOMDocument> document;
  HRESULT hr = CreateXmlDocument(&document);
  if (FAILED(hr)) return hr;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  hr = document->loadXML(Bstr(text), &loaded);
  if (FAILED(hr)) return hr;
  if (loaded != VARIANT_TRUE) return VFW_E_INVALID_FILE_FORMAT;
  ComPtr<IXml2Dex> reader;
  if (FAILED(hr = MakeXml2Dex(&reader))) return hr;
  timeline->ClearAllGroups();
  return reader->ReadXML(timeline, document.Get());
}
