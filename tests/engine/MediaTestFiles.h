// Media the media tests write themselves (WAV, uncompressed AVI) and the generated fixtures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace enginetest {

// The folder the build generated fixtures into (make_media_fixtures.sh).
std::wstring FixturePath(const std::wstring& name);

// A PCM WAV file; `samples` interleaved, `bits` 8 or 16.
bool WriteWav(const std::wstring& path, DWORD rate, WORD channels, WORD bits, const std::vector<int16_t>& samples);

// An uncompressed 24-bit AVI of `frames` solid frames at `fps`; frame i has red = FrameRed(i),
// green 0x40, blue 0x80.
bool WriteSolidAvi(const std::wstring& path, LONG width, LONG height, int frames, DWORD fps);
inline int FrameRed(int i) { return (i * 23) & 0xFF; }

// The fixture JPEG with its signature and Huffman table broken: measured, the platform's
// parser never returns from opening such a file. Empty when the fixture is missing.
std::vector<unsigned char> StuckJpegBytes();

// A pixel of a GetBitmapBits buffer, counted from the top left: 0xRRGGBB.
uint32_t BitmapPixel(const std::vector<char>& bits, LONG x, LONG y);

// Whether two 0xRRGGBB colours differ by at most `tolerance` in every channel.
bool Near(uint32_t a, uint32_t b, int tolerance);

}  // namespace enginetest
