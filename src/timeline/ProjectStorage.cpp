#include "timeline/ProjectStorage.h"

#include <wrl/client.h>

#include <cstring>
#include <cwchar>
#include <new>
#include <string_view>

#include "core/ResultText.h"
#include "core/SameFile.h"
#include "services/ComUtil.h"
#include "timeline/TimelineSources.h"
#include "services/XmlDocument.h"
#include "services/XmlFileLoad.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char kHeader[] = "<KDP version=\"1\">";
constexpr char kTrailer[] = "</KDP>";

HRESULT LastError() {
  DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// A file handle closed on scope end.
struct File {
  HANDLE handle;
  explicit File(HANDLE h) : handle(h) {}
  ~File() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  bool Write(const char* data, size_t size) {
    DWORD written = 0;
    return WriteFile(handle, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  }
};

// Writes the pieces into a new file beside `path`, then puts it in place of `path`.
HRESULT WriteFileSafely(const wchar_t* path, std::initializer_list<std::string_view> pieces) {
  std::wstring target = path;
  size_t slash = target.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash);
  if (folder.empty()) folder = L"\\";
  wchar_t temp[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), L"MRQ", 0, temp)) return LastError();
  HRESULT hr = S_OK;
  {
    File file(
        CreateFileW(temp, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) hr = LastError();
    for (std::string_view piece : pieces) {
      if (SUCCEEDED(hr) && !file.Write(piece.data(), piece.size())) hr = LastError();
    }
    if (SUCCEEDED(hr) && !FlushFileBuffers(file.handle)) hr = LastError();
  }
  if (SUCCEEDED(hr) && !MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) hr = LastError();
  if (FAILED(hr)) DeleteFileW(temp);
  return hr;
}

// "reason (0x80070005)": the platform's text of a code, with the code for support.
std::wstring CodeText(HRESULT hr) {
  wchar_t code[16];
  swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  std::wstring text = ResultText(hr);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
    text.pop_back();
  return text.empty() ? std::wstring(L"error ") + code : text + L" (" + code + L")";
}

// A file deleted when the scope ends.
struct TempFile {
  wchar_t path[MAX_PATH] = {};
  bool made = false;
  ~TempFile() {
    if (made) DeleteFileW(path);
  }
};

// Stands between the timeline and the error log it had while a project is read: keeps the
// first entry of the gravest severity the reader reports, for the user's message, and passes
// every entry on.
class CapturingLog final : public IAMErrorLog {
 public:
  explicit CapturingLog(IAMErrorLog* next) : next_(next) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IAMErrorLog) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IAMErrorLog*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG refs = InterlockedDecrement(&refs_);
    if (!refs) delete this;
    return static_cast<ULONG>(refs);
  }
  STDMETHODIMP LogError(LONG severity, BSTR text, LONG code, LONG hr, VARIANT* extra) override {
    if (text && (first_.empty() || severity > severity_)) {
      first_.assign(text, SysStringLen(text));
      severity_ = severity;
    }
    return next_ ? next_->LogError(severity, text, code, hr, extra) : S_OK;
  }
  const std::wstring& First() const { return first_; }

 private:
  ~CapturingLog() = default;
  LONG refs_ = 1;
  LONG severity_ = 0;
  ComPtr<IAMErrorLog> next_;
  std::wstring first_;
};

}  // namespace

std::unique_ptr<char[]> WideToUtf8(const wchar_t* text, size_t* length) {
  if (!text) return nullptr;
  int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return nullptr;
  auto utf8 = std::make_unique<char[]>(static_cast<size_t>(bytes) + 1);
  if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, utf8.get(), bytes, nullptr, nullptr) != bytes)
    return nullptr;
  utf8[bytes] = '\0';
  if (length) *length = static_cast<size_t>(bytes) - 1;  // without the terminator
  return utf8;
}

ProjectStorage::ProjectStorage(const wchar_t* rootName, const wchar_t* versionName, const wchar_t* childName)
    : rootName_(rootName), versionName_(versionName), childName_(childName) {}

HRESULT ProjectStorage::Save(IAMTimeline* timeline, const wchar_t* path) {
  if (!timeline || !path || !*path) return E_INVALIDARG;
  const bool home = !readFolder_.empty() && IsSameFile(FolderOf(FullPathOf(path)), readFolder_);
  if (!home) return Write(timeline, path);
  // Into the folder they were read from, relative names go back as they were (a name the user
  // changed since is the user's); the model keeps the whole ones meanwhile. Sources are matched
  // by name, not by object, so that a timeline rebuilt from its own text (undo) keeps them.
  std::vector<std::pair<ComPtr<IAMTimelineSrc>, const AnchoredName*>> given;
  ForEachSource(timeline, [&](IAMTimelineSrc* src) {
    Bstr current;
    if (FAILED(src->GetMediaName(current.Out())) || !current.Get()) return;
    for (const AnchoredName& a : anchored_) {
      if (a.anchored != current.Get()) continue;
      if (SUCCEEDED(src->SetMediaName(Bstr(a.given)))) given.emplace_back(src, &a);
      return;
    }
  });
  const HRESULT hr = Write(timeline, path);
  for (auto& [src, a] : given) src->SetMediaName(Bstr(a->anchored));
  return hr;
}

void ProjectStorage::AnchorMediaNames(IAMTimeline* timeline, const std::wstring& folder) {
  anchored_.clear();
  readFolder_ = folder;
  ForEachSource(timeline, [&](IAMTimelineSrc* src) {
    Bstr name;
    if (FAILED(src->GetMediaName(name.Out())) || !name.Get()) return;
    const std::wstring given = name.Text();
    const std::wstring anchored = MediaPath(given, folder);
    if (anchored == given) return;
    Bstr whole(anchored.c_str());
    if (SUCCEEDED(src->SetMediaName(whole.Get()))) anchored_.push_back({given, anchored});
  });
}

HRESULT ProjectStorage::Write(IAMTimeline* timeline, const wchar_t* path) {
  ComPtr<IXml2Dex> writer;
  HRESULT hr = CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex,
                                reinterpret_cast<void**>(writer.GetAddressOf()));
  if (FAILED(hr)) return hr;
  Bstr xml;
  hr = writer->WriteXML(timeline, xml.Out());
  writer.Reset();
  if (FAILED(hr)) return hr;

  const wchar_t* body = xml.Get() ? xml.Get() : L"";
  if (*body == L'\xFEFF') ++body;
  size_t length = 0;
  auto utf8 = WideToUtf8(body, &length);
  if (!utf8) return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
  HRESULT written = WriteFileSafely(path, {kHeader, "\n", std::string_view(utf8.get(), length), kTrailer});
  return FAILED(written) ? written : hr;
}

HRESULT ProjectStorage::ExtractTimeline(const wchar_t* path, const wchar_t* outputPath) {
  return Extract(path, outputPath, nullptr);
}

HRESULT ProjectStorage::Extract(const wchar_t* path, const wchar_t* outputPath, std::wstring* why) {
  if (!path || !outputPath) return E_POINTER;
  std::wstring reason;
  ComPtr<IXMLDOMDocument> document;
  HRESULT hr = CreateXmlDocument(&document);
  if (FAILED(hr)) {
    if (why) *why = L"The XML document service is not available: " + CodeText(hr) + L".";
    return hr;
  }

  VARIANT_BOOL loaded = VARIANT_FALSE;
  hr = LoadXmlFile(document.Get(), path, &loaded, &reason);
  if (FAILED(hr)) {
    if (why) *why = L"The file cannot be read: " + CodeText(hr) + L".";
    return hr;
  }
  if (hr == S_OK && !loaded) hr = S_FALSE;
  if (hr == S_OK) {
    // Project files never carry a document type; one that does is not ours, and entity
    // expansion is refused as the timeline reader refuses it.
    ComPtr<IXMLDOMDocumentType> doctype;
    if (document->get_doctype(&doctype) == S_OK && doctype) {
      hr = S_FALSE;
      reason = L"The file declares a document type, which no project does.";
    }
  }

  // Each step runs only when the one before answered exactly S_OK, so a missing element or
  // attribute ends the chain with S_FALSE and leaves the output alone.
  ComPtr<IXMLDOMNodeList> roots;
  ComPtr<IXMLDOMNode> root;
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  ComPtr<IXMLDOMNode> version;
  ComPtr<IXMLDOMNode> child;
  Bstr childXml;
  if (hr == S_OK) {
    Bstr name(rootName_.c_str());
    hr = document->getElementsByTagName(name.Get(), &roots);
  }
  if (hr == S_OK) hr = roots->get_item(0, &root);
  if (hr == S_OK && !root) hr = S_FALSE;
  if (hr == S_FALSE && reason.empty()) reason = L"The file is not a project: it has no <" + rootName_ + L"> element.";
  if (hr == S_OK) hr = root->get_attributes(&attributes);
  if (hr == S_OK && !attributes) hr = S_FALSE;
  if (hr == S_OK) {
    Bstr name(versionName_.c_str());
    hr = attributes->getNamedItem(name.Get(), &version);
  }
  if (hr == S_OK && !version) hr = S_FALSE;
  if (hr == S_FALSE && reason.empty())
    reason = L"The <" + rootName_ + L"> element has no " + versionName_ + L" attribute.";
  if (hr == S_OK) {
    VARIANT value;
    VariantInit(&value);
    hr = version->get_nodeValue(&value);
    if (hr == S_OK && !(value.vt == VT_BSTR && value.bstrVal && value.bstrVal[0] == L'1')) {
      hr = VFW_E_INVALID_FILE_FORMAT;
      std::wstring text = value.vt == VT_BSTR && value.bstrVal ? value.bstrVal : L"";
      if (text.size() > 40) text = text.substr(0, 40) + L"...";
      reason = L"The project is of " + versionName_ + L" \"" + text + L"\"; only projects of version 1 can be read.";
    }
    VariantClear(&value);
  }
  if (hr == S_OK) {
    Bstr query(childName_.c_str());
    hr = root->selectSingleNode(query.Get(), &child);
  }
  if (hr == S_OK && !child) hr = S_FALSE;
  if (hr == S_FALSE && reason.empty()) reason = L"The project holds no <" + childName_ + L"> element.";
  if (hr == S_OK) hr = child->get_xml(childXml.Out());
  if (hr == S_OK) {
    size_t length = 0;
    auto utf8 = WideToUtf8(childXml.Get() ? childXml.Get() : L"", &length);
    if (!utf8) hr = HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    if (SUCCEEDED(hr)) {
      File out(CreateFileW(outputPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
      if (out.handle == INVALID_HANDLE_VALUE || !out.Write(utf8.get(), length)) hr = LastError();
    }
    if (FAILED(hr)) reason = L"The timeline could not be copied for reading: " + CodeText(hr) + L".";
  }
  if (hr != S_OK && why) *why = reason.empty() ? L"The project cannot be read: " + CodeText(hr) + L"." : reason;
  return hr;
}

HRESULT ProjectStorage::Open(IAMTimeline* timeline, const wchar_t* path, std::wstring* why) {
  anchored_.clear();
  readFolder_.clear();
  std::wstring reason;
  if (why) why->clear();
  if (!timeline || !path || !*path) {
    if (why) *why = L"There is no timeline or no file to open.";
    return E_INVALIDARG;
  }
  ComPtr<IXml2Dex> reader;
  HRESULT hr = CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex,
                                reinterpret_cast<void**>(reader.GetAddressOf()));
  if (FAILED(hr)) {
    if (why) *why = L"The editing services cannot read projects: " + CodeText(hr) + L".";
    return hr;
  }

  // The timeline is read from a file of its own in the temporary folder, made empty first.
  TempFile temp;
  wchar_t folder[MAX_PATH];
  const DWORD folderLength = GetTempPathW(MAX_PATH, folder);
  if (!folderLength || folderLength >= MAX_PATH) {
    hr = folderLength ? HRESULT_FROM_WIN32(ERROR_BUFFER_OVERFLOW) : LastError();
  } else if (!GetTempFileNameW(folder, L"MRQ", 0, temp.path)) {
    hr = LastError();
  } else {
    temp.made = true;
    File file(CreateFileW(temp.path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) hr = LastError();
  }
  if (FAILED(hr)) {
    if (why) *why = L"No temporary file can be made for reading the project: " + CodeText(hr) + L".";
    return hr;
  }

  hr = Extract(path, temp.path, &reason);
  // Not well-formed, no wrapper or no timeline: whatever it is, it is no project.
  if (hr == S_FALSE) hr = VFW_E_INVALID_FILE_FORMAT;
  if (FAILED(hr)) {
    if (why) *why = reason;
    return hr;
  }

  // The reader tells what it refused through the timeline's error log; listen in on it.
  ComPtr<IAMSetErrorLog> setLog;
  ComPtr<IAMErrorLog> previous;
  CapturingLog* capture = nullptr;
  if (SUCCEEDED(timeline->QueryInterface(IID_IAMSetErrorLog, reinterpret_cast<void**>(setLog.GetAddressOf()))) &&
      SUCCEEDED(setLog->get_ErrorLog(&previous))) {
    capture = new (std::nothrow) CapturingLog(previous.Get());
    if (capture) setLog->put_ErrorLog(capture);
  }
  BSTR name = SysAllocString(temp.path);
  hr = name ? reader->ReadXMLFile(timeline, name) : E_OUTOFMEMORY;
  SysFreeString(name);
  if (capture) {
    setLog->put_ErrorLog(previous.Get());
    if (FAILED(hr)) reason = capture->First();
    capture->Release();
  }
  if (FAILED(hr) && why) {
    *why = reason.empty() ? L"The timeline cannot be read: " + CodeText(hr) + L"." : reason;
  }
  if (SUCCEEDED(hr)) AnchorMediaNames(timeline, FolderOf(FullPathOf(path)));
  return hr;
}
