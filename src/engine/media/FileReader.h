// Decodes one stream of an audio/video file through the platform's decoders, on the graph's
// own threads, into a small bounded queue: RGB32 pictures or 16-bit PCM, with media times.
// Plain PCM WAVE files are read directly instead.
// Used from one thread at a time (any thread with COM initialised).
#pragma once

#include "engine/base/SlimCondition.h"
#include "engine/media/DecodeGraph.h"
#include "engine/media/FrameSink.h"
#include "engine/media/MediaFrame.h"
#include "engine/media/TimeLimit.h"
#include "engine/media/WavFile.h"
#include "engine/media/YuvConvert.h"

#include <control.h>

#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace engine::media {

class FileReader final : private FrameReceiver {
 public:
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // `stream` counts all the file's streams (as the media detector lists them); `kind` must be
  // that stream's kind.
  static HRESULT Open(const std::wstring& path, size_t stream, StreamKind kind, std::unique_ptr<FileReader>* out);
  // The same for the file's `n`th stream of `kind`, counting only streams of that kind.
  static HRESULT OpenNthOfKind(const std::wstring& path, size_t n, StreamKind kind, std::unique_ptr<FileReader>* out);
  // What both return for a file without the stream asked for.
  static constexpr HRESULT kNoSuchStream = E_INVALIDARG;

  StreamKind Kind() const { return kind_; }
  LONG Width() const { return width_; }
  LONG Height() const { return height_; }
  DWORD SamplesPerSecond() const { return rate_; }
  WORD Channels() const { return channels_; }
  REFERENCE_TIME Length() const { return length_; }

  // The next reads start at the frame that holds `t` (or a little before it). Decoding starts
  // from the beginning when nothing was sought.
  HRESULT Seek(REFERENCE_TIME t);

  // S_OK with the next picture or block; S_FALSE at the end of the stream; a failure when the
  // decoders report one or nothing arrives within `timeoutMs`. The pixel buffer `out` held
  // before is kept for a later picture.
  HRESULT ReadVideo(VideoFrame* out, DWORD timeoutMs);
  HRESULT ReadAudio(AudioBlock* out, DWORD timeoutMs);

  // Timeout of an open or a read that found nothing in time.
  static constexpr HRESULT kTimedOut = media::kTimedOut;
  // Whether pictures come from the decoders as I420 (converted here) rather than RGB32.
  bool DecodesYuv() const { return yuv_; }

 private:
  FileReader() = default;
  // Opens the stream that `pick` chooses from the kinds of the file's streams, in order,
  // giving up after the source time limit.
  template <class Pick>
  static HRESULT OpenPicked(const std::wstring& path, StreamKind kind, Pick pick, std::unique_ptr<FileReader>* out);
  template <class Pick>
  static HRESULT OpenPickedNow(const std::wstring& path, StreamKind kind, Pick pick, std::unique_ptr<FileReader>* out);

  HRESULT Start();
  HRESULT FindOrigin(DWORD timeoutMs);
  // Has the decoders hand out I420 instead of RGB32 when they can and its matrix is found;
  // stays with RGB32 otherwise. The first picture, still queued, is the reference.
  void TryYuv();
  // Connects the sink to `upstream` again, taking `type`; decoding starts over from the beginning.
  HRESULT ConnectFromStart(IPin* upstream, const AM_MEDIA_TYPE& type);
  // On the streaming thread: whether I420 pictures can be converted, the matrix being found
  // on the first.
  bool FindMatrix(const BYTE* i420, size_t size);
  // After decoding started over: `first` (the file's first picture) leads the queue again
  // if the decoders skipped it. Under the lock.
  void KeepFirst(const VideoFrame& first);
  void Halt();
  HRESULT WaitForItem(DWORD timeoutMs, bool video);
  void PollEvents();
  // Called on the graph's streaming thread for every decoded sample.
  void Receive(IMediaSample* sample) override;

  StreamKind kind_ = StreamKind::Video;
  std::unique_ptr<WavFile> wav_;  // set for a plain PCM WAVE file, read without a graph
  DecodeGraph graph_;
  Microsoft::WRL::ComPtr<IBaseFilter> sink_;
  Microsoft::WRL::ComPtr<IMediaControl> control_;
  Microsoft::WRL::ComPtr<IMediaSeeking> seeking_;
  Microsoft::WRL::ComPtr<IMediaEvent> events_;

  LONG width_ = 0, height_ = 0;
  bool bottomUp_ = true;
  DWORD rate_ = 0;
  WORD channels_ = 0, bits_ = 16, blockAlign_ = 0;
  REFERENCE_TIME length_ = 0;
  REFERENCE_TIME segmentStart_ = 0;  // decoded sample times count from here
  // The time the decoders give the stream's first picture or sound. Containers may start
  // their clocks late (MPEG programs) or ignore their edit lists (MP4): media time 0 is the
  // first thing the file shows, so this is taken off every time handed out.
  REFERENCE_TIME origin_ = 0;
  REFERENCE_TIME nextAudioTime_ = 0;
  bool running_ = false;

  SlimMutex mutex_;
  SlimCondition changed_;
  std::deque<VideoFrame> pictures_;
  // Pixel buffers handed back by reads, for the next pictures: allocating a picture afresh
  // costs a page fault per page, every frame.
  std::vector<std::vector<uint32_t>> spare_;
  std::deque<AudioBlock> blocks_;
  // Pictures come as I420 and are converted with matrix_, once the first of them has shown
  // which matrix turns it into reference_; yuvRefused_ when none did.
  bool yuv_ = false;
  bool matrixKnown_ = false;
  bool yuvRefused_ = false;
  YuvMatrix matrix_;
  VideoFrame reference_;
  bool halting_ = false;
  bool ended_ = false;
  HRESULT error_ = S_OK;
};

}  // namespace engine::media
