#include "engine/media/WavFile.h"

#include "engine/base/TimeUnits.h"
#include "engine/media/PcmSample.h"

#include <mmreg.h>

#include <algorithm>
#include <cstring>

namespace engine::media {

namespace {

// The extensible format's sub-format for integer PCM.
constexpr GUID kSubtypePcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

uint32_t Le32(const BYTE* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool ReadAt(HANDLE file, uint64_t pos, void* buffer, DWORD size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(pos);
  DWORD read = 0;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, buffer, size, &read, nullptr) &&
         read == size;
}

}  // namespace

WavFile::~WavFile() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

HRESULT WavFile::Open(const std::wstring& path, std::unique_ptr<WavFile>* out) {
  if (!out) return E_POINTER;
  out->reset();
  std::unique_ptr<WavFile> w(new (std::nothrow) WavFile());
  if (!w) return E_OUTOFMEMORY;
  w->file_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (w->file_ == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(w->file_, &size)) return HRESULT_FROM_WIN32(GetLastError());
  const uint64_t end = static_cast<uint64_t>(size.QuadPart);
  BYTE head[12];
  if (end < 12 || !ReadAt(w->file_, 0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0)
    return S_FALSE;

  bool haveFormat = false;
  uint64_t pos = 12;
  for (int chunks = 0; pos + 8 <= end && chunks < 10000; ++chunks) {
    BYTE chunk[8];
    if (!ReadAt(w->file_, pos, chunk, 8)) return S_FALSE;
    const uint64_t length = Le32(chunk + 4), body = pos + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      BYTE fmt[40] = {};
      const DWORD take = static_cast<DWORD>(std::min<uint64_t>(length, sizeof fmt));
      if (take < 16 || !ReadAt(w->file_, body, fmt, take)) return S_FALSE;
      WORD tag = Le16(fmt);
      if (tag == WAVE_FORMAT_EXTENSIBLE) {
        GUID sub;
        if (take < 40) return S_FALSE;
        std::memcpy(&sub, fmt + 24, sizeof sub);
        if (!IsEqualGUID(sub, kSubtypePcm)) return S_FALSE;
        tag = WAVE_FORMAT_PCM;
      }
      WAVEFORMATEX& f = w->format_;
      f.wFormatTag = tag;
      f.nChannels = Le16(fmt + 2);
      f.nSamplesPerSec = Le32(fmt + 4);
      f.wBitsPerSample = Le16(fmt + 14);
      f.nBlockAlign = Le16(fmt + 12);
      const WORD bits = f.wBitsPerSample;
      if (tag != WAVE_FORMAT_PCM || f.nChannels == 0 || f.nChannels > 32 || f.nSamplesPerSec == 0 ||
          f.nSamplesPerSec > 1000000 || (bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
          f.nBlockAlign != f.nChannels * bits / 8)
        return S_FALSE;
      f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
      f.cbSize = 0;
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat) return S_FALSE;
      // A file whose writer never came back to fill in the size (or was cut short) holds
      // what is actually there.
      const uint64_t bytes = std::min(length, end - body);
      w->dataStart_ = body;
      w->frames_ = bytes / w->format_.nBlockAlign;
      *out = std::move(w);
      return S_OK;
    }
    pos = body + length + (length & 1);
  }
  return S_FALSE;
}

REFERENCE_TIME WavFile::Length() const {
  return static_cast<REFERENCE_TIME>(static_cast<long double>(frames_) * kUnitsPerSecond / format_.nSamplesPerSec);
}

HRESULT WavFile::Seek(REFERENCE_TIME t) {
  if (t < 0) t = 0;
  // In whole numbers: the time of a frame gives that frame back.
  const uint64_t frame = static_cast<uint64_t>(t) * format_.nSamplesPerSec / kUnitsPerSecond;
  next_ = std::min(frame, frames_);
  return S_OK;
}

HRESULT WavFile::Read(size_t frames, AudioBlock* out) {
  if (!out) return E_POINTER;
  if (next_ >= frames_) return S_FALSE;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(frames, frames_ - next_));
  const WORD align = format_.nBlockAlign, channels = format_.nChannels, bytes = format_.wBitsPerSample / 8;
  raw_.resize(n * align);
  if (!ReadAt(file_, dataStart_ + next_ * align, raw_.data(), static_cast<DWORD>(raw_.size())))
    return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_HANDLE_EOF);
  out->samplesPerSecond = format_.nSamplesPerSec;
  out->channels = channels;
  // Rounded up, so that the time maps back to this frame, not the one before.
  out->start =
      static_cast<REFERENCE_TIME>((next_ * kUnitsPerSecond + format_.nSamplesPerSec - 1) / format_.nSamplesPerSec);
  out->samples.resize(n * channels);
  const BYTE* v = raw_.data();
  for (size_t i = 0; i < out->samples.size(); ++i, v += bytes) out->samples[i] = Pcm16(v, bytes);
  next_ += n;
  return S_OK;
}

}  // namespace engine::media
