#include "MediaTestFiles.h"

#include "TestSupport.h"

#include <vfw.h>

#include <algorithm>
#include <cstdlib>

namespace enginetest {

namespace {

// Bottom-up 24-bit rows padded to whole words, all of one colour (0xRRGGBB).
std::vector<BYTE> SolidRgb24(LONG width, LONG height, uint32_t colour) {
  const LONG stride = (width * 3 + 3) & ~3;
  std::vector<BYTE> bits(static_cast<size_t>(stride * height));
  for (LONG y = 0; y < height; ++y)
    for (LONG x = 0; x < width; ++x) {
      BYTE* p = bits.data() + y * stride + x * 3;
      p[0] = static_cast<BYTE>(colour), p[1] = static_cast<BYTE>(colour >> 8), p[2] = static_cast<BYTE>(colour >> 16);
    }
  return bits;
}

}  // namespace

std::wstring FixturePath(const std::wstring& name) { return testsupport::ExeDir() + L"\\media-fixtures\\" + name; }

void Put16(std::string& b, uint16_t v) { b.append({static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}); }
void Put32(std::string& b, uint32_t v) {
  Put16(b, static_cast<uint16_t>(v & 0xFFFF));
  Put16(b, static_cast<uint16_t>(v >> 16));
}

std::string WaveBytes(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, const std::string& data,
                      const std::string& extra, uint32_t declaredData, bool extensible) {
  std::string fmt;
  Put16(fmt, extensible ? static_cast<uint16_t>(WAVE_FORMAT_EXTENSIBLE) : tag);
  Put16(fmt, channels);
  Put32(fmt, rate);
  Put32(fmt, rate * channels * bits / 8);
  Put16(fmt, static_cast<uint16_t>(channels * bits / 8));
  Put16(fmt, bits);
  if (extensible) {
    Put16(fmt, 22);
    Put16(fmt, bits);
    Put32(fmt, 0);
    Put32(fmt, tag);  // the sub-format: the tag's GUID in the common base
    fmt += std::string("\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71", 12);
  }
  std::string body = "WAVEfmt ";
  Put32(body, static_cast<uint32_t>(fmt.size()));
  body += fmt + extra + "data";
  Put32(body, declaredData == 0xFFFFFFFFu ? static_cast<uint32_t>(data.size()) : declaredData);
  body += data;
  std::string file = "RIFF";
  Put32(file, static_cast<uint32_t>(body.size()));
  return file + body;
}

bool WriteWav(const std::wstring& path, DWORD rate, WORD channels, WORD bits, const std::vector<int16_t>& samples) {
  std::string data;
  for (int16_t s : samples)
    if (bits == 8)
      data += static_cast<char>((s >> 8) + 128);
    else
      Put16(data, static_cast<uint16_t>(s));
  const std::string file = WaveBytes(WAVE_FORMAT_PCM, channels, rate, bits, data);
  return testsupport::WriteBytes(path, file.data(), file.size());
}

bool WriteColourAvi(const std::wstring& path, LONG width, LONG height, int frames, DWORD fps,
                    const std::function<uint32_t(int)>& colour) {
  AVIFileInit();
  DeleteFileW(path.c_str());
  PAVIFILE file = nullptr;
  bool ok = AVIFileOpenW(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr) == AVIERR_OK;
  PAVISTREAM stream = nullptr;
  const LONG stride = (width * 3 + 3) & ~3;
  if (ok) {
    AVISTREAMINFOW info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = fps;
    info.dwSuggestedBufferSize = static_cast<DWORD>(stride * height);
    SetRect(&info.rcFrame, 0, 0, width, height);
    ok = AVIFileCreateStreamW(file, &stream, &info) == AVIERR_OK;
  }
  BITMAPINFOHEADER bih{sizeof(bih), width, height, 1, 24, BI_RGB, static_cast<DWORD>(stride * height), 0, 0, 0, 0};
  if (ok) ok = AVIStreamSetFormat(stream, 0, &bih, sizeof(bih)) == AVIERR_OK;
  for (int i = 0; ok && i < frames; ++i) {
    std::vector<BYTE> bits = SolidRgb24(width, height, colour(i));
    ok = AVIStreamWrite(stream, i, 1, bits.data(), static_cast<LONG>(bits.size()), AVIIF_KEYFRAME, nullptr, nullptr) ==
         AVIERR_OK;
  }
  if (stream) AVIStreamRelease(stream);
  if (file) AVIFileRelease(file);
  AVIFileExit();
  return ok;
}

bool WriteColourBmp(const std::wstring& path, LONG width, LONG height, uint32_t colour) {
  return WriteBmp(path, width, height, SolidRgb24(width, height, colour));
}

bool WriteBmp(const std::wstring& path, LONG width, LONG height, const std::vector<BYTE>& bits) {
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  const BITMAPFILEHEADER bfh{0x4D42, static_cast<DWORD>(offset + bits.size()), 0, 0, offset};
  const BITMAPINFOHEADER bih{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<BYTE> file(reinterpret_cast<const BYTE*>(&bfh), reinterpret_cast<const BYTE*>(&bfh) + sizeof bfh);
  file.insert(file.end(), reinterpret_cast<const BYTE*>(&bih), reinterpret_cast<const BYTE*>(&bih) + sizeof bih);
  file.insert(file.end(), bits.begin(), bits.end());
  return testsupport::WriteBytes(path, file.data(), file.size());
}

uint32_t BitmapPixel(const std::vector<char>& bits, LONG x, LONG y) {
  const auto* bih = reinterpret_cast<const BITMAPINFOHEADER*>(bits.data());
  const LONG stride = (bih->biWidth * 3 + 3) & ~3;
  const auto* p = reinterpret_cast<const unsigned char*>(bits.data()) + sizeof(BITMAPINFOHEADER) +
                  static_cast<size_t>(bih->biHeight - 1 - y) * stride + x * 3;
  return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

AviReadBack::AviReadBack(const std::wstring& path) {
  AVIFileInit();
  if (AVIFileOpenW(&file_, path.c_str(), OF_READ, nullptr) != 0) file_ = nullptr;
  if (file_ && AVIFileGetStream(file_, &video_, streamtypeVIDEO, 0) != 0) video_ = nullptr;
  if (file_ && AVIFileGetStream(file_, &audio_, streamtypeAUDIO, 0) != 0) audio_ = nullptr;
}

AviReadBack::~AviReadBack() {
  if (video_) AVIStreamRelease(video_);
  if (audio_) AVIStreamRelease(audio_);
  if (file_) AVIFileRelease(file_);
  AVIFileExit();
}

BITMAPINFOHEADER AviReadBack::VideoFormat() const {
  BITMAPINFOHEADER bih{};
  LONG size = sizeof bih;
  if (video_) AVIStreamReadFormat(video_, 0, &bih, &size);
  return bih;
}

std::vector<BYTE> AviReadBack::Frame(LONG frame) const {
  if (!video_) return {};
  AVISTREAMINFOW info{};
  AVIStreamInfoW(video_, &info, sizeof info);
  const BITMAPINFOHEADER bih = VideoFormat();
  const LONG plain = ((bih.biWidth * bih.biBitCount / 8 + 3) & ~3) * std::abs(bih.biHeight);
  std::vector<BYTE> data(static_cast<size_t>(std::max<LONG>(static_cast<LONG>(info.dwSuggestedBufferSize), plain)));
  LONG bytes = 0, count = 0;
  if (AVIStreamRead(video_, frame, 1, data.data(), static_cast<LONG>(data.size()), &bytes, &count) != 0) return {};
  data.resize(static_cast<size_t>(bytes));
  return data;
}

uint32_t AviReadBack::Pixel(LONG frame, LONG x, LONG y) const {
  const BITMAPINFOHEADER bih = VideoFormat();
  const LONG pixelBytes = bih.biBitCount / 8, stride = (bih.biWidth * pixelBytes + 3) & ~3;
  const std::vector<BYTE> bits = Frame(frame);
  const size_t at = static_cast<size_t>(bih.biHeight - 1 - y) * stride + x * pixelBytes;
  if (pixelBytes < 3 || bits.size() < at + 3) return 0xDEADBEEF;
  return uint32_t(bits[at + 2]) << 16 | uint32_t(bits[at + 1]) << 8 | bits[at];
}

std::pair<int, int> AviReadBack::Sample(LONG at) const {
  int16_t v[2] = {};
  LONG bytes = 0, count = 0;
  if (audio_) AVIStreamRead(audio_, at, 1, v, sizeof v, &bytes, &count);
  return {v[0], v[1]};
}

std::vector<unsigned char> StuckJpegBytes() {
  std::vector<unsigned char> jpeg = testsupport::ReadBytes(FixturePath(L"picture.jpg"));
  if (jpeg.size() < 64) return {};
  jpeg[2] = 0xE4;
  for (size_t i = 0; i + 21 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC4) {
      for (size_t k = 0; k < 16; ++k) jpeg[i + 5 + k] = 0xFF;
      break;
    }
  return jpeg;
}

}  // namespace enginetest
