#include "render/TLRenderMgr.h"

#include "core/AppName.h"
#include "core/FilterCatalog.h"
#include "core/LogFile.h"
#include "core/SameFile.h"
#include "services/ComUtil.h"
#include "services/MediaTypes.h"
#include "timeline/TimelineSources.h"

#include <uuids.h>

#include <string>
#include <utility>

using Microsoft::WRL::ComPtr;

namespace {

// A site that offers no callback, and lives as long as the process.
struct NoSite final : IUnknown {
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = iid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
};
NoSite kNoSite;

}  // namespace

std::wstring GroupCompressorName(size_t index) {
  return std::wstring(kAppName) + L"_group_compressor_" + std::to_wstring(index);
}

TLRenderMgr::~TLRenderMgr() { ReleaseGraph(true); }

HRESULT TLRenderMgr::SetTimeline(IAMTimeline* newTimeline) {
  ReleaseGraph(true);
  timeline = newTimeline;
  if (!timeline) return S_OK;
  LONG count = 0;
  HRESULT hr = timeline->GetGroupCount(&count);
  if (FAILED(hr)) return hr;
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> obj;
    hr = timeline->GetGroup(&obj, i);
    if (FAILED(hr)) return hr;
    TLRenderGroup record;
    if (FAILED(hr = obj.As(&record.group))) return hr;
    obj->GetUserName(&record.name);
    record.group->SetPreviewMode(FALSE);
    record.group->GetMediaType(&record.mediaType);
    groups.push_back(std::move(record));
  }
  return S_OK;
}

void TLRenderMgr::ReleaseGraph(bool dropGroups) {
  builder.Reset();
  if (graph) {
    if (registrationToken) {
      ComPtr<IRunningObjectTable> table;
      if (SUCCEEDED(GetRunningObjectTable(0, &table))) table->Revoke(registrationToken);
      registrationToken = 0;
    }
    graph->SetLogFile(0);
    // The graph may outlive this manager (another holder keeps it): it must not call back into
    // one that let it go. Measured: the platform's graph faults on an empty site, so it gets one
    // that answers nothing.
    if (auto site = As<IObjectWithSite>(graph.Get())) site->SetSite(&kNoSite);
    graph.Reset();
  }
  if (engine) {
    engine->ScrapIt();
    engine.Reset();
  }
  for (auto& g : groups) g.connected = false;
  if (!dropGroups) return;
  for (auto& g : groups) {
    SysFreeString(g.name);
    g.name = nullptr;
    FreeMediaTypeContents(g.mediaType);
    if (g.group) g.group->SetPreviewMode(TRUE);
  }
  groups.clear();
}

HRESULT TLRenderMgr::CreateGraph() {
  if (!timeline) return -1;
  // What an earlier attempt that failed half-way left behind would otherwise leak.
  if (graph || engine || builder) ReleaseGraph(false);
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
  if (FAILED(hr)) return hr;
  if (LogFile* log = AppLog(); log && log->IsOpen()) graph->SetLogFile(reinterpret_cast<DWORD_PTR>(log->Handle()));
  AttachTo(graph.Get());
  hr = CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine,
                        reinterpret_cast<void**>(engine.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  engine->SetFilterGraph(graph.Get());
  engine->SetTimelineObject(timeline);
  DWORD token = 0;
  if (SUCCEEDED(RegisterGraph(graph.Get(), &token))) registrationToken = token;
  engine->ConnectFrontEnd();
  hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder));
  if (FAILED(hr)) return hr;
  return builder->SetFiltergraph(graph.Get());
}

HRESULT TLRenderMgr::LoadCompressor(size_t index) {
  if (index >= groups.size()) return E_INVALIDARG;
  TLRenderGroup& g = groups[index];
  if (g.compressor) return S_OK;
  std::vector<FilterEntry>* catalog = nullptr;
  if (g.mediaType.majortype == MEDIATYPE_Video)
    catalog = &FilterCatalog::VideoCompressors();
  else if (g.mediaType.majortype == MEDIATYPE_Audio)
    catalog = &FilterCatalog::AudioCompressors();
  else
    return S_OK;
  // An index outside the catalogue names no filter, like the uncompressed entry.
  if (g.compressorIndex < 0 || static_cast<size_t>(g.compressorIndex) >= catalog->size()) return E_INVALIDARG;
  const FilterEntry& entry = (*catalog)[static_cast<size_t>(g.compressorIndex)];
  return BindFilter(entry.displayName.empty() ? nullptr : entry.displayName.c_str(),
                    g.compressor.ReleaseAndGetAddressOf());
}

HRESULT TLRenderMgr::ConnectCompressor(size_t index) {
  if (index >= groups.size()) return E_INVALIDARG;
  if (groups[index].connected) return S_OK;
  HRESULT hr;
  if (!engine) {
    hr = CreateGraph();
    if (FAILED(hr)) return hr;
  }
  ComPtr<IPin> out;
  hr = engine->GetGroupOutputPin(static_cast<LONG>(index), &out);
  if (hr != S_OK) return hr;
  const std::wstring name = GroupCompressorName(index);
  ComPtr<IBaseFilter> old;
  if (SUCCEEDED(graph->FindFilterByName(name.c_str(), &old)) && old) graph->RemoveFilter(old.Get());
  ComPtr<IPin> peer;
  if (SUCCEEDED(out->ConnectedTo(&peer)) && peer) {
    out->Disconnect();
    PIN_INFO info = {};
    if (SUCCEEDED(peer->QueryPinInfo(&info)) && info.pFilter) {
      graph->RemoveFilter(info.pFilter);
      info.pFilter->Release();
    }
  }
  TLRenderGroup& g = groups[index];
  hr = LoadCompressor(index);
  if (g.compressor) hr = graph->AddFilter(g.compressor.Get(), name.c_str());
  if (SUCCEEDED(hr) && !g.compressor) hr = E_INVALIDARG;
  ComPtr<IPin> in;
  if (SUCCEEDED(hr)) hr = FirstPin(g.compressor.Get(), PINDIR_INPUT, &in);
  if (SUCCEEDED(hr)) {
    hr = graph->Connect(out.Get(), in.Get());
    g.connected = SUCCEEDED(hr);
  }
  return hr;
}

HRESULT TLRenderMgr::CheckDestination(const wchar_t* fileName) {
  destinationClash.clear();
  if (!fileName || !*fileName) return E_INVALIDARG;
  const std::wstring destination = fileName;
  if (!projectFile.empty() && IsSameFile(destination, projectFile)) destinationClash = projectFile;
  const std::wstring folder = FolderOf(projectFile);
  ForEachSource(timeline, [&](IAMTimelineSrc* src) {
    if (!destinationClash.empty()) return;
    BSTR name = nullptr;
    if (FAILED(src->GetMediaName(&name)) || !name) return;
    const std::wstring media = MediaPath(std::wstring(name, SysStringLen(name)), folder);
    SysFreeString(name);
    if (IsSameFile(destination, media)) destinationClash = FullPathOf(media);
  });
  return destinationClash.empty() ? S_OK : kDestinationIsInput;
}

HRESULT TLRenderMgr::RenderToFile(REFGUID outputType, const wchar_t* fileName, IMediaSeeking** seekingOut) {
  if (seekingOut) *seekingOut = nullptr;
  HRESULT checked = CheckDestination(fileName);
  if (FAILED(checked)) return checked;
  if (!builder) return -1;
  ComPtr<IBaseFilter> mux;
  HRESULT hr = builder->SetOutputFileName(&outputType, fileName, &mux, nullptr);
  if (FAILED(hr)) return hr;
  if (!mux) return E_FAIL;
  if (seekingOut && SUCCEEDED(mux->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seekingOut))) &&
      *seekingOut)
    (*seekingOut)->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  for (size_t i = 0; i < groups.size() && SUCCEEDED(hr); ++i) {
    ConnectCompressor(i);
    if (groups[i].compressor) {
      hr = builder->RenderStream(nullptr, nullptr, groups[i].compressor.Get(), nullptr, mux.Get());
    } else {
      ComPtr<IPin> out;
      hr = engine ? engine->GetGroupOutputPin(static_cast<LONG>(i), &out) : E_FAIL;
      if (hr == S_OK && out)
        hr = builder->RenderStream(nullptr, nullptr, out.Get(), nullptr, mux.Get());
      else if (SUCCEEDED(hr))
        hr = E_FAIL;
    }
  }
  return hr;
}

HRESULT TLRenderMgr::ConfigureCompressor(size_t index, bool connectFirst, HWND ownerWindow,
                                         IAMVideoCompression** videoCompressionOut, IAMStreamConfig** streamConfigOut) {
  if (videoCompressionOut) *videoCompressionOut = nullptr;
  if (streamConfigOut) *streamConfigOut = nullptr;
  if (index >= groups.size()) return E_INVALIDARG;
  HRESULT hr = LoadCompressor(index);
  if (FAILED(hr)) return hr;
  IBaseFilter* compressor = groups[index].compressor.Get();
  if (!compressor) return E_FAIL;
  if (connectFirst) {
    hr = ConnectCompressor(index);
    if (FAILED(hr)) return hr;
  }
  const bool video = groups[index].mediaType.majortype == MEDIATYPE_Video;
  if (video) {
    ComPtr<IAMVfwCompressDialogs> dialogs;
    if (SUCCEEDED(
            compressor->QueryInterface(IID_IAMVfwCompressDialogs, reinterpret_cast<void**>(dialogs.GetAddressOf()))) &&
        SUCCEEDED(dialogs->ShowDialog(VfwCompressDialog_Config, ownerWindow)))
      return S_OK;
    ComPtr<IPin> out;
    if (videoCompressionOut && SUCCEEDED(FirstPin(compressor, PINDIR_OUTPUT, &out))) {
      if (auto compression = As<IAMVideoCompression>(out.Get())) {
        *videoCompressionOut = compression.Detach();
        return S_OK;
      }
    }
  }
  if (SUCCEEDED(ShowFilterPages(compressor, ownerWindow))) return S_OK;
  ComPtr<IPin> out;
  hr = FirstPin(compressor, PINDIR_OUTPUT, &out);
  if (FAILED(hr)) return hr;
  ComPtr<IAMStreamConfig> config;
  hr = out.As(&config);
  if (FAILED(hr)) return hr;
  if (streamConfigOut) *streamConfigOut = config.Detach();
  return S_OK;
}
