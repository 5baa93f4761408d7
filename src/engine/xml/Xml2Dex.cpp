#include "engine/xml/Xml2Dex.h"

#include "engine/xml/XtlReader.h"
#include "engine/xml/XtlWriter.h"
#include "services/XmlFileLoad.h"

#include <string>

using Microsoft::WRL::ComPtr;

namespace engine {

namespace {

// A DOM document that will not fetch external entities or expand a DTD: a timeline file
// never needs them, and a hostile one could use them to hang or probe the machine.
HRESULT CreateSafeDocument(ComPtr<IXMLDOMDocument>* doc) {
  HRESULT hr = CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(doc->GetAddressOf()));
  if (FAILED(hr))
    hr = CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                          reinterpret_cast<void**>(doc->ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  (*doc)->put_async(VARIANT_FALSE);
  (*doc)->put_validateOnParse(VARIANT_FALSE);
  (*doc)->put_resolveExternals(VARIANT_FALSE);
  ComPtr<IXMLDOMDocument2> doc2;
  if (SUCCEEDED((*doc)->QueryInterface(IID_IXMLDOMDocument2, reinterpret_cast<void**>(doc2.GetAddressOf())))) {
    VARIANT yes;
    VariantInit(&yes);
    yes.vt = VT_BOOL;
    yes.boolVal = VARIANT_TRUE;
    BSTR name = SysAllocString(L"ProhibitDTD");
    doc2->setProperty(name, yes);
    SysFreeString(name);
  }
  return S_OK;
}

}  // namespace

HRESULT Xml2Dex::Create(REFIID iid, void** out) {
  auto* object = new (std::nothrow) Xml2Dex();
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

STDMETHODIMP Xml2Dex::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IDispatch, this}, {IID_IXml2Dex, this}});
}

STDMETHODIMP Xml2Dex::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT Xml2Dex::Target(IUnknown* unknown, ComPtr<IAMTimeline>* timeline, ErrorSink* errors) {
  if (!unknown) return E_INVALIDARG;
  HRESULT hr = unknown->QueryInterface(IID_IAMTimeline, reinterpret_cast<void**>(timeline->GetAddressOf()));
  if (FAILED(hr)) return E_INVALIDARG;
  ComPtr<IAMSetErrorLog> setLog;
  ComPtr<IAMErrorLog> log;
  if (SUCCEEDED(timeline->As(&setLog)) && SUCCEEDED(setLog->get_ErrorLog(&log))) errors->SetLog(log.Get());
  return S_OK;
}

HRESULT Xml2Dex::WriteText(IAMTimeline* timeline, const ErrorSink& errors, std::wstring* text) {
  std::wstring why;
  xtl::XtlWriter writer;
  HRESULT hr = writer.Write(timeline, text, &why);
  if (FAILED(hr))
    return errors.Report(kSeverityError, (L"Cannot write the timeline: " + why).c_str(), DEX_IDS_INTERFACE_ERROR, hr);
  return S_OK;
}

STDMETHODIMP Xml2Dex::WriteXML(IUnknown* timelineUnknown, BSTR* xml) {
  if (!xml) return E_POINTER;
  *xml = nullptr;
  ComPtr<IAMTimeline> timeline;
  ErrorSink errors;
  HRESULT hr = Target(timelineUnknown, &timeline, &errors);
  if (FAILED(hr)) return hr;
  std::wstring text;
  if (FAILED(hr = WriteText(timeline.Get(), errors, &text))) return hr;
  *xml = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *xml ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP Xml2Dex::WriteXMLFile(IUnknown* timelineUnknown, BSTR fileName) {
  ComPtr<IAMTimeline> timeline;
  ErrorSink errors;
  HRESULT hr = Target(timelineUnknown, &timeline, &errors);
  if (FAILED(hr)) return hr;
  if (!fileName || !*fileName)
    return errors.Report(kSeverityError, L"Cannot write the timeline: no file name", DEX_IDS_DISK_WRITE_ERROR,
                         E_INVALIDARG);
  std::wstring text;
  if (FAILED(hr = WriteText(timeline.Get(), errors, &text))) return hr;
  std::string bytes = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  size_t header = bytes.size();
  bytes.resize(header + static_cast<size_t>(n));
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data() + header, n, nullptr,
                      nullptr);
  HANDLE file = CreateFileW(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    hr = HRESULT_FROM_WIN32(GetLastError());
    return errors.Report(kSeverityError, (L"Cannot create " + std::wstring(fileName)).c_str(), DEX_IDS_DISK_WRITE_ERROR,
                         hr);
  }
  DWORD written = 0;
  bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  DWORD error = ok ? 0 : GetLastError();
  if (!CloseHandle(file) && ok) {
    ok = false;
    error = GetLastError();
  }
  if (!ok)
    return errors.Report(kSeverityError, (L"Cannot write " + std::wstring(fileName)).c_str(), DEX_IDS_DISK_WRITE_ERROR,
                         error ? HRESULT_FROM_WIN32(error) : E_FAIL);
  return S_OK;
}

STDMETHODIMP Xml2Dex::ReadXMLFile(IUnknown* timelineUnknown, BSTR xmlName) {
  ComPtr<IAMTimeline> timeline;
  ErrorSink errors;
  HRESULT hr = Target(timelineUnknown, &timeline, &errors);
  if (FAILED(hr)) return hr;
  if (!xmlName || !*xmlName)
    return errors.Report(kSeverityError, L"Cannot read the timeline: no file name", DEX_IDS_INVALID_XML, E_INVALIDARG);
  DWORD attributes = GetFileAttributesW(xmlName);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    hr = attributes == INVALID_FILE_ATTRIBUTES ? HRESULT_FROM_WIN32(GetLastError())
                                               : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    if (SUCCEEDED(hr)) hr = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return errors.Report(kSeverityError, (L"Cannot open " + std::wstring(xmlName)).c_str(), DEX_IDS_INVALID_XML, hr);
  }
  ComPtr<IXMLDOMDocument> doc;
  if (FAILED(hr = CreateSafeDocument(&doc)))
    return errors.Report(kSeverityError, L"Cannot read the timeline: no XML document service", DEX_IDS_INSTALL_PROBLEM,
                         hr);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  std::wstring why;
  hr = LoadXmlFile(doc.Get(), xmlName, &loaded, &why);
  if (FAILED(hr))
    return errors.Report(kSeverityError, (L"Cannot read " + std::wstring(xmlName)).c_str(), DEX_IDS_INVALID_XML, hr);
  if (loaded != VARIANT_TRUE)
    return errors.Report(kSeverityError, (L"Cannot read " + std::wstring(xmlName) + L": " + why).c_str(),
                         DEX_IDS_INVALID_XML, VFW_E_INVALID_FILE_FORMAT);
  ComPtr<IXMLDOMElement> root;
  doc->get_documentElement(&root);
  xtl::XtlReader reader(timeline.Get(), errors);
  return reader.Read(root.Get());
}

STDMETHODIMP Xml2Dex::ReadXML(IUnknown* timelineUnknown, IUnknown* xml) {
  ComPtr<IAMTimeline> timeline;
  ErrorSink errors;
  HRESULT hr = Target(timelineUnknown, &timeline, &errors);
  if (FAILED(hr)) return hr;
  ComPtr<IXMLDOMNode> node;
  if (!xml || FAILED(xml->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(node.GetAddressOf()))))
    return errors.Report(kSeverityError, L"Cannot read the timeline: no XML node given", DEX_IDS_INVALID_XML,
                         E_INVALIDARG);
  ComPtr<IXMLDOMDocument> doc;
  if (SUCCEEDED(node->QueryInterface(IID_IXMLDOMDocument, reinterpret_cast<void**>(doc.GetAddressOf())))) {
    ComPtr<IXMLDOMElement> root;
    doc->get_documentElement(&root);
    node = root;
  }
  xtl::XtlReader reader(timeline.Get(), errors);
  return reader.Read(node.Get());
}

}  // namespace engine
