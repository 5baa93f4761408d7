#include "engine/media/TgaReader.h"

#include <vfwmsgs.h>

#include <vector>

namespace engine::media {

namespace {

// Larger pictures are refused rather than allocated: no still on a timeline needs them.
constexpr uint64_t kMaxPixels = 64ull * 1024 * 1024;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// One stored pixel or palette entry of `bits` bits as BGRA.
uint32_t ToBgra(const uint8_t* p, int bits, bool gray) {
  switch (bits) {
    case 8: return gray ? (0xFF000000u | p[0] * 0x010101u) : 0;
    case 15:
    case 16: {
      uint16_t v = Le16(p);
      uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      r = (r << 3) | (r >> 2);
      g = (g << 3) | (g >> 2);
      b = (b << 3) | (b >> 2);
      return 0xFF000000u | (r << 16) | (g << 8) | b;
    }
    case 24: return 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
    case 32: return (static_cast<uint32_t>(p[3]) << 24) | (p[2] << 16) | (p[1] << 8) | p[0];
    default: return 0;
  }
}

}  // namespace

HRESULT DecodeTga(const uint8_t* data, size_t size, VideoFrame* out) {
  if (!data || !out) return E_POINTER;
  if (size < 18) return VFW_E_INVALID_FILE_FORMAT;
  const uint8_t idLength = data[0], mapType = data[1], imageType = data[2];
  const uint16_t mapFirst = Le16(data + 3), mapLength = Le16(data + 5);
  const uint8_t mapBits = data[7];
  const LONG width = Le16(data + 12), height = Le16(data + 14);
  const uint8_t bits = data[16], descriptor = data[17];

  const bool rle = imageType >= 9;
  const int kind = rle ? imageType - 8 : imageType;  // 1 mapped, 2 true colour, 3 grey
  if (kind < 1 || kind > 3 || (imageType > 3 && imageType < 9) || imageType > 11) return VFW_E_INVALID_FILE_FORMAT;
  if (mapType > 1 || (kind == 1 && mapType != 1)) return VFW_E_INVALID_FILE_FORMAT;
  if (width == 0 || height == 0) return VFW_E_INVALID_FILE_FORMAT;
  if (static_cast<uint64_t>(width) * height > kMaxPixels) return E_OUTOFMEMORY;
  if ((kind == 1 && bits != 8 && bits != 16) || (kind == 2 && bits != 15 && bits != 16 && bits != 24 && bits != 32) ||
      (kind == 3 && bits != 8))
    return VFW_E_INVALID_FILE_FORMAT;

  size_t pos = 18 + static_cast<size_t>(idLength);
  std::vector<uint32_t> palette;
  if (mapType == 1) {
    if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32) return VFW_E_INVALID_FILE_FORMAT;
    const size_t entryBytes = (mapBits + 7) / 8;
    const size_t mapBytes = entryBytes * mapLength;
    if (pos > size || size - pos < mapBytes) return VFW_E_INVALID_FILE_FORMAT;
    // Indices count from mapFirst; entries below it are not stored and read as black.
    palette.assign(static_cast<size_t>(mapFirst) + mapLength, 0xFF000000u);
    for (size_t i = 0; i < mapLength; ++i) palette[mapFirst + i] = ToBgra(data + pos + i * entryBytes, mapBits, false);
    pos += mapBytes;
  }
  if (pos > size) return VFW_E_INVALID_FILE_FORMAT;

  const size_t bytesPerPixel = (bits + 7) / 8;
  const size_t count = static_cast<size_t>(width) * height;
  const uint8_t* const end = data + size;
  const uint8_t* p = data + pos;
  // Before allocating, make sure the file can hold that many pixels at all.
  const size_t remaining = size - pos;
  if (!rle && remaining / bytesPerPixel < count) return VFW_E_INVALID_FILE_FORMAT;
  if (rle && remaining * 128 / (1 + bytesPerPixel) < count) return VFW_E_INVALID_FILE_FORMAT;

  auto pixel = [&](const uint8_t* q, uint32_t* value) -> bool {
    if (kind == 1) {
      size_t index = bits == 8 ? q[0] : Le16(q);
      if (index >= palette.size()) return false;
      *value = palette[index];
    } else {
      *value = ToBgra(q, bits, kind == 3);
    }
    return true;
  };

  std::vector<uint32_t> stored(count);
  size_t n = 0;
  while (n < count) {
    if (!rle) {
      if (!pixel(p, &stored[n])) return VFW_E_INVALID_FILE_FORMAT;
      p += bytesPerPixel;
      ++n;
      continue;
    }
    if (p >= end) return VFW_E_INVALID_FILE_FORMAT;
    const uint8_t header = *p++;
    const size_t run = (header & 0x7F) + 1u;
    if (run > count - n) return VFW_E_INVALID_FILE_FORMAT;
    if (header & 0x80) {
      if (static_cast<size_t>(end - p) < bytesPerPixel) return VFW_E_INVALID_FILE_FORMAT;
      uint32_t v;
      if (!pixel(p, &v)) return VFW_E_INVALID_FILE_FORMAT;
      p += bytesPerPixel;
      for (size_t i = 0; i < run; ++i) stored[n++] = v;
    } else {
      if (static_cast<size_t>(end - p) / bytesPerPixel < run) return VFW_E_INVALID_FILE_FORMAT;
      for (size_t i = 0; i < run; ++i, p += bytesPerPixel)
        if (!pixel(p, &stored[n++])) return VFW_E_INVALID_FILE_FORMAT;
    }
  }

  // Stored rows run bottom-up unless bit 5 says top-down; bit 4 mirrors them.
  const bool topDown = descriptor & 0x20, rightToLeft = descriptor & 0x10;
  // Files that declare no alpha bits (or 24-bit ones) are opaque whatever the fourth byte holds.
  const bool opaque = (descriptor & 0x0F) == 0;
  out->width = width;
  out->height = height;
  out->start = out->stop = 0;
  out->pixels.assign(count, 0);
  for (LONG y = 0; y < height; ++y) {
    const uint32_t* src = stored.data() + static_cast<size_t>(topDown ? y : height - 1 - y) * width;
    uint32_t* dst = out->Row(y);
    for (LONG x = 0; x < width; ++x) {
      uint32_t v = src[rightToLeft ? width - 1 - x : x];
      dst[x] = opaque ? (v | 0xFF000000u) : v;
    }
  }
  return S_OK;
}

}  // namespace engine::media
