#include "engine/effects/VideoOps.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>

namespace engine::effects {

namespace {

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

uint32_t Pack(double r, double g, double b) {
  // Rounds half up, as lround does for the values kept; lround itself is a library call per
  // channel, which dominated the effects' cost.
  auto clamp = [](double v) { return static_cast<uint32_t>(std::clamp(v, 0.0, 255.0) + 0.5); };
  return 0xFF000000u | clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

uint32_t Mix(uint32_t from, uint32_t to, double amount) {
  return Pack(Channel(from, 16) + (Channel(to, 16) - Channel(from, 16)) * amount,
              Channel(from, 8) + (Channel(to, 8) - Channel(from, 8)) * amount,
              Channel(from, 0) + (Channel(to, 0) - Channel(from, 0)) * amount);
}

template <class Fn>
void EachPixel(Picture p, Fn fn) {
  const size_t n = static_cast<size_t>(p.width) * p.height;
  for (size_t i = 0; i < n; ++i) p.pixels[i] = fn(p.pixels[i]);
}

}  // namespace

void Dissolve(Picture a, const Picture& b, double progress) {
  const int w = std::clamp(static_cast<int>(std::lround(progress * 256)), 0, 256);
  const size_t pixels = static_cast<size_t>(a.width) * a.height;
  for (size_t i = 0; i < pixels; ++i) {
    const uint32_t below = a.pixels[i], above = b.pixels[i];
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const int ca = (below >> shift) & 0xFF, cb = (above >> shift) & 0xFF;
      out |= static_cast<uint32_t>((ca * (256 - w) + cb * w + 128) >> 8) << shift;
    }
    a.pixels[i] = out;
  }
}

void Grayscale(Picture p, double amount) {
  EachPixel(p, [amount](uint32_t c) {
    const double y = 0.299 * Channel(c, 16) + 0.587 * Channel(c, 8) + 0.114 * Channel(c, 0);
    return Mix(c, Pack(y, y, y), amount);
  });
}

void Sepia(Picture p, double amount) {
  EachPixel(p, [amount](uint32_t c) {
    const double r = Channel(c, 16), g = Channel(c, 8), b = Channel(c, 0);
    return Mix(
        c,
        Pack(0.393 * r + 0.769 * g + 0.189 * b, 0.349 * r + 0.686 * g + 0.168 * b, 0.272 * r + 0.534 * g + 0.131 * b),
        amount);
  });
}

void Invert(Picture p, double amount) {
  EachPixel(p, [amount](uint32_t c) { return Mix(c, ~c | 0xFF000000u, amount); });
}

void BrightnessContrast(Picture p, double brightness, double contrast) {
  // The same curve for every channel: worked out once per value.
  uint32_t curve[256];
  for (int v = 0; v < 256; ++v) {
    const double out = (v - 127.5) * contrast + 127.5 + brightness * 255;
    curve[v] = Pack(0, 0, out) & 0xFF;
  }
  // Brightness alone moves every value by the same whole step, clamped: sixteen channels go at
  // once with saturating byte arithmetic. That is used only where it gives every value the
  // curve gives; else each is looked up.
  const int step = static_cast<int>(curve[128]) - 128;
  bool shift = step > -256 && step < 256;
  for (int v = 0; shift && v < 256; ++v) shift = static_cast<int>(curve[v]) == std::clamp(v + step, 0, 255);
  const size_t n = static_cast<size_t>(p.width) * p.height;
  size_t i = 0;
  if (shift) {
    const __m128i by = _mm_set1_epi8(static_cast<char>(std::abs(step))),
                  opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; i + 4 <= n; i += 4) {
      auto* at = reinterpret_cast<__m128i*>(p.pixels + i);
      const __m128i px = _mm_loadu_si128(at);
      _mm_storeu_si128(at, _mm_or_si128(step >= 0 ? _mm_adds_epu8(px, by) : _mm_subs_epu8(px, by), opaque));
    }
  }
  for (; i < n; ++i) {
    const uint32_t c = p.pixels[i];
    p.pixels[i] = 0xFF000000u | curve[Channel(c, 16)] << 16 | curve[Channel(c, 8)] << 8 | curve[Channel(c, 0)];
  }
}

void Blur(Picture p, double radius) {
  const LONG r = static_cast<LONG>(std::lround(std::clamp(radius, 0.0, 64.0)));
  if (r <= 0 || p.width <= 0 || p.height <= 0) return;
  std::vector<uint32_t> line;
  // Two passes of a running box sum: rows, then columns.
  auto pass = [&](LONG count, LONG length, auto at) {
    line.resize(static_cast<size_t>(length));
    for (LONG k = 0; k < count; ++k) {
      for (LONG i = 0; i < length; ++i) line[static_cast<size_t>(i)] = *at(k, i);
      for (LONG i = 0; i < length; ++i) {
        double sr = 0, sg = 0, sb = 0;
        const LONG lo = std::max<LONG>(0, i - r), hi = std::min<LONG>(length - 1, i + r);
        for (LONG j = lo; j <= hi; ++j) {
          const uint32_t c = line[static_cast<size_t>(j)];
          sr += Channel(c, 16);
          sg += Channel(c, 8);
          sb += Channel(c, 0);
        }
        const double n = static_cast<double>(hi - lo + 1);
        *at(k, i) = Pack(sr / n, sg / n, sb / n);
      }
    }
  };
  pass(p.height, p.width, [&](LONG y, LONG x) { return p.pixels + static_cast<size_t>(y) * p.width + x; });
  pass(p.width, p.height, [&](LONG x, LONG y) { return p.pixels + static_cast<size_t>(y) * p.width + x; });
}

void FadeToColour(Picture p, uint32_t colour, double progress) {
  const double amount = std::clamp(progress, 0.0, 1.0);
  EachPixel(p, [=](uint32_t c) { return Mix(c, colour | 0xFF000000u, amount); });
}

void Wipe(Picture a, const Picture& b, double progress, int direction, double softness) {
  const double soft = std::clamp(softness, 0.0, 1.0);
  for (LONG y = 0; y < a.height; ++y)
    for (LONG x = 0; x < a.width; ++x) {
      // Where this pixel lies along the wipe, 0 at its start edge and 1 at its end edge.
      double along;
      switch (direction) {
        case 1: along = 1.0 - (x + 0.5) / a.width; break;
        case 2: along = (y + 0.5) / a.height; break;
        case 3: along = 1.0 - (y + 0.5) / a.height; break;
        default: along = (x + 0.5) / a.width; break;
      }
      // The edge runs from before the picture (progress 0) to past it (progress 1), so that
      // both ends show one input only, softness included.
      const double edge = progress * (1.0 + soft) - soft;
      const double weight =
          soft > 0 ? std::clamp((edge + soft - along) / soft, 0.0, 1.0) : (along < progress ? 1.0 : 0.0);
      const size_t i = static_cast<size_t>(y) * a.width + x;
      a.pixels[i] = Mix(a.pixels[i], b.pixels[i], weight);
    }
}

void Slide(Picture a, const Picture& b, double progress, int direction) {
  const double rest = 1.0 - std::clamp(progress, 0.0, 1.0);
  // B enters from the start edge and covers A as it goes: the pixel at x shows B's pixel at
  // x + dx, while that lies inside B.
  const LONG dx = direction == 0   ? static_cast<LONG>(std::lround(rest * a.width))
                  : direction == 1 ? -static_cast<LONG>(std::lround(rest * a.width))
                                   : 0;
  const LONG dy = direction == 2   ? static_cast<LONG>(std::lround(rest * a.height))
                  : direction == 3 ? -static_cast<LONG>(std::lround(rest * a.height))
                                   : 0;
  for (LONG y = 0; y < a.height; ++y)
    for (LONG x = 0; x < a.width; ++x) {
      const LONG bx = x + dx, by = y + dy;
      if (bx < 0 || bx >= b.width || by < 0 || by >= b.height) continue;
      a.pixels[static_cast<size_t>(y) * a.width + x] = b.pixels[static_cast<size_t>(by) * b.width + bx];
    }
}

void Iris(Picture a, const Picture& b, double progress, int shape) {
  const double p = std::clamp(progress, 0.0, 1.0);
  const double cx = a.width / 2.0, cy = a.height / 2.0;
  for (LONG y = 0; y < a.height; ++y)
    for (LONG x = 0; x < a.width; ++x) {
      // Distance from the centre, 1 at the farthest corner in the shape's own measure.
      const double u = std::fabs(x + 0.5 - cx) / cx, v = std::fabs(y + 0.5 - cy) / cy;
      const double d = shape == 1 ? std::max(u, v) : shape == 2 ? (u + v) / 2 : std::sqrt((u * u + v * v) / 2);
      if (d < p) a.pixels[static_cast<size_t>(y) * a.width + x] = b.pixels[static_cast<size_t>(y) * a.width + x];
    }
}

}  // namespace engine::effects
