// The platform's decoders in a filter graph of our own: file source, its parser, and for each
// stream we decode a sink (FrameSink) that takes RGB32 video or PCM audio, so that the graph
// inserts whatever decoders and converters the file needs.
#pragma once

#include "services/EditingServices.h"
#include "services/MediaTypes.h"

#include <wrl/client.h>

#include <string>
#include <vector>

namespace engine::media {

enum class StreamKind { Video, Audio, Other };

// What one of a file's streams decodes to.
struct StreamDescription {
  OwnedMediaType type;  // RGB32 video or PCM audio when decodable; else the parser's own type
  bool decodable = false;
  REFERENCE_TIME length = 0;  // 100-ns units
  double frameRate = 0.0;     // video only; 0 when the file does not say
};

StreamKind KindOf(const GUID& majorType);

// Lists the streams of an audio/video file in the file's order.
HRESULT ProbeMediaFile(const std::wstring& path, std::vector<StreamDescription>* streams);

// A graph with the file's source and parser in it, ready to decode one stream.
class DecodeGraph {
 public:
  HRESULT Open(const std::wstring& path);
  size_t StreamCount() const { return streams_.size(); }
  IPin* StreamPin(size_t i) const { return streams_[i].Get(); }
  // What stream i carries, from the type its pin offers.
  StreamKind StreamKindAt(size_t i) const;
  IGraphBuilder* Graph() const { return graph_.Get(); }

  // Connects stream i to a new sink taking `kind`; returns the sink.
  HRESULT ConnectSink(size_t i, StreamKind kind, Microsoft::WRL::ComPtr<IBaseFilter>* sink);
  // Stream length from the parser's pin, else from the graph.
  REFERENCE_TIME StreamLength(size_t i) const;

 private:
  // Takes the sink that Open used to find the parser (and the decoders before it) out again.
  void RemoveProbeChain();

  Microsoft::WRL::ComPtr<IGraphBuilder> graph_;
  Microsoft::WRL::ComPtr<IBaseFilter> source_;
  Microsoft::WRL::ComPtr<IBaseFilter> parser_;  // the filter whose output pins are the streams
  std::vector<Microsoft::WRL::ComPtr<IPin>> streams_;
  Microsoft::WRL::ComPtr<IBaseFilter> probeSink_;
  StreamKind probeKind_ = StreamKind::Other;
  size_t probeStream_ = 0;
};

// A sink's connected type in the form the readers use.
HRESULT SinkType(IBaseFilter* sink, OwnedMediaType* type);

}  // namespace engine::media
