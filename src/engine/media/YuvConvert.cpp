#include "engine/media/YuvConvert.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine::media {

namespace {

constexpr int kShift = 13;
constexpr int kRound = 1 << (kShift - 1);

int16_t Fixed(double v) { return static_cast<int16_t>(std::lround(v * (1 << kShift))); }

BYTE Clamp(int v) { return static_cast<BYTE>(std::clamp(v, 0, 255)); }

uint32_t Pixel(const YuvMatrix& m, int y, int u, int v) {
  const int l = (y - m.yOffset) * m.y, cb = u - 128, cr = v - 128;
  const int r = (l + m.crToR * cr + kRound) >> kShift;
  const int g = (l + m.cbToG * cb + m.crToG * cr + kRound) >> kShift;
  const int b = (l + m.cbToB * cb + kRound) >> kShift;
  return 0xFF000000u | static_cast<uint32_t>(Clamp(r)) << 16 | static_cast<uint32_t>(Clamp(g)) << 8 | Clamp(b);
}

// One row, eight pixels at a time; the same arithmetic as Pixel, so both give the same values.
void Row(const BYTE* ys, const BYTE* us, const BYTE* vs, LONG width, const YuvMatrix& m, uint32_t* out) {
  const __m128i zero = _mm_setzero_si128(), offset = _mm_set1_epi16(m.yOffset), half = _mm_set1_epi16(128);
  const __m128i round = _mm_set1_epi32(kRound), opaque = _mm_set1_epi8(static_cast<char>(0xFF));
  const __m128i toR = _mm_set1_epi32((static_cast<uint16_t>(m.crToR) << 16) | static_cast<uint16_t>(m.y));
  const __m128i toB = _mm_set1_epi32((static_cast<uint16_t>(m.cbToB) << 16) | static_cast<uint16_t>(m.y));
  const __m128i toG1 = _mm_set1_epi32((static_cast<uint16_t>(m.cbToG) << 16) | static_cast<uint16_t>(m.y));
  const __m128i toG2 = _mm_set1_epi32(static_cast<uint16_t>(m.crToG));
  auto scale = [&](__m128i pairs, __m128i k) { return _mm_madd_epi16(pairs, k); };
  auto finish = [&](__m128i lo, __m128i hi) {
    return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(lo, round), kShift),
                           _mm_srai_epi32(_mm_add_epi32(hi, round), kShift));
  };
  LONG x = 0;
  for (; x + 8 <= width; x += 8) {
    int32_t u4, v4;
    std::memcpy(&u4, us + x / 2, 4);
    std::memcpy(&v4, vs + x / 2, 4);
    const __m128i u8 = _mm_cvtsi32_si128(u4), v8 = _mm_cvtsi32_si128(v4);
    const __m128i y16 =
        _mm_sub_epi16(_mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(ys + x)), zero), offset);
    const __m128i u16 = _mm_sub_epi16(_mm_unpacklo_epi8(_mm_unpacklo_epi8(u8, u8), zero), half);
    const __m128i v16 = _mm_sub_epi16(_mm_unpacklo_epi8(_mm_unpacklo_epi8(v8, v8), zero), half);
    const __m128i yvLo = _mm_unpacklo_epi16(y16, v16), yvHi = _mm_unpackhi_epi16(y16, v16);
    const __m128i yuLo = _mm_unpacklo_epi16(y16, u16), yuHi = _mm_unpackhi_epi16(y16, u16);
    const __m128i vLo = _mm_unpacklo_epi16(v16, zero), vHi = _mm_unpackhi_epi16(v16, zero);
    const __m128i r = finish(scale(yvLo, toR), scale(yvHi, toR));
    const __m128i b = finish(scale(yuLo, toB), scale(yuHi, toB));
    const __m128i g =
        finish(_mm_add_epi32(scale(yuLo, toG1), scale(vLo, toG2)), _mm_add_epi32(scale(yuHi, toG1), scale(vHi, toG2)));
    const __m128i b8 = _mm_packus_epi16(b, zero), g8 = _mm_packus_epi16(g, zero), r8 = _mm_packus_epi16(r, zero);
    const __m128i bg = _mm_unpacklo_epi8(b8, g8), ra = _mm_unpacklo_epi8(r8, opaque);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi16(bg, ra));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), _mm_unpackhi_epi16(bg, ra));
  }
  for (; x < width; ++x) out[x] = Pixel(m, ys[x], us[x / 2], vs[x / 2]);
}

}  // namespace

YuvMatrix MakeYuvMatrix(bool fullRange, bool bt709) {
  const double kr = bt709 ? 0.2126 : 0.299, kb = bt709 ? 0.0722 : 0.114, kg = 1.0 - kr - kb;
  const double luma = fullRange ? 1.0 : 255.0 / 219.0, chroma = fullRange ? 1.0 : 255.0 / 224.0;
  YuvMatrix m;
  m.yOffset = fullRange ? 0 : 16;
  m.y = Fixed(luma);
  m.crToR = Fixed(2 * (1 - kr) * chroma);
  m.cbToB = Fixed(2 * (1 - kb) * chroma);
  m.cbToG = Fixed(-2 * (1 - kb) * kb / kg * chroma);
  m.crToG = Fixed(-2 * (1 - kr) * kr / kg * chroma);
  return m;
}

size_t I420Size(LONG width, LONG height) {
  if (width <= 0 || height <= 0 || (width & 1) || (height & 1)) return 0;
  return static_cast<size_t>(width) * height * 3 / 2;
}

void I420ToPixels(const BYTE* i420, LONG width, LONG height, const YuvMatrix& m, uint32_t* out) {
  const size_t lumaSize = static_cast<size_t>(width) * height;
  const BYTE *us = i420 + lumaSize, *vs = us + lumaSize / 4;
  for (LONG y = 0; y < height; ++y) {
    const size_t chromaRow = static_cast<size_t>(y / 2) * (width / 2);
    Row(i420 + static_cast<size_t>(y) * width, us + chromaRow, vs + chromaRow, width, m,
        out + static_cast<size_t>(y) * width);
  }
}

bool FindYuvMatrix(const BYTE* i420, const VideoFrame& reference, YuvMatrix* found) {
  const LONG w = reference.width, h = reference.height;
  if (!I420Size(w, h) || reference.pixels.size() < static_cast<size_t>(w) * h) return false;
  const BYTE *us = i420 + static_cast<size_t>(w) * h, *vs = us + static_cast<size_t>(w) * h / 4;
  double error[4] = {};
  YuvMatrix candidates[4];
  for (int k = 0; k < 4; ++k) {
    candidates[k] = MakeYuvMatrix((k & 1) == 0, k >= 2);
    long count = 0;
    // A few thousand pixels spread over the picture are plenty to tell the matrices apart.
    const LONG stepY = std::max<LONG>(1, h / 48), stepX = std::max<LONG>(1, w / 64);
    for (LONG y = 0; y < h; y += stepY)
      for (LONG x = 0; x < w; x += stepX) {
        const size_t c = static_cast<size_t>(y / 2) * (w / 2) + x / 2;
        const uint32_t mine = Pixel(candidates[k], i420[static_cast<size_t>(y) * w + x], us[c], vs[c]);
        const uint32_t theirs = reference.Row(y)[x];
        for (int shift = 0; shift < 24; shift += 8)
          error[k] += std::abs(static_cast<int>((mine >> shift) & 0xFF) - static_cast<int>((theirs >> shift) & 0xFF));
        count += 3;
      }
    error[k] /= static_cast<double>(count);
  }
  const int best = static_cast<int>(std::min_element(error, error + 4) - error);
  double second = 1e9;
  for (int k = 0; k < 4; ++k)
    if (k != best) second = std::min(second, error[k]);
  // Within a few levels of the platform's own conversion (its chroma and rounding differ a
  // little), and clearly better than every other matrix.
  if (error[best] > 3.0 || error[best] > 0.6 * second || second - error[best] < 0.5) return false;
  *found = candidates[best];
  return true;
}

}  // namespace engine::media
