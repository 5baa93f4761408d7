#include "engine/media/DecodeGraph.h"

#include "engine/media/FrameSink.h"
#include "engine/media/WavFile.h"
#include "services/ComUtil.h"
#include "services/MediaTypes.h"

#include <uuids.h>
#include <amvideo.h>
#include <dvdmedia.h>

#include <cstdint>
#include <cstring>

using Microsoft::WRL::ComPtr;

namespace engine::media {

namespace {

ComPtr<IBaseFilter> OwnerOf(IPin* pin) {
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info))) return nullptr;
  ComPtr<IBaseFilter> owner;
  Adopt(owner, info.pFilter);
  return owner;
}

// The type a pin carries: its connection's, else the first it offers.
HRESULT PinType(IPin* pin, OwnedMediaType* type) {
  AM_MEDIA_TYPE mt{};
  if (SUCCEEDED(pin->ConnectionMediaType(&mt))) {
    type->Adopt(mt);
    return S_OK;
  }
  ComPtr<IEnumMediaTypes> e;
  HRESULT hr = pin->EnumMediaTypes(&e);
  if (FAILED(hr) || !e) return FAILED(hr) ? hr : E_FAIL;
  AM_MEDIA_TYPE* offered = nullptr;
  if (e->Next(1, &offered, nullptr) != S_OK || !offered) return VFW_E_NO_TYPES;
  type->Adopt(*offered);
  CoTaskMemFree(offered);
  return S_OK;
}

HRESULT NewSink(StreamKind kind, ComPtr<IBaseFilter>* filter) { return FrameSink::Create(kind, filter); }

double FrameRateOf(const AM_MEDIA_TYPE& mt) {
  // VIDEOINFOHEADER, VIDEOINFOHEADER2 and the MPEG headers built on them share this field.
  const bool video = mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2 ||
                     mt.formattype == FORMAT_MPEGVideo || mt.formattype == FORMAT_MPEG2Video;
  if (!video || !mt.pbFormat || mt.cbFormat < sizeof(VIDEOINFOHEADER)) return 0.0;
  REFERENCE_TIME perFrame = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->AvgTimePerFrame;
  return perFrame > 0 ? 10000000.0 / static_cast<double>(perFrame) : 0.0;
}

REFERENCE_TIME DurationOf(IUnknown* object) {
  ComPtr<IMediaSeeking> seeking;
  if (!object || FAILED(object->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking.GetAddressOf()))))
    return -1;
  if (seeking->IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME) != S_OK &&
      FAILED(seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME)))
    return -1;
  LONGLONG duration = -1;
  if (FAILED(seeking->GetDuration(&duration))) return -1;
  return duration;
}

uint64_t Be(const unsigned char* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

// Whether a file in the ISO media layout (MP4, MOV, 3GP: it starts with an 'ftyp' box) is cut
// short: a top-level box runs past the end, or the index ('moov') is missing. Measured: the
// platform's parser sometimes never returns from connecting such a file, so it is refused
// before it gets that far.
bool IsCutIsoMediaFile(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool cut = false, iso = false, index = false;
  if (GetFileSizeEx(f, &size)) {
    const uint64_t end = static_cast<uint64_t>(size.QuadPart);
    uint64_t offset = 0;
    for (int boxes = 0; offset + 8 <= end && boxes < 100000; ++boxes) {
      unsigned char head[16];
      DWORD read = 0;
      LARGE_INTEGER at;
      at.QuadPart = static_cast<LONGLONG>(offset);
      if (!SetFilePointerEx(f, at, nullptr, FILE_BEGIN) || !ReadFile(f, head, 16, &read, nullptr) || read < 8) break;
      if (boxes == 0) {
        iso = std::memcmp(head + 4, "ftyp", 4) == 0;
        if (!iso) break;
      }
      uint64_t box = Be(head, 4);
      if (box == 1) {
        if (read < 16) {
          cut = true;
          break;
        }
        box = Be(head + 8, 8);
      } else if (box == 0) {
        box = end - offset;  // the last box runs to the end of the file
      }
      if (std::memcmp(head + 4, "moov", 4) == 0) index = true;
      if (box < 8 || box > end - offset) {
        cut = true;
        break;
      }
      offset += box;
    }
  }
  CloseHandle(f);
  return iso && (cut || !index);
}

}  // namespace

StreamKind KindOf(const GUID& majorType) {
  if (majorType == MEDIATYPE_Video) return StreamKind::Video;
  if (majorType == MEDIATYPE_Audio) return StreamKind::Audio;
  return StreamKind::Other;
}

HRESULT SinkType(IBaseFilter* sink, OwnedMediaType* type) {
  std::vector<ComPtr<IPin>> inputs = FilterPins(sink, PINDIR_INPUT);
  if (inputs.empty()) return E_UNEXPECTED;
  AM_MEDIA_TYPE mt{};
  HRESULT hr = inputs[0]->ConnectionMediaType(&mt);
  if (FAILED(hr)) return hr;
  type->Adopt(mt);
  return S_OK;
}

HRESULT DecodeGraph::Open(const std::wstring& path) {
  if (IsCutIsoMediaFile(path)) return VFW_E_INVALID_FILE_FORMAT;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph_.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  if (FAILED(hr = graph_->AddSourceFilter(path.c_str(), L"Source", &source_))) return hr;

  std::vector<ComPtr<IPin>> outputs = FilterPins(source_.Get(), PINDIR_OUTPUT);
  if (outputs.empty()) return VFW_E_NOT_FOUND;
  OwnedMediaType first;
  const bool byteStream =
      outputs.size() == 1 && SUCCEEDED(PinType(outputs[0].Get(), &first)) && first.Get().majortype == MEDIATYPE_Stream;
  if (!byteStream) {
    // A source that parses the file itself: its pins are the streams.
    parser_ = source_;
    streams_ = outputs;
    return S_OK;
  }

  // The graph picks the parser (and the decoders) while connecting the file to a sink; try
  // video first, then audio, since either may be all the file has.
  HRESULT connectHr = VFW_E_UNSUPPORTED_STREAM;
  for (StreamKind kind : {StreamKind::Video, StreamKind::Audio}) {
    ComPtr<IBaseFilter> sink;
    if (FAILED(hr = NewSink(kind, &sink))) return hr;
    if (FAILED(hr = graph_->AddFilter(sink.Get(), L"Probe"))) return hr;
    std::vector<ComPtr<IPin>> inputs = FilterPins(sink.Get(), PINDIR_INPUT);
    hr = inputs.empty() ? E_UNEXPECTED : graph_->Connect(outputs[0].Get(), inputs[0].Get());
    if (SUCCEEDED(hr)) {
      probeSink_ = sink;
      probeKind_ = kind;
      break;
    }
    connectHr = hr;
    graph_->RemoveFilter(sink.Get());  // a failed Connect takes out what it added itself
  }
  if (!probeSink_) return connectHr;

  ComPtr<IPin> parserInput;
  if (FAILED(hr = outputs[0]->ConnectedTo(&parserInput))) return hr;
  parser_ = OwnerOf(parserInput.Get());
  if (!parser_) return E_UNEXPECTED;
  streams_ = FilterPins(parser_.Get(), PINDIR_OUTPUT);

  // Which stream feeds the probe: walk up from the sink to the parser.
  std::vector<ComPtr<IPin>> inputs = FilterPins(probeSink_.Get(), PINDIR_INPUT);
  ComPtr<IPin> upstream;
  if (!inputs.empty()) inputs[0]->ConnectedTo(&upstream);
  for (int guard = 0; upstream && guard < 16; ++guard) {
    ComPtr<IBaseFilter> owner = OwnerOf(upstream.Get());
    if (owner == parser_) {
      for (size_t i = 0; i < streams_.size(); ++i)
        if (streams_[i] == upstream) probeStream_ = i;
      break;
    }
    std::vector<ComPtr<IPin>> ins = owner ? FilterPins(owner.Get(), PINDIR_INPUT) : std::vector<ComPtr<IPin>>{};
    ComPtr<IPin> next;
    if (ins.empty() || FAILED(ins[0]->ConnectedTo(&next))) break;
    upstream = next;
  }
  return S_OK;
}

void DecodeGraph::RemoveProbeChain() {
  if (!probeSink_) return;
  std::vector<ComPtr<IBaseFilter>> chain{probeSink_};
  std::vector<ComPtr<IPin>> inputs = FilterPins(probeSink_.Get(), PINDIR_INPUT);
  ComPtr<IPin> upstream;
  if (!inputs.empty()) inputs[0]->ConnectedTo(&upstream);
  for (int guard = 0; upstream && guard < 16; ++guard) {
    ComPtr<IBaseFilter> owner = OwnerOf(upstream.Get());
    if (!owner || owner == parser_) break;
    chain.push_back(owner);
    std::vector<ComPtr<IPin>> ins = FilterPins(owner.Get(), PINDIR_INPUT);
    ComPtr<IPin> next;
    if (ins.empty() || FAILED(ins[0]->ConnectedTo(&next))) break;
    upstream = next;
  }
  for (auto& filter : chain) graph_->RemoveFilter(filter.Get());
  probeSink_.Reset();
}

HRESULT DecodeGraph::ConnectSink(size_t i, StreamKind kind, ComPtr<IBaseFilter>* out) {
  if (i >= streams_.size() || kind == StreamKind::Other) return E_INVALIDARG;
  if (probeSink_ && probeStream_ == i && probeKind_ == kind) {
    *out = probeSink_;
    probeSink_.Reset();  // handed over: no longer ours to remove
    return S_OK;
  }
  // The probe's chain would go on decoding a stream nobody reads.
  RemoveProbeChain();
  ComPtr<IBaseFilter> filter;
  HRESULT hr = NewSink(kind, &filter);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = graph_->AddFilter(filter.Get(), L"Sink"))) return hr;
  std::vector<ComPtr<IPin>> inputs = FilterPins(filter.Get(), PINDIR_INPUT);
  hr = inputs.empty() ? E_UNEXPECTED : graph_->Connect(streams_[i].Get(), inputs[0].Get());
  if (FAILED(hr)) {
    graph_->RemoveFilter(filter.Get());
    return hr;
  }
  *out = filter;
  return S_OK;
}

StreamKind DecodeGraph::StreamKindAt(size_t i) const {
  OwnedMediaType type;
  return i < streams_.size() && SUCCEEDED(PinType(streams_[i].Get(), &type)) ? KindOf(type.Get().majortype)
                                                                             : StreamKind::Other;
}

REFERENCE_TIME DecodeGraph::StreamLength(size_t i) const {
  REFERENCE_TIME length = i < streams_.size() ? DurationOf(streams_[i].Get()) : -1;
  if (length < 0) length = DurationOf(graph_.Get());
  return length < 0 ? 0 : length;
}

HRESULT ProbeMediaFile(const std::wstring& path, std::vector<StreamDescription>* streams) {
  streams->clear();
  std::unique_ptr<WavFile> wav;
  HRESULT wave = WavFile::Open(path, &wav);
  if (wave == S_OK) {
    StreamDescription d;
    WAVEFORMATEX format = wav->Format();
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.bFixedSizeSamples = TRUE;
    mt.lSampleSize = format.nBlockAlign;
    mt.formattype = FORMAT_WaveFormatEx;
    mt.cbFormat = sizeof format;
    mt.pbFormat = reinterpret_cast<BYTE*>(&format);
    HRESULT hr = d.type.CopyFrom(mt);
    if (FAILED(hr)) return hr;
    d.decodable = true;
    d.length = wav->Length();
    streams->push_back(std::move(d));
    return S_OK;
  }
  DecodeGraph graph;
  HRESULT hr = graph.Open(path);
  if (FAILED(hr)) return hr;
  for (size_t i = 0; i < graph.StreamCount(); ++i) {
    StreamDescription d;
    OwnedMediaType native;
    if (FAILED(hr = PinType(graph.StreamPin(i), &native))) return hr;
    StreamKind kind = KindOf(native.Get().majortype);
    ComPtr<IBaseFilter> sink;
    if (kind != StreamKind::Other && SUCCEEDED(graph.ConnectSink(i, kind, &sink)) &&
        SUCCEEDED(SinkType(sink.Get(), &d.type))) {
      d.decodable = true;
    } else {
      d.type = native;
    }
    d.length = graph.StreamLength(i);
    if (kind == StreamKind::Video) {
      d.frameRate = FrameRateOf(d.type.Get());
      if (d.frameRate <= 0.0) d.frameRate = FrameRateOf(native.Get());
    }
    streams->push_back(std::move(d));
  }
  return streams->empty() ? VFW_E_UNSUPPORTED_STREAM : S_OK;
}

}  // namespace engine::media
