// Media the media tests write themselves (WAV, uncompressed AVI) and the generated fixtures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace enginetest {

// The folder the build generated fixtures into (make_media_fixtures.sh).
std::wstring FixturePath(const std::wstring& name);

// A PCM WAV file; `samples` interleaved, `bits` 8 or 16.
bool WriteWav(const std::wstring& path, DWORD rate, WORD channels, WORD bits, const std::vector<int16_t>& samples);

// An uncompressed 24-bit AVI whose frame i is filled with colour(i) (0xRRGGBB).
bool WriteColourAvi(const std::wstring& path, LONG width, LONG height, int frames, DWORD fps,
                    const std::function<uint32_t(int)>& colour);
// The same with frame i's red = FrameRed(i), green 0x40, blue 0x80.
inline int FrameRed(int i) { return (i * 23) & 0xFF; }
inline bool WriteSolidAvi(const std::wstring& path, LONG width, LONG height, int frames, DWORD fps) {
  return WriteColourAvi(path, width, height, frames, fps, [](int i) { return uint32_t(FrameRed(i)) << 16 | 0x4080; });
}

// A 24-bit BMP filled with one colour (0xRRGGBB).
bool WriteColourBmp(const std::wstring& path, LONG width, LONG height, uint32_t colour);

// The fixture JPEG with its signature and Huffman table broken: measured, the platform's
// parser never returns from opening such a file. Empty when the fixture is missing.
std::vector<unsigned char> StuckJpegBytes();

// A pixel of a GetBitmapBits buffer, counted from the top left: 0xRRGGBB.
uint32_t BitmapPixel(const std::vector<char>& bits, LONG x, LONG y);

// Whether two 0xRRGGBB colours differ by at most `tolerance` in every channel.
bool Near(uint32_t a, uint32_t b, int tolerance);

}  // namespace enginetest
