// Media the media tests write themselves (WAV, uncompressed AVI) and the generated fixtures.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <vfw.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace enginetest {

// The folder the build generated fixtures into (make_media_fixtures.sh).
std::wstring FixturePath(const std::wstring& name);

// A WAVE file's bytes. `declaredData` lets the data chunk claim another size than it holds;
// `extra` goes between the format and the data.
void Put16(std::string& bytes, uint16_t v);
void Put32(std::string& bytes, uint32_t v);
std::string WaveBytes(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data,
                      const std::string& extra = "", uint32_t declaredData = 0xFFFFFFFFu, bool extensible = false);
// A PCM WAV file; `samples` interleaved, `bits` 8 or 16.
bool WriteWav(const std::wstring& path, DWORD rate, WORD channels, WORD bits, const std::vector<int16_t>& samples);

// An uncompressed 24-bit AVI whose frame i is filled with colour(i) (0xRRGGBB).
bool WriteColourAvi(const std::wstring& path, LONG width, LONG height, int frames, DWORD fps,
                    const std::function<uint32_t(int)>& colour);

// A 24-bit BMP of bottom-up rows padded to whole words, and one filled with one colour (0xRRGGBB).
bool WriteBmp(const std::wstring& path, LONG width, LONG height, const std::vector<BYTE>& rows);
bool WriteColourBmp(const std::wstring& path, LONG width, LONG height, uint32_t colour);

// The fixture JPEG with its signature and Huffman table broken: measured, the platform's
// parser never returns from opening such a file. Empty when the fixture is missing.
std::vector<unsigned char> StuckJpegBytes();

// A pixel of a GetBitmapBits buffer, counted from the top left: 0xRRGGBB.
uint32_t BitmapPixel(const std::vector<char>& bits, LONG x, LONG y);

// Whether two 0xRRGGBB colours differ by at most `tolerance` in every channel.
bool Near(uint32_t a, uint32_t b, int tolerance);

// A file read back through the platform's AVI reader: its first video and audio streams.
class AviReadBack {
 public:
  explicit AviReadBack(const std::wstring& path);
  ~AviReadBack();
  AviReadBack(const AviReadBack&) = delete;
  AviReadBack& operator=(const AviReadBack&) = delete;
  PAVISTREAM Video() const { return video_; }
  PAVISTREAM Audio() const { return audio_; }
  // A stream's length in its own units; -1 when the file has no such stream.
  LONG VideoLength() const { return video_ ? AVIStreamLength(video_) : -1; }
  LONG AudioLength() const { return audio_ ? AVIStreamLength(audio_) : -1; }
  BITMAPINFOHEADER VideoFormat() const;
  // A frame's bytes as stored; empty when it cannot be read.
  std::vector<BYTE> Frame(LONG frame) const;
  // Pixel (x, y from the top) of an uncompressed RGB frame, as 0xRRGGBB; 0xDEADBEEF when unreadable.
  uint32_t Pixel(LONG frame, LONG x, LONG y) const;
  // One stereo 16-bit sample frame.
  std::pair<int, int> Sample(LONG at) const;

 private:
  PAVIFILE file_ = nullptr;
  PAVISTREAM video_ = nullptr, audio_ = nullptr;
};

}  // namespace enginetest
