// A filter of one input and one output whose output type follows from its input type: the
// shape of the engine's compressors. It passes flushes, segments and ends of stream on, and
// keeps transforming and stopping apart, so that what a filter holds for its stream is never
// torn down under a sample being transformed.
#pragma once

#include "engine/base/SlimMutex.h"
#include "engine/filters/FilterBase.h"
#include "engine/filters/Pins.h"

#include <atomic>
#include <memory>

namespace engine::filters {

class TransformFilter;

class TransformInput final : public InputPin {
 public:
  TransformInput(TransformFilter* filter, std::wstring name);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 protected:
  HRESULT OnReceive(IMediaSample* sample) override;
  HRESULT OnEndOfStream() override;

 private:
  TransformFilter* owner_;
};

class TransformOutput final : public OutputPin {
 public:
  TransformOutput(TransformFilter* filter, std::wstring name);
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
  HRESULT GetMediaType(int index, AM_MEDIA_TYPE* mt) override;
  void BufferNeeds(ALLOCATOR_PROPERTIES& props) override;

  // The peer's calls, made without the filter's lock for the reason DeliverEndOfStream gives.
  void DeliverBeginFlush();
  void DeliverEndFlush();
  void DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

 private:
  TransformFilter* owner_;
};

class TransformFilter : public FilterBase {
 public:
  TransformFilter(const CLSID& clsid, const wchar_t* inputName, const wchar_t* outputName);
  ~TransformFilter() override;

  int PinCount() override { return 2; }
  IPin* PinAt(int index) override;

  // Whether the input can take this type at all.
  virtual HRESULT CheckInputType(const AM_MEDIA_TYPE& in) = 0;
  // Whether this input type can be turned into this output type.
  virtual HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) = 0;
  // The output types offered for this input type, best first; VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT OutputType(const AM_MEDIA_TYPE& in, int index, AM_MEDIA_TYPE* out) = 0;
  virtual void OutputBuffers(const AM_MEDIA_TYPE& out, ALLOCATOR_PROPERTIES& props) = 0;
  // Interfaces of the output pin beyond IPin; the object handed out counts its references on
  // the filter and answers QueryInterface as the pin does.
  virtual HRESULT QueryOutputInterface(REFIID, void**) { return E_NOINTERFACE; }

  // From the pins.
  HRESULT Receive(IMediaSample* sample);
  HRESULT EndOfStream();
  void BeginFlush();
  void EndFlush();

  TransformInput& Input() { return *input_; }
  TransformOutput& Output() { return *output_; }

 protected:
  // Streaming calls, never two at once, and never during StartStreaming or StopStreaming.
  // Transform delivers what it makes through Output() (zero or more samples per input).
  virtual HRESULT Transform(IMediaSample* in) = 0;
  // The end of the input: deliver what is still held, before the end passes downstream.
  virtual HRESULT Drain() { return S_OK; }
  // Forget what is held without delivering it (a flush).
  virtual void Discard() {}
  // Stopped → paused, with both pins connected; and back to stopped.
  virtual HRESULT StartStreaming() { return S_OK; }
  virtual void StopStreaming() {}

  HRESULT OnStart() override;
  void OnStop() override;

  // A sample to fill from the output's allocator; null when there is none (stopped, flushing).
  HRESULT NewOutputSample(IMediaSample** sample);

 private:
  std::unique_ptr<TransformInput> input_;
  std::unique_ptr<TransformOutput> output_;
  // Held while a sample is transformed; a stop takes it once the output's buffers are released,
  // so that a transform blocked on one returns first.
  SlimMutex streaming_;
  std::atomic<bool> flushing_{false};
  bool started_ = false;  // StartStreaming succeeded; under streaming_
};

}  // namespace engine::filters
