// The layout of an AVI file as the multiplexer writes it: a header with room for everything
// it will learn later, the interleaved chunks in RIFF segments of at most about 1 GB (the first
// 'AVI ', the rest 'AVIX'), a standard index per stream and segment, the legacy index of the
// first segment, and the header written again at the end with the real counts.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cstdint>
#include <vector>

namespace engine::output {

// Where the bytes go: a positioned write, so that sizes and the header can be filled in later.
class ByteSink {
 public:
  virtual HRESULT Write(uint64_t pos, const BYTE* data, size_t size) = 0;

 protected:
  ~ByteSink() = default;
};

struct AviStreamFormat {
  bool video = false;
  DWORD handler = 0;             // strh fccHandler
  DWORD scale = 1, rate = 1;     // units per second = rate / scale
  DWORD sampleSize = 0;          // 0: one chunk is one unit (video); else bytes per unit (audio)
  std::vector<BYTE> format;      // strf: BITMAPINFOHEADER (+extra) or WAVEFORMATEX (+extra)
  LONG width = 0, height = 0;    // video frame size
  REFERENCE_TIME frameTime = 0;  // video: 100-ns per frame
};

class AviFile {
 public:
  AviFile(ByteSink& sink, std::vector<AviStreamFormat> streams, bool legacyIndex,
          uint64_t segmentLimit = kDefaultSegmentLimit);

  // Writes the provisional header and opens the first segment.
  HRESULT Begin();
  // One chunk of a stream: a video frame, or whole blocks of audio.
  HRESULT WriteChunk(size_t stream, const BYTE* data, size_t size, bool keyframe);
  // Closes the last segment and writes the header again with the final counts.
  HRESULT Finish();

  uint64_t Units(size_t stream) const { return streams_[stream].totalUnits; }
  int SegmentCount() const { return segments_; }
  uint64_t Size() const { return pos_; }

  static constexpr uint64_t kDefaultSegmentLimit = 1000u * 1024 * 1024;
  static constexpr DWORD kSuperIndexSlots = 256;  // segments a file can have

 private:
  struct IndexEntry {
    DWORD offset;  // chunk data, relative to the segment's base
    DWORD size;    // bit 31 set: not a key frame
  };
  struct SuperEntry {
    uint64_t offset;
    DWORD size;
    DWORD duration;
  };
  struct Idx1Entry {
    DWORD id, flags, offset, size;
  };
  struct Stream {
    AviStreamFormat fmt;
    DWORD chunkId;
    DWORD indexId;
    uint64_t totalUnits = 0;
    uint64_t firstSegmentUnits = 0;
    uint64_t segmentUnits = 0;
    DWORD maxChunk = 0;
    std::vector<IndexEntry> segmentIndex;
    std::vector<SuperEntry> superIndex;
  };

  std::vector<BYTE> BuildHeader() const;
  HRESULT OpenSegment();
  HRESULT CloseSegment();
  HRESULT Put(const void* data, size_t size);
  HRESULT Put32At(uint64_t pos, DWORD value);
  uint64_t PendingIndexBytes() const;

  ByteSink& sink_;
  std::vector<Stream> streams_;
  bool legacyIndex_;
  uint64_t segmentLimit_;
  uint64_t headerSize_ = 0;  // up to the first 'movi' list
  uint64_t pos_ = 0;
  uint64_t riffPos_ = 0, moviPos_ = 0;
  DWORD firstRiffSize_ = 0;
  int segments_ = 0;
  bool open_ = false;
  std::vector<Idx1Entry> idx1_;
};

}  // namespace engine::output
