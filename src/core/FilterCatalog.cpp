#include "core/FilterCatalog.h"

#include <ocidl.h>
#include <olectl.h>
#include <uuids.h>
#include <wrl/client.h>

#include <cwchar>

#include "core/Text.h"

using Microsoft::WRL::ComPtr;

namespace {

struct Catalogs {
  std::vector<FilterEntry> effects[4];
  std::vector<FilterEntry> audioRenderers;
  std::vector<FilterEntry> videoCompressors;
  std::vector<FilterEntry> audioCompressors;
  std::vector<MuxEntry> fileTypes;
  std::vector<std::wstring> skipList;
  wchar_t fileTypeFilter[kFileTypeFilterChars + 1] = {};
};

Catalogs& All() {
  static Catalogs catalogs;
  return catalogs;
}

// The multiplexer classes of the two built-in file types, spelled out so that no import
// library is needed for them.
constexpr GUID kAviDest = {0xE2510970, 0xF137, 0x11CE, {0x8B, 0x67, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6}};
constexpr GUID kAviExtra1 = {0xC647B5C0, 0x157C, 0x11D0, {0xBD, 0x23, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr GUID kAviExtra2 = {0x0A9AE910, 0x85C0, 0x11D0, {0xBD, 0x42, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr GUID kAsfWriter = {0x7C23220E, 0x55BB, 0x11D3, {0x8B, 0x16, 0x00, 0xC0, 0x4F, 0xB6, 0xBD, 0x3D}};

GUID ParseGuid(const std::wstring& text) {
  GUID guid = GUID_NULL;
  if (!text.empty() && FAILED(CLSIDFromString(text.c_str(), &guid))) guid = GUID_NULL;
  return guid;
}

std::wstring ReadBagText(IPropertyBag* bag, const wchar_t* name, bool* ok) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  *ok = SUCCEEDED(bag->Read(name, &v, nullptr));
  std::wstring text;
  if (*ok && v.vt == VT_BSTR && v.bstrVal) text.assign(v.bstrVal, SysStringLen(v.bstrVal));
  if (*ok && v.vt != VT_BSTR) *ok = false;
  VariantClear(&v);
  return text;
}

}  // namespace

namespace FilterCatalog {

std::vector<FilterEntry>& Effects(int index) { return All().effects[index & 3]; }
std::vector<FilterEntry>& AudioRenderers() { return All().audioRenderers; }
std::vector<FilterEntry>& VideoCompressors() { return All().videoCompressors; }
std::vector<FilterEntry>& AudioCompressors() { return All().audioCompressors; }
std::vector<MuxEntry>& FileTypes() { return All().fileTypes; }
std::vector<std::wstring>& SkipList() { return All().skipList; }

void Clear() {
  Catalogs& c = All();
  for (auto& e : c.effects) e.clear();
  c.audioRenderers.clear();
  c.videoCompressors.clear();
  c.audioCompressors.clear();
  c.fileTypes.clear();
  c.skipList.clear();
  c.fileTypeFilter[0] = L'\0';
}

}  // namespace FilterCatalog

void RaiseAscii(std::wstring& text) {
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
}

int EnumerateCategory(std::vector<FilterEntry>& catalog, REFCLSID category, size_t first) {
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              reinterpret_cast<void**>(devices.GetAddressOf()))))
    return -1;
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(category, &monikers, 0) != S_OK || !monikers) return -1;

  int added = 0;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(
            moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(bag.GetAddressOf()))))
      continue;
    bool ok = false;
    std::wstring name = ReadBagText(bag.Get(), L"FriendlyName", &ok);
    if (!ok) continue;
    FilterEntry entry;
    entry.hasName = !name.empty();
    entry.name = name;
    std::wstring guid = ReadBagText(bag.Get(), L"GUID", &ok);
    if (ok) {
      entry.clsid = ParseGuid(guid);
    } else {
      ComPtr<IBaseFilter> filter;
      if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                          reinterpret_cast<void**>(filter.GetAddressOf()))))
        filter->GetClassID(&entry.clsid);
    }
    LPOLESTR display = nullptr;
    if (SUCCEEDED(moniker->GetDisplayName(nullptr, nullptr, &display)) && display) {
      entry.displayName = display;
      CoTaskMemFree(display);
    }
    size_t index = first + static_cast<size_t>(added);
    if (catalog.size() < index + 1) catalog.resize(index + 1);
    catalog[index] = std::move(entry);
    ++added;
  }
  return added;
}

void LoadSkipList(const std::vector<std::wstring>& lines) {
  auto& skip = FilterCatalog::SkipList();
  skip.clear();
  for (const std::wstring& line : lines) {
    if (line.empty()) continue;
    if (skip.size() == kMaxSkipEntries) break;
    skip.push_back(line);
    RaiseAscii(skip.back());
  }
}

bool IsSkippedFilter(const wchar_t* displayName) {
  if (!displayName) return false;
  std::wstring name = displayName;
  RaiseAscii(name);
  for (const std::wstring& entry : FilterCatalog::SkipList())
    if (name.find(entry) != std::wstring::npos) return true;
  return false;
}

void BuildFileTypeCatalog(const std::vector<std::wstring>& multiplexerLines) {
  auto& types = FilterCatalog::FileTypes();
  types.clear();
  types.push_back({L"Audio-video interleave", L"avi", kAviDest, kAviExtra1, kAviExtra2});
  types.push_back({L"Advanced Systems Format", L"asf,wmv", kAsfWriter, GUID_NULL, GUID_NULL});
  size_t lines = 0;
  for (const std::wstring& line : multiplexerLines) {
    if (line.empty()) continue;
    if (++lines > kMaxMuxLines) break;
    std::vector<std::wstring> fields = SplitText(line, L';');
    auto field = [&](size_t i) { return i < fields.size() ? fields[i] : std::wstring(); };
    MuxEntry entry{field(0), field(1), ParseGuid(field(2)), ParseGuid(field(3)), ParseGuid(field(4))};
    ComPtr<IBaseFilter> filter;
    if (FAILED(CoCreateInstance(entry.outputType, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(filter.GetAddressOf()))) ||
        !filter)
      continue;
    types.push_back(std::move(entry));
  }
}

const wchar_t* BuildFileTypeFilter() {
  wchar_t* out = All().fileTypeFilter;
  size_t used = 0;
  for (const MuxEntry& type : FilterCatalog::FileTypes()) {
    std::wstring label = type.name + L" (";
    std::wstring pattern;
    std::vector<std::wstring> extensions = SplitText(type.extensions, L',');
    for (size_t i = 0; i < extensions.size(); ++i) {
      label += (i ? L", *." : L"*.") + extensions[i];
      pattern += (i ? L",*." : L"*.") + extensions[i];
    }
    label += L")";
    // An entry that does not fit whole is left out, with every one after it, so that entry
    // numbers still match the catalogue.
    size_t need = label.size() + 1 + pattern.size() + 1;
    if (used + need + 1 > kFileTypeFilterChars) break;
    wmemcpy(out + used, label.c_str(), label.size() + 1);
    used += label.size() + 1;
    wmemcpy(out + used, pattern.c_str(), pattern.size() + 1);
    used += pattern.size() + 1;
  }
  out[used] = L'\0';
  return out;
}

HRESULT BindFilter(const wchar_t* displayName, IBaseFilter** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  if (!displayName) return E_INVALIDARG;
  ComPtr<IBindCtx> context;
  HRESULT hr = CreateBindCtx(0, &context);
  if (FAILED(hr)) return hr;
  ComPtr<IMoniker> moniker;
  ULONG eaten = 0;
  hr = MkParseDisplayName(context.Get(), displayName, &eaten, &moniker);
  if (FAILED(hr)) return hr;
  return moniker->BindToObject(context.Get(), nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
}

HRESULT ShowFilterPages(IBaseFilter* filter, HWND owner) {
  if (!filter) return E_INVALIDARG;
  ComPtr<ISpecifyPropertyPages> pages;
  HRESULT hr = filter->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(pages.GetAddressOf()));
  if (FAILED(hr)) return hr;
  FILTER_INFO info = {};
  hr = filter->QueryFilterInfo(&info);
  if (FAILED(hr)) return hr;
  ComPtr<IUnknown> object;
  CAUUID list = {0, nullptr};
  hr = filter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()));
  if (SUCCEEDED(hr)) hr = pages->GetPages(&list);
  if (SUCCEEDED(hr)) {
    IUnknown* objects[] = {object.Get()};
    hr = OleCreatePropertyFrame(owner, 0, 0, info.achName, 1, objects, list.cElems, list.pElems, GetUserDefaultLCID(),
                                0, nullptr);
  }
  if (info.pGraph) info.pGraph->Release();
  CoTaskMemFree(list.pElems);
  return hr;
}

HRESULT RegisterGraph(IUnknown* graph, DWORD* token) {
  if (!graph || !token) return E_POINTER;
  ComPtr<IRunningObjectTable> table;
  if (FAILED(GetRunningObjectTable(0, &table))) return E_FAIL;
  wchar_t name[64];
  FormatText(name, 64, L"FilterGraph %08x pid %08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(graph)),
             static_cast<unsigned>(GetCurrentProcessId()));
  ComPtr<IMoniker> moniker;
  HRESULT hr = CreateItemMoniker(L"!", name, &moniker);
  if (SUCCEEDED(hr)) hr = table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graph, moniker.Get(), token);
  return hr;
}
