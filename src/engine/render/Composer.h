// Turns a group's plan into output samples: video frames composed from the tracks, or mixed
// sound. One composer per output pin, used by that pin's streaming thread only.
#pragma once

#include "engine/render/ClipReaders.h"

#include <memory>
#include <vector>

namespace engine::render {

// Draws `picture` (null: black) into a width x height BGRA canvas by the stretch mode; the
// whole canvas is covered, black where the picture leaves room.
void DrawPicture(const media::VideoFrame* picture, int stretchMode, LONG width, LONG height, uint32_t* canvas);

// Bytes in one sample of an uncompressed RGB video type.
long VideoSampleSize(const AM_MEDIA_TYPE& mt);
// Writes a top-down BGRA canvas of the type's size as one sample of an uncompressed RGB video
// type (opaque, whatever the canvas's fourth bytes hold).
void WriteVideoSample(const uint32_t* canvas, const AM_MEDIA_TYPE& mt, BYTE* out);

class VideoComposer {
 public:
  explicit VideoComposer(const GroupPlan& plan);
  LONG Width() const { return width_; }
  LONG Height() const { return height_; }
  // Composes the frame at timeline time t into one sample of `type` (the group's type as
  // connected: the row order may differ from the group's) of `size` bytes.
  HRESULT Compose(REFERENCE_TIME t, const AM_MEDIA_TYPE& type, BYTE* out, long size);

 private:
  VideoClipReader* ReaderFor(size_t layer, size_t clip);
  // The clip track `l` shows at t, or -1 in a gap; a clip whose file cannot be read is a gap.
  ptrdiff_t ShownClipAt(size_t l, REFERENCE_TIME t);
  // Lays track `l`'s picture at t over the canvas (effects and its transition applied).
  void DrawLayer(size_t l, REFERENCE_TIME t);
  void DropIdleReaders(REFERENCE_TIME t);
  // The lowest track worth drawing at t: a track showing a picture without blending hides
  // everything beneath it. Sets `covered` when that track covers the whole frame.
  size_t FirstVisibleLayer(REFERENCE_TIME t, bool* covered);
  // The picture that is the whole frame at t, untouched, when there is one: the only track
  // seen shows a clip of the frame's own size with no effect or transition on it.
  const media::VideoFrame* PlainPicture(size_t layer, REFERENCE_TIME t);

  const GroupPlan& plan_;
  LONG width_ = 0, height_ = 0;
  std::vector<uint32_t> canvas_, layer_;
  std::vector<std::vector<uint32_t>> below_;  // per composition transition: the canvas under it
  std::vector<std::vector<std::unique_ptr<VideoClipReader>>> readers_;  // per layer, per clip
};

class AudioMixer {
 public:
  explicit AudioMixer(const GroupPlan& plan);
  DWORD Rate() const { return rate_; }
  WORD Channels() const { return channels_; }
  // Mixes output frames [first, first + count) as 16-bit PCM into out.
  void Mix(int64_t first, size_t count, BYTE* out);

 private:
  const GroupPlan& plan_;
  DWORD rate_ = 0;
  WORD channels_ = 2;
  std::vector<int32_t> mix_, layer_, clip_;
  std::vector<std::vector<std::unique_ptr<AudioClipReader>>> readers_;
};

// The clip of `layer` that covers t, or -1.
ptrdiff_t ClipAt(const LayerPlan& layer, REFERENCE_TIME t);
// The transition among `transitions` that covers t, or null.
const TransitionPlan* TransitionIn(const std::vector<TransitionPlan>& transitions, REFERENCE_TIME t);
// The transition of `layer` that covers t, or null.
const TransitionPlan* TransitionAt(const LayerPlan& layer, REFERENCE_TIME t);
// How far a transition has progressed at t: 0 → 1 over its span (1 → 0 with swapped inputs).
double Progress(const TransitionPlan& trans, REFERENCE_TIME t);

}  // namespace engine::render
