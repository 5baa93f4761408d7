// Integer PCM WAVE files read straight from disk. Sound beds are mostly such files, and the
// decoding graph hands them over in small pieces, each costing a round of thread hand-offs.
#pragma once

#include "engine/media/MediaFrame.h"

#include <memory>
#include <string>

namespace engine::media {

class WavFile {
 public:
  ~WavFile();
  WavFile(const WavFile&) = delete;
  WavFile& operator=(const WavFile&) = delete;

  // S_OK with the file open; S_FALSE when the file is not plain integer PCM WAVE (compressed,
  // floating point, another container: the platform's decoders take those); a failure when it
  // cannot be opened.
  static HRESULT Open(const std::wstring& path, std::unique_ptr<WavFile>* out);

  DWORD SamplesPerSecond() const { return format_.nSamplesPerSec; }
  WORD Channels() const { return format_.nChannels; }
  // The format as an audio stream of the file: PCM, the file's rate, channels and bits.
  const WAVEFORMATEX& Format() const { return format_; }
  REFERENCE_TIME Length() const;

  // The next read starts at the sample frame that holds `t`.
  HRESULT Seek(REFERENCE_TIME t);
  // Up to `frames` sample frames as 16-bit PCM at the file's rate and channels; S_FALSE at the end.
  HRESULT Read(size_t frames, AudioBlock* out);

 private:
  WavFile() = default;

  HANDLE file_ = INVALID_HANDLE_VALUE;
  WAVEFORMATEX format_{};
  uint64_t dataStart_ = 0;  // byte offset of the first sample frame
  uint64_t frames_ = 0;     // sample frames in the file
  uint64_t next_ = 0;       // next frame to read
  std::vector<BYTE> raw_;
};

}  // namespace engine::media
