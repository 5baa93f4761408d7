// The end of a decoding graph: a renderer that takes one stream as RGB32 pictures or PCM
// sound and hands every sample to a receiver on the streaming thread. It offers upstream the
// engine's own allocator, so that decoded buffers wait on slim locks rather than the
// platform's semaphores (a round trip to the server per frame, twice, under the emulation),
// reports the end of its stream to the graph as a renderer does, and passes seeking upstream.
#pragma once

#include "engine/media/DecodeGraph.h"
#include "engine/filters/FilterBase.h"
#include "engine/filters/MediaSeeking.h"
#include "engine/filters/Pins.h"

#include <memory>

namespace engine::media {

class FrameSink;

// Gets the samples; called on the graph's streaming thread.
class FrameReceiver {
 public:
  virtual void Receive(IMediaSample* sample) = 0;

 protected:
  ~FrameReceiver() = default;
};

class FrameSinkInput final : public filters::InputPin {
 public:
  FrameSinkInput(FrameSink* sink, StreamKind kind);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
  // The picture format taken: RGB32 unless told otherwise while unconnected.
  void TakeVideo(const GUID& subtype) { videoSubtype_ = subtype; }
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  // The I420 type of the pictures when I420 is what the upstream makes of them itself (the
  // first type it offered before the first connection); false otherwise.
  bool NativeI420(OwnedMediaType* type) const;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;

 protected:
  HRESULT OnReceive(IMediaSample* sample) override;
  HRESULT OnEndOfStream() override;

 private:
  FrameSink* sink_;
  StreamKind kind_;
  GUID videoSubtype_;
  bool nativeKnown_ = false;
  bool nativeI420_ = false;
  OwnedMediaType native_;
};

class FrameSink final : public filters::FilterBase, public filters::MediaSeeking, public IAMFilterMiscFlags {
 public:
  static HRESULT Create(StreamKind kind, Microsoft::WRL::ComPtr<IBaseFilter>* out);
  // The sink behind a filter that Create made.
  static FrameSink* Of(IBaseFilter* filter) {
    return static_cast<FrameSink*>(static_cast<filters::FilterBase*>(filter));
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return FilterBase::QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return FilterBase::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return FilterBase::Release(); }

  int PinCount() override { return 1; }
  IPin* PinAt(int index) override { return index == 0 ? input_.get() : nullptr; }
  STDMETHODIMP_(ULONG) GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

  // The receiver of the samples from now on; null for none. Not to be changed while the graph
  // runs: the receiver must outlive the streaming.
  void SetReceiver(FrameReceiver* receiver) { receiver_ = receiver; }
  // The connected type; fails when the sink is not connected.
  HRESULT ConnectedType(OwnedMediaType* type);
  FrameSinkInput* Input() const { return input_.get(); }

  // From the input.
  void Deliver(IMediaSample* sample);
  HRESULT EndOfStream();

 protected:
  HRESULT QueryOther(REFIID iid, void** out) override;
  HRESULT OnStart() override;
  // Seeking is the stream's upstream pin's.
  bool PassUpstream(Microsoft::WRL::ComPtr<IMediaSeeking>* upstream) override;

 private:
  explicit FrameSink(StreamKind kind);
  // The upstream pin's seeking, or null when unconnected or it has none.
  Microsoft::WRL::ComPtr<IMediaSeeking> Upstream();

  std::unique_ptr<FrameSinkInput> input_;
  FrameReceiver* volatile receiver_ = nullptr;
};

}  // namespace engine::media
