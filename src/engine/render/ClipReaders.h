// The decoded content of one clip, read forward as the timeline plays: pictures for video
// clips, resampled stereo sound for audio clips. A clip whose file cannot be read logs why,
// once, and is then a gap (what lies below shows through, or silence); the rest of the
// timeline goes on.
#pragma once

#include "engine/media/FileReader.h"
#include "engine/render/RenderPlan.h"

#include <vector>
#include <memory>
#include <thread>

namespace engine::render {

class ClipReaderBase {
 public:
  ClipReaderBase(const ClipPlan& clip, IAMErrorLog* log) : clip_(clip), log_(log) {}
  const ClipPlan& Clip() const { return clip_; }

 protected:
  // Opens the decoder for the clip's stream of `kind`; false (after logging) when it cannot.
  bool OpenReader(media::StreamKind kind);
  void Fail(LONG code, HRESULT hr, const wchar_t* what);
  // Reports, once, a file that ends at media time `reached` while its clip wants media time
  // `wanted`: a cut-off file, or a clip longer than its media. `rest` says what fills the gap.
  void ReportShort(REFERENCE_TIME reached, REFERENCE_TIME wanted, const wchar_t* rest);

  ClipPlan clip_;
  IAMErrorLog* log_;  // the plan's, which outlives the clip
  std::unique_ptr<media::FileReader> reader_;
  bool failed_ = false;
};

class VideoClipReader : public ClipReaderBase {
 public:
  using ClipReaderBase::ClipReaderBase;
  ~VideoClipReader();
  // The picture shown at media time `t`; null when there is none (the clip is then black).
  const media::VideoFrame* PictureAt(REFERENCE_TIME t);
  // Opens the file on a thread of its own, ready to show media time `t`: a clip about to
  // come on screen is then not waited for.
  void Prepare(REFERENCE_TIME t);
  // True when the clip has nothing to show because its file could not be read (opening it
  // first, for media time `t`, if need be).
  bool Unreadable(REFERENCE_TIME t);

 private:
  void Open(REFERENCE_TIME t);
  void Settle();  // waits for Prepare's thread

  std::thread opening_;
  bool opened_ = false;
  bool still_ = false;
  bool have_ = false, havePending_ = false, ended_ = false;
  REFERENCE_TIME readFrom_ = 0;  // where the decoder was last positioned
  media::VideoFrame current_, pending_;
};

class AudioClipReader : public ClipReaderBase {
 public:
  using ClipReaderBase::ClipReaderBase;
  // Adds the clip's sound for output frames [first, first + count) at `rate` into `mix`
  // (stereo, not yet clipped). Output frame n lies at timeline time n / rate.
  void MixInto(int64_t first, size_t count, DWORD rate, std::vector<int32_t>& mix);

 private:
  // Makes the buffer hold source frames [from, to] as far as the file has them.
  void Fill(int64_t from, int64_t to);

  bool opened_ = false;
  bool ended_ = false;
  DWORD sourceRate_ = 0;
  int64_t bufferStart_ = 0;      // source frame index of buffer_[0]
  std::vector<int16_t> buffer_;  // stereo frames, L R L R ...
};

}  // namespace engine::render
