#include "engine/render/Palette.h"

#include <amvideo.h>
#include <uuids.h>

#include <array>
#include <cstring>

namespace engine::render {

namespace {

constexpr int kCubeLevels = 6, kCube = kCubeLevels * kCubeLevels * kCubeLevels, kGreys = kPaletteColours - kCube;

int CubeLevel(int v) { return (v * (kCubeLevels - 1) + 127) / 255; }
int CubeValue(int level) { return level * 255 / (kCubeLevels - 1); }
int GreyLevel(int v) { return (v * (kGreys - 1) + 127) / 255; }
int GreyValue(int level) { return (level * 255 + (kGreys - 1) / 2) / (kGreys - 1); }

std::array<RGBQUAD, kPaletteColours> MakePalette() {
  std::array<RGBQUAD, kPaletteColours> p{};
  for (int i = 0; i < kCube; ++i) {
    p[static_cast<size_t>(i)].rgbRed = static_cast<BYTE>(CubeValue(i / (kCubeLevels * kCubeLevels)));
    p[static_cast<size_t>(i)].rgbGreen = static_cast<BYTE>(CubeValue(i / kCubeLevels % kCubeLevels));
    p[static_cast<size_t>(i)].rgbBlue = static_cast<BYTE>(CubeValue(i % kCubeLevels));
  }
  for (int g = 0; g < kGreys; ++g) {
    RGBQUAD& q = p[static_cast<size_t>(kCube + g)];
    q.rgbRed = q.rgbGreen = q.rgbBlue = static_cast<BYTE>(GreyValue(g));
  }
  return p;
}

int Square(int v) { return v * v; }

}  // namespace

const RGBQUAD* RenderPalette() {
  static const std::array<RGBQUAD, kPaletteColours> palette = MakePalette();
  return palette.data();
}

uint8_t PaletteIndex(uint32_t pixel) {
  const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
  const int cr = CubeLevel(r), cg = CubeLevel(g), cb = CubeLevel(b);
  const int cubeError = Square(r - CubeValue(cr)) + Square(g - CubeValue(cg)) + Square(b - CubeValue(cb));
  const int grey = GreyLevel((r + g + b) / 3), value = GreyValue(grey);
  const int greyError = Square(r - value) + Square(g - value) + Square(b - value);
  return static_cast<uint8_t>(greyError < cubeError ? kCube + grey : (cr * kCubeLevels + cg) * kCubeLevels + cb);
}

bool UsesRenderPalette(const AM_MEDIA_TYPE& mt) {
  if (mt.formattype != FORMAT_VideoInfo || !mt.pbFormat ||
      mt.cbFormat < sizeof(VIDEOINFOHEADER) + kPaletteColours * sizeof(RGBQUAD))
    return false;
  const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  if (bih.biBitCount != 8 || (bih.biClrUsed != 0 && bih.biClrUsed != kPaletteColours)) return false;
  return std::memcmp(mt.pbFormat + sizeof(VIDEOINFOHEADER), RenderPalette(), kPaletteColours * sizeof(RGBQUAD)) == 0;
}

}  // namespace engine::render
