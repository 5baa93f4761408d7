// The AVI multiplexer: any number of video and audio inputs (a new input appears whenever the
// last free one is connected), one output of AVI bytes for a file writer. Streams are written
// interleaved about once per second, audio first, and the file is finished when every input
// has ended. Its position is how far the file has been written.
#pragma once

#include "engine/output/AviFile.h"
#include "engine/filters/FilterBase.h"
#include "engine/filters/MediaSeeking.h"
#include "engine/filters/Pins.h"

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

namespace engine::output {

class AviMux;

class AviMuxInput final : public filters::InputPin {
 public:
  AviMuxInput(AviMux* mux, std::wstring name);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;

 protected:
  HRESULT CompleteConnect(IPin* peer) override;
  HRESULT OnReceive(IMediaSample* sample) override;
  HRESULT OnEndOfStream() override;

 private:
  AviMux* mux_;
};

class AviMuxOutput final : public filters::OutputPin {
 public:
  explicit AviMuxOutput(AviMux* mux);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
  HRESULT GetMediaType(int index, AM_MEDIA_TYPE* mt) override;
  void BufferNeeds(ALLOCATOR_PROPERTIES& props) override;
};

class AviMux final : public filters::FilterBase,
                     public filters::MediaSeeking,
                     public IConfigInterleaving,
                     public IConfigAviMux,
                     private ByteSink {
 public:
  AviMux();
  ~AviMux() override;
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return FilterBase::QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return FilterBase::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return FilterBase::Release(); }

  STDMETHODIMP put_Mode(InterleavingMode mode) override;
  STDMETHODIMP get_Mode(InterleavingMode* mode) override;
  STDMETHODIMP put_Interleaving(const REFERENCE_TIME* interleave, const REFERENCE_TIME* preroll) override;
  STDMETHODIMP get_Interleaving(REFERENCE_TIME* interleave, REFERENCE_TIME* preroll) override;

  STDMETHODIMP SetMasterStream(LONG stream) override;
  STDMETHODIMP GetMasterStream(LONG* stream) override;
  STDMETHODIMP SetOutputCompatibilityIndex(BOOL oldIndex) override;
  STDMETHODIMP GetOutputCompatibilityIndex(BOOL* oldIndex) override;

  int PinCount() override;
  IPin* PinAt(int index) override;

  // From the inputs.
  void InputConnected();
  HRESULT Receive(AviMuxInput* pin, IMediaSample* sample);
  HRESULT EndOfStream(AviMuxInput* pin);

  static constexpr size_t kOutputBlock = 1 << 20;

 protected:
  HRESULT QueryOther(REFIID iid, void** out) override;
  HRESULT OnStart() override;
  void OnStop() override;
  DWORD SeekCaps() override;
  REFERENCE_TIME SeekDuration() override;
  REFERENCE_TIME SeekCurrent() override;

 private:
  struct Frame {
    std::vector<BYTE> data;
    bool key;
  };
  struct Stream {
    AviMuxInput* pin = nullptr;
    AviStreamFormat fmt;
    bool ended = false;
    std::deque<Frame> frames;  // video, received and not yet written
    uint64_t framesReceived = 0, framesWritten = 0;
    std::vector<BYTE> audio;  // audio, received and not yet written
    uint64_t audioReceived = 0, audioWritten = 0;
    DWORD blockAlign = 1, bytesPerSecond = 1;
  };

  HRESULT Write(uint64_t pos, const BYTE* data, size_t size) override;
  // Delivers the output sample being filled, if any.
  HRESULT FlushOutput();
  // Lets go of the output sample being filled without delivering it.
  void DropOutput();

  REFERENCE_TIME FrameStart(const Stream& s, uint64_t frame) const;
  REFERENCE_TIME Received(const Stream& s) const;
  REFERENCE_TIME Written(const Stream& s) const;
  HRESULT EnsureFile();
  HRESULT WriteVideoBefore(Stream& s, REFERENCE_TIME end);
  // Whether the stream's next frame would be written as soon as it is received.
  bool MayWriteVideoNow(const Stream& s) const;
  HRESULT WriteAudioBefore(Stream& s, REFERENCE_TIME end);
  HRESULT Pump(bool force);
  HRESULT Finish();
  // A failure in streaming: kept, so that later samples are refused, and reported to the graph.
  HRESULT Abort(HRESULT hr);
  void UpdatePosition();

  std::vector<std::unique_ptr<AviMuxInput>> inputs_;
  std::unique_ptr<AviMuxOutput> output_;

  CRITICAL_SECTION dataLock_;  // the streams and the file, entered from every input's thread
  std::vector<Stream> streams_;
  std::unique_ptr<AviFile> file_;
  // Sequential writes are gathered straight into the writer's sample being filled.
  IMediaSample* outSample_ = nullptr;
  BYTE* outData_ = nullptr;
  size_t outFill_ = 0, outSize_ = 0;
  uint64_t outPos_ = 0;
  // Buffers of frames already written, for the next frames: a fresh allocation of a large
  // frame costs a page fault per page, every frame.
  std::vector<std::vector<BYTE>> spareFrames_;
  size_t queuedBytes_ = 0;
  int64_t audioPeriods_ = 0;  // periods whose audio has been written
  HRESULT error_ = S_OK;
  bool finished_ = false;
  std::atomic<LONGLONG> position_{0};

  InterleavingMode mode_ = INTERLEAVE_CAPTURE;
  REFERENCE_TIME interleave_ = 10000000;
  REFERENCE_TIME preroll_ = 0;
  LONG master_ = -1;
  BOOL legacyIndex_ = TRUE;
};

}  // namespace engine::output
