#include "engine/render/Composer.h"

#include "engine/render/Palette.h"

#include "engine/base/TimeUnits.h"
#include "engine/effects/AudioOps.h"
#include "engine/effects/EffectTable.h"
#include "engine/effects/VideoOps.h"

#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>
#include <tmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace engine::render {

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
// How long before a clip comes on screen its file is opened.
constexpr REFERENCE_TIME kOpenAhead = 2 * kUnitsPerSecond;

}  // namespace

ptrdiff_t ClipAt(const LayerPlan& layer, REFERENCE_TIME t) {
  auto it = std::upper_bound(layer.clips.begin(), layer.clips.end(), t,
                             [](REFERENCE_TIME v, const ClipPlan& c) { return v < c.start; });
  if (it == layer.clips.begin()) return -1;
  --it;
  return t < it->stop ? it - layer.clips.begin() : -1;
}

const TransitionPlan* TransitionIn(const std::vector<TransitionPlan>& transitions, REFERENCE_TIME t) {
  for (const TransitionPlan& tr : transitions)
    if (tr.Covers(t)) return &tr;
  return nullptr;
}

const TransitionPlan* TransitionAt(const LayerPlan& layer, REFERENCE_TIME t) {
  return TransitionIn(layer.transitions, t);
}

double Progress(const TransitionPlan& trans, REFERENCE_TIME t) {
  const double p = trans.cutsOnly ? (t - trans.start >= trans.cutPoint ? 1.0 : 0.0)
                                  : std::clamp(trans.Number(L"Progress", t, trans.Elapsed(t)), 0.0, 1.0);
  return trans.swapInputs ? 1.0 - p : p;
}

namespace {

// An effect's parameters at timeline time t, as its bound description reads them.
class PlanValues final : public ParamValues {
 public:
  PlanValues(const EffectPlan& fx, REFERENCE_TIME t) : fx_(fx), t_(t) {}
  double Number(const wchar_t* name) const override {
    const EffectParam* param = fx_.effect ? fx_.effect->Param(name) : nullptr;
    const double fallback = !param ? 0.0 : std::isnan(param->defaultValue) ? fx_.Elapsed(t_) : param->defaultValue;
    return fx_.Number(name, t_, fallback);
  }
  double Elapsed() const override { return fx_.Elapsed(t_); }

 private:
  const EffectPlan& fx_;
  REFERENCE_TIME t_;
};

// The plan binds every effect to its function, or leaves it out.
void ApplyVideoEffect(const EffectPlan& fx, REFERENCE_TIME t, effects::Picture p) {
  if (fx.effect && fx.effect->apply.video) fx.effect->apply.video(PlanValues(fx, t), p);
}

// Blends `b` (the track) over `a` (what lies below) by the transition's kind; the plan binds one
// it does not know to a dissolve.
void ApplyTransition(const TransitionPlan& trans, REFERENCE_TIME t, effects::Picture a, const effects::Picture& b) {
  const double p = Progress(trans, t);
  if (trans.effect && trans.effect->apply.transition)
    trans.effect->apply.transition(PlanValues(trans, t), p, a, b);
  else
    effects::Dissolve(a, b, p);
}

// Product of the gains of the audio effects at t.
double GainAt(const std::vector<EffectPlan>& fxs, REFERENCE_TIME t) {
  double gain = 1.0;
  for (const EffectPlan& fx : fxs)
    if (fx.Covers(t) && fx.effect && fx.effect->apply.gain) gain *= fx.effect->apply.gain(PlanValues(fx, t));
  return gain;
}

bool AnyCovering(const std::vector<EffectPlan>& fxs, REFERENCE_TIME from, REFERENCE_TIME to) {
  for (const EffectPlan& fx : fxs)
    if (fx.start < to && fx.stop > from) return true;
  return false;
}

}  // namespace

void DrawPicture(const media::VideoFrame* picture, int stretchMode, LONG width, LONG height, uint32_t* canvas) {
  if (!picture || picture->width <= 0 || picture->height <= 0) {
    std::fill(canvas, canvas + static_cast<size_t>(width) * height, kBlack);
    return;
  }
  const double sw = picture->width, sh = picture->height;
  // The rectangle, in canvas pixels, that the whole picture is drawn into.
  double dw = width, dh = height;
  switch (stretchMode) {
    case RESIZEF_CROP:
      dw = sw;
      dh = sh;
      break;
    case RESIZEF_PRESERVEASPECTRATIO: {
      const double s = std::min(width / sw, height / sh);
      dw = sw * s;
      dh = sh * s;
      break;
    }
    case RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX: {
      const double s = std::max(width / sw, height / sh);
      dw = sw * s;
      dh = sh * s;
      break;
    }
    default: break;
  }
  const double left = (width - dw) / 2, top = (height - dh) / 2;
  const LONG x0 = std::max<LONG>(0, static_cast<LONG>(std::lround(left)));
  const LONG x1 = std::max(x0, std::min<LONG>(width, static_cast<LONG>(std::lround(left + dw))));
  const LONG y0 = std::max<LONG>(0, static_cast<LONG>(std::lround(top)));
  const LONG y1 = std::max(y0, std::min<LONG>(height, static_cast<LONG>(std::lround(top + dh))));
  // Only the bands the picture leaves uncovered are filled: every pixel is written once.
  std::fill(canvas, canvas + static_cast<size_t>(y0) * width, kBlack);
  std::fill(canvas + static_cast<size_t>(y1) * width, canvas + static_cast<size_t>(height) * width, kBlack);
  std::vector<LONG> columns(static_cast<size_t>(x1 - x0));
  bool unscaled = true;  // the common case (a clip of the group's own size) is a plain copy
  for (LONG x = x0; x < x1; ++x) {
    const LONG sx = std::clamp<LONG>(static_cast<LONG>((x + 0.5 - left) * sw / dw), 0, picture->width - 1);
    columns[static_cast<size_t>(x - x0)] = sx;
    unscaled = unscaled && sx == columns[0] + (x - x0);
  }
  for (LONG y = y0; y < y1; ++y) {
    const LONG sy = std::clamp<LONG>(static_cast<LONG>((y + 0.5 - top) * sh / dh), 0, picture->height - 1);
    const uint32_t* src = picture->Row(sy);
    uint32_t* dst = canvas + static_cast<size_t>(y) * width;
    std::fill(dst, dst + x0, kBlack);
    std::fill(dst + x1, dst + width, kBlack);
    if (unscaled && x1 > x0) {
      const uint32_t* from = src + columns[0];
      for (LONG x = x0; x < x1; ++x) dst[x] = from[x - x0] | kBlack;
    } else {
      for (LONG x = x0; x < x1; ++x) dst[x] = src[columns[static_cast<size_t>(x - x0)]] | kBlack;
    }
  }
}

long VideoSampleSize(const AM_MEDIA_TYPE& mt) {
  const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  const size_t stride = ((static_cast<size_t>(bih.biWidth) * bih.biBitCount + 31) / 32) * 4;
  return static_cast<long>(stride * static_cast<size_t>(std::abs(bih.biHeight)));
}

namespace {

void PackRow24(const uint32_t* src, LONG width, BYTE* row) {
  // Four pixels make three whole words: B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3.
  LONG x = 0;
  for (; x + 4 <= width; x += 4) {
    const uint32_t p0 = src[x], p1 = src[x + 1], p2 = src[x + 2], p3 = src[x + 3];
    const uint32_t words[3] = {(p0 & 0xFFFFFFu) | p1 << 24, ((p1 >> 8) & 0xFFFFu) | p2 << 16,
                               ((p2 >> 16) & 0xFFu) | p3 << 8};
    std::memcpy(row + x * 3, words, sizeof words);
  }
  for (; x < width; ++x) {
    row[x * 3] = static_cast<BYTE>(src[x]);
    row[x * 3 + 1] = static_cast<BYTE>(src[x] >> 8);
    row[x * 3 + 2] = static_cast<BYTE>(src[x] >> 16);
  }
}

// The same with byte shuffles, sixteen pixels to three 16-byte blocks at a time: every
// uncompressed 24-bit frame passes through here, and the word version was the render
// thread's largest cost.
__attribute__((target("ssse3"))) void PackRow24Shuffled(const uint32_t* src, LONG width, BYTE* row) {
  const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  LONG x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)), drop);
    const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x + 4)), drop);
    const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x + 8)), drop);
    const __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x + 12)), drop);
    auto* out = reinterpret_cast<__m128i*>(row + x * 3);
    _mm_storeu_si128(out, _mm_or_si128(a, _mm_slli_si128(b, 12)));
    _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
  }
  PackRow24(src + x, width - x, row + x * 3);
}

// Runs among the static constructors, before the detection would have run by itself.
const bool canShuffle = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") != 0;
}();

}  // namespace

void WriteVideoSample(const uint32_t* canvas, const AM_MEDIA_TYPE& mt, BYTE* out) {
  const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  const LONG width = bih.biWidth, height = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
  const bool bottomUp = bih.biHeight > 0;
  const size_t stride = ((static_cast<size_t>(width) * bih.biBitCount + 31) / 32) * 4;
  for (LONG y = 0; y < height; ++y) {
    const uint32_t* src = canvas + static_cast<size_t>(y) * width;
    BYTE* row = out + stride * static_cast<size_t>(bottomUp ? height - 1 - y : y);
    switch (bih.biBitCount) {
      case 32: {
        auto* px = reinterpret_cast<uint32_t*>(row);
        for (LONG x = 0; x < width; ++x) px[x] = src[x] | kBlack;
        break;
      }
      case 24: (canShuffle ? PackRow24Shuffled : PackRow24)(src, width, row); break;
      case 8:
        for (LONG x = 0; x < width; ++x) row[x] = PaletteIndex(src[x]);
        break;
      default: {  // RGB555
        auto* px = reinterpret_cast<uint16_t*>(row);
        for (LONG x = 0; x < width; ++x) {
          const uint32_t c = src[x];
          px[x] = static_cast<uint16_t>(((c >> 19) & 0x1F) << 10 | ((c >> 11) & 0x1F) << 5 | ((c >> 3) & 0x1F));
        }
        break;
      }
    }
    std::memset(row + (static_cast<size_t>(width) * bih.biBitCount + 7) / 8, 0,
                stride - (static_cast<size_t>(width) * bih.biBitCount + 7) / 8);
  }
}

// ---- video ----

VideoComposer::VideoComposer(const GroupPlan& plan) : plan_(plan) {
  const AM_MEDIA_TYPE& mt = plan.type.Get();
  const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  width_ = bih.biWidth;
  height_ = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
  canvas_.resize(static_cast<size_t>(width_) * height_);
  layer_.resize(canvas_.size());
  readers_.resize(plan.layers.size());
  for (size_t i = 0; i < plan.layers.size(); ++i) readers_[i].resize(plan.layers[i].clips.size());
}

VideoClipReader* VideoComposer::ReaderFor(size_t layer, size_t clip) {
  auto& slot = readers_[layer][clip];
  if (!slot) slot = std::make_unique<VideoClipReader>(plan_.layers[layer].clips[clip], plan_.log.Get());
  return slot.get();
}

void VideoComposer::DropIdleReaders(REFERENCE_TIME t) {
  // Only the clips on screen, or about to be, keep their decoders: a long timeline never
  // holds them all. The next clips start opening now.
  for (size_t l = 0; l < readers_.size(); ++l)
    for (size_t c = 0; c < readers_[l].size(); ++c) {
      const ClipPlan& clip = plan_.layers[l].clips[c];
      const bool soon = t < clip.start && clip.start - t <= kOpenAhead;
      if (soon && !readers_[l][c]) ReaderFor(l, c)->Prepare(clip.MediaTimeAt(clip.start));
      if (readers_[l][c] && !soon && (t < clip.start || t >= clip.stop)) readers_[l][c].reset();
    }
}

ptrdiff_t VideoComposer::ShownClipAt(size_t l, REFERENCE_TIME t) {
  const ptrdiff_t c = ClipAt(plan_.layers[l], t);
  if (c < 0) return c;
  const ClipPlan& clip = plan_.layers[l].clips[static_cast<size_t>(c)];
  return ReaderFor(l, static_cast<size_t>(c))->Unreadable(clip.MediaTimeAt(t)) ? -1 : c;
}

void VideoComposer::DrawLayer(size_t l, REFERENCE_TIME t) {
  const LayerPlan& layer = plan_.layers[l];
  const ptrdiff_t c = ShownClipAt(l, t);
  const TransitionPlan* trans = TransitionAt(layer, t);
  if (c < 0 && !trans) return;  // a gap shows what lies below
  const media::VideoFrame* picture = nullptr;
  const ClipPlan* clip = c >= 0 ? &layer.clips[static_cast<size_t>(c)] : nullptr;
  if (clip) picture = ReaderFor(l, static_cast<size_t>(c))->PictureAt(clip->MediaTimeAt(t));
  const int mode = clip ? clip->stretchMode : RESIZEF_STRETCH;
  const bool effected = clip && (AnyCovering(clip->effects, t, t + 1) || AnyCovering(layer.effects, t, t + 1));
  if (!trans && !effected) {
    DrawPicture(picture, mode, width_, height_, canvas_.data());
    return;
  }
  // Effects change the track's own picture (the source's first, then the track's); a
  // transition then blends that picture (B) over the composite below it (A).
  DrawPicture(picture, mode, width_, height_, layer_.data());
  const effects::Picture own{width_, height_, layer_.data()};
  if (clip) {
    for (const EffectPlan& fx : clip->effects)
      if (fx.Covers(t)) ApplyVideoEffect(fx, t, own);
    for (const EffectPlan& fx : layer.effects)
      if (fx.Covers(t)) ApplyVideoEffect(fx, t, own);
  }
  if (trans)
    ApplyTransition(*trans, t, effects::Picture{width_, height_, canvas_.data()}, own);
  else
    canvas_.swap(layer_);
}

HRESULT VideoComposer::Compose(REFERENCE_TIME t, const AM_MEDIA_TYPE& type, BYTE* out, long size) {
  if (!CanProduce(type) || size < VideoSampleSize(type)) return E_INVALIDARG;
  const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  if (bih.biWidth != width_ || std::abs(bih.biHeight) != height_) return E_INVALIDARG;
  bool covered = false;
  const size_t firstLayer = FirstVisibleLayer(t, &covered);
  if (const media::VideoFrame* plain = covered ? PlainPicture(firstLayer, t) : nullptr) {
    WriteVideoSample(plain->pixels.data(), type, out);  // before any reader is let go
    DropIdleReaders(t);
    return S_OK;
  }
  if (!covered) std::fill(canvas_.begin(), canvas_.end(), kBlack);
  const auto& comps = plan_.compTransitions;
  if (below_.size() != comps.size()) below_.resize(comps.size());
  for (size_t l = firstLayer; l < plan_.layers.size(); ++l) {
    // A composition's transition needs what lay below the composition's first track.
    for (size_t i = 0; i < comps.size(); ++i)
      if (comps[i].firstLayer == l && TransitionIn(comps[i].transitions, t)) below_[i] = canvas_;
    DrawLayer(l, t);
    for (size_t i = 0; i < comps.size(); ++i) {  // inner compositions come first
      const TransitionPlan* trans = TransitionIn(comps[i].transitions, t);
      if (comps[i].endLayer != l + 1 || !trans) continue;
      ApplyTransition(*trans, t, effects::Picture{width_, height_, below_[i].data()},
                      effects::Picture{width_, height_, canvas_.data()});
      canvas_.swap(below_[i]);
    }
  }
  for (const EffectPlan& fx : plan_.effects)
    if (fx.Covers(t)) ApplyVideoEffect(fx, t, effects::Picture{width_, height_, canvas_.data()});
  DropIdleReaders(t);
  WriteVideoSample(canvas_.data(), type, out);
  return S_OK;
}

size_t VideoComposer::FirstVisibleLayer(REFERENCE_TIME t, bool* covered) {
  *covered = false;
  // A composition's transition blends over what lies below the composition: all is drawn.
  for (const CompTransitions& comp : plan_.compTransitions)
    if (TransitionIn(comp.transitions, t)) return 0;
  for (size_t l = plan_.layers.size(); l-- > 0;) {
    const LayerPlan& layer = plan_.layers[l];
    if (TransitionAt(layer, t)) return 0;
    if (ShownClipAt(l, t) >= 0) {
      *covered = true;  // drawn whole, black where its picture leaves room
      return l;
    }
  }
  return 0;
}

const media::VideoFrame* VideoComposer::PlainPicture(size_t l, REFERENCE_TIME t) {
  const LayerPlan& layer = plan_.layers[l];
  const ptrdiff_t c = ClipAt(layer, t);
  if (c < 0) return nullptr;
  const ClipPlan& clip = layer.clips[static_cast<size_t>(c)];
  if (AnyCovering(clip.effects, t, t + 1) || AnyCovering(layer.effects, t, t + 1) ||
      AnyCovering(plan_.effects, t, t + 1))
    return nullptr;
  const media::VideoFrame* picture = ReaderFor(l, static_cast<size_t>(c))->PictureAt(clip.MediaTimeAt(t));
  // Of the frame's own size, every stretch mode draws it pixel for pixel.
  return picture && picture->width == width_ && picture->height == height_ ? picture : nullptr;
}

// ---- audio ----

AudioMixer::AudioMixer(const GroupPlan& plan) : plan_(plan) {
  const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(plan.type.Get().pbFormat);
  rate_ = wfx->nSamplesPerSec;
  channels_ = wfx->nChannels;
  readers_.resize(plan.layers.size());
  for (size_t i = 0; i < plan.layers.size(); ++i) readers_[i].resize(plan.layers[i].clips.size());
}

void AudioMixer::Mix(int64_t first, size_t count, BYTE* out) {
  mix_.assign(count * 2, 0);
  const REFERENCE_TIME t0 = static_cast<REFERENCE_TIME>(static_cast<long double>(first) * kUnitsPerSecond / rate_);
  const REFERENCE_TIME t1 = static_cast<REFERENCE_TIME>(static_cast<long double>(first + static_cast<int64_t>(count)) *
                                                        kUnitsPerSecond / rate_);
  for (size_t l = 0; l < plan_.layers.size(); ++l) {
    const LayerPlan& layer = plan_.layers[l];
    // Tracks add up, except where a track has a transition: there it fades in over the mix
    // of the tracks below (a crossfade), whatever the transition's kind.
    bool fading = false;
    for (const TransitionPlan& tr : layer.transitions) fading = fading || (tr.start < t1 && tr.stop > t0);
    const bool trackEffects = AnyCovering(layer.effects, t0, t1);
    std::vector<int32_t>& target = fading || trackEffects ? layer_ : mix_;
    if (&target == &layer_) layer_.assign(count * 2, 0);
    auto timeOf = [&](size_t i) {
      return static_cast<REFERENCE_TIME>(static_cast<long double>(first + static_cast<int64_t>(i)) * kUnitsPerSecond /
                                         rate_);
    };
    for (size_t c = 0; c < layer.clips.size(); ++c) {
      const ClipPlan& clip = layer.clips[c];
      auto& slot = readers_[l][c];
      if (clip.stop <= t0 || clip.start > t1) {
        slot.reset();  // decoders only for the clips being heard
        continue;
      }
      if (!slot) slot = std::make_unique<AudioClipReader>(clip, plan_.log.Get());
      if (!AnyCovering(clip.effects, t0, t1)) {
        slot->MixInto(first, count, rate_, target);
        continue;
      }
      // A clip's own effects (its gain envelope) apply to its sound alone.
      clip_.assign(count * 2, 0);
      slot->MixInto(first, count, rate_, clip_);
      effects::ApplyGain(clip_.data(), count, [&](size_t i) { return GainAt(clip.effects, timeOf(i)); });
      for (size_t i = 0; i < clip_.size(); ++i) target[i] += clip_[i];
    }
    if (trackEffects)
      effects::ApplyGain(layer_.data(), count, [&](size_t i) { return GainAt(layer.effects, timeOf(i)); });
    if (&target == &mix_) continue;
    for (size_t i = 0; i < count; ++i) {
      const REFERENCE_TIME t = timeOf(i);
      const TransitionPlan* trans = TransitionAt(layer, t);
      for (int ch = 0; ch < 2; ++ch) {
        int32_t& below = mix_[i * 2 + ch];
        const int32_t above = layer_[i * 2 + ch];
        below =
            trans ? static_cast<int32_t>(std::lround(below + (above - below) * Progress(*trans, t))) : below + above;
      }
    }
  }
  if (AnyCovering(plan_.effects, t0, t1))
    effects::ApplyGain(mix_.data(), count, [&](size_t i) {
      return GainAt(plan_.effects,
                    static_cast<REFERENCE_TIME>(static_cast<long double>(first + static_cast<int64_t>(i)) *
                                                kUnitsPerSecond / rate_));
    });
  auto* pcm = reinterpret_cast<int16_t*>(out);
  for (size_t i = 0; i < count; ++i) {
    const int32_t left = std::clamp<int32_t>(mix_[i * 2], -32768, 32767);
    const int32_t right = std::clamp<int32_t>(mix_[i * 2 + 1], -32768, 32767);
    if (channels_ == 1) {
      pcm[i] = static_cast<int16_t>((left + right) / 2);
    } else {
      pcm[i * 2] = static_cast<int16_t>(left);
      pcm[i * 2 + 1] = static_cast<int16_t>(right);
    }
  }
}

}  // namespace engine::render
