#include "engine/output/AviFile.h"

#include <algorithm>

namespace engine::output {

namespace {

constexpr DWORD FourCC(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<BYTE>(a)) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
         (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) | (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

constexpr DWORD kAvifHasIndex = 0x10, kAvifIsInterleaved = 0x100, kAvifTrustCkType = 0x800;
constexpr DWORD kAviifKeyframe = 0x10;
constexpr BYTE kIndexOfIndexes = 0x00, kIndexOfChunks = 0x01;
constexpr DWORD kNotKeyframe = 0x80000000u;

// Little-endian building of header blocks.
class Bytes {
 public:
  void U8(BYTE v) { b_.push_back(v); }
  void U16(WORD v) {
    U8(static_cast<BYTE>(v));
    U8(static_cast<BYTE>(v >> 8));
  }
  void U32(DWORD v) {
    U16(static_cast<WORD>(v));
    U16(static_cast<WORD>(v >> 16));
  }
  void U64(uint64_t v) {
    U32(static_cast<DWORD>(v));
    U32(static_cast<DWORD>(v >> 32));
  }
  void Raw(const void* p, size_t n) {
    auto* c = static_cast<const BYTE*>(p);
    b_.insert(b_.end(), c, c + n);
  }
  void Zeros(size_t n) { b_.insert(b_.end(), n, 0); }
  // Starts a chunk or list; returns where its size goes.
  size_t Open(DWORD id, DWORD listType = 0) {
    U32(id);
    size_t at = b_.size();
    U32(0);
    if (listType) U32(listType);
    return at;
  }
  void Close(size_t at) {
    DWORD size = static_cast<DWORD>(b_.size() - at - 4);
    if (b_.size() & 1) U8(0);
    Patch(at, size);
  }
  void Patch(size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i) b_[at + i] = static_cast<BYTE>(v >> (8 * i));
  }
  size_t Size() const { return b_.size(); }
  std::vector<BYTE>& Vec() { return b_; }

 private:
  std::vector<BYTE> b_;
};

DWORD Clamp32(uint64_t v) { return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(v); }

DWORD StreamTag(size_t n, char a, char b) {
  return FourCC(static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10), a, b);
}

}  // namespace

AviFile::AviFile(ByteSink& sink, std::vector<AviStreamFormat> streams, bool legacyIndex, uint64_t segmentLimit)
    : sink_(sink), legacyIndex_(legacyIndex), segmentLimit_(segmentLimit) {
  for (size_t i = 0; i < streams.size(); ++i) {
    Stream s;
    s.fmt = std::move(streams[i]);
    s.chunkId = s.fmt.video ? StreamTag(i, 'd', 'c') : StreamTag(i, 'w', 'b');
    s.indexId = FourCC('i', 'x', static_cast<char>('0' + i / 10 % 10), static_cast<char>('0' + i % 10));
    streams_.push_back(std::move(s));
  }
}

std::vector<BYTE> AviFile::BuildHeader() const {
  const Stream* video = nullptr;
  DWORD maxChunk = 0;
  uint64_t bytesPerSec = 0;
  for (const Stream& s : streams_) {
    if (s.fmt.video && !video) video = &s;
    maxChunk = std::max(maxChunk, s.maxChunk);
    if (s.fmt.scale)
      bytesPerSec += static_cast<uint64_t>(s.fmt.sampleSize ? s.fmt.sampleSize : s.maxChunk) * s.fmt.rate / s.fmt.scale;
  }

  Bytes b;
  b.U32(FourCC('R', 'I', 'F', 'F'));
  b.U32(firstRiffSize_);
  b.U32(FourCC('A', 'V', 'I', ' '));
  size_t hdrl = b.Open(FourCC('L', 'I', 'S', 'T'), FourCC('h', 'd', 'r', 'l'));

  size_t avih = b.Open(FourCC('a', 'v', 'i', 'h'));
  b.U32(video ? static_cast<DWORD>(video->fmt.frameTime / 10) : 0);
  b.U32(Clamp32(bytesPerSec));
  b.U32(0);
  b.U32((legacyIndex_ ? kAvifHasIndex : 0) | kAvifIsInterleaved | kAvifTrustCkType);
  b.U32(video ? Clamp32(video->firstSegmentUnits) : 0);
  b.U32(0);
  b.U32(static_cast<DWORD>(streams_.size()));
  b.U32(maxChunk ? maxChunk + 8 : 0);
  b.U32(video ? static_cast<DWORD>(video->fmt.width) : 0);
  b.U32(video ? static_cast<DWORD>(video->fmt.height < 0 ? -video->fmt.height : video->fmt.height) : 0);
  b.Zeros(16);
  b.Close(avih);

  for (const Stream& s : streams_) {
    size_t strl = b.Open(FourCC('L', 'I', 'S', 'T'), FourCC('s', 't', 'r', 'l'));
    size_t strh = b.Open(FourCC('s', 't', 'r', 'h'));
    b.U32(s.fmt.video ? FourCC('v', 'i', 'd', 's') : FourCC('a', 'u', 'd', 's'));
    b.U32(s.fmt.handler);
    b.U32(0);  // flags
    b.U16(0);  // priority
    b.U16(0);  // language
    b.U32(0);  // initial frames
    b.U32(s.fmt.scale);
    b.U32(s.fmt.rate);
    b.U32(0);  // start
    b.U32(Clamp32(s.totalUnits));
    b.U32(s.maxChunk);
    b.U32(0xFFFFFFFFu);  // quality: default
    b.U32(s.fmt.sampleSize);
    b.U16(0);
    b.U16(0);
    b.U16(static_cast<WORD>(s.fmt.width));
    b.U16(static_cast<WORD>(s.fmt.height < 0 ? -s.fmt.height : s.fmt.height));
    b.Close(strh);

    size_t strf = b.Open(FourCC('s', 't', 'r', 'f'));
    b.Raw(s.fmt.format.data(), s.fmt.format.size());
    b.Close(strf);

    size_t indx = b.Open(FourCC('i', 'n', 'd', 'x'));
    b.U16(4);
    b.U8(0);
    b.U8(kIndexOfIndexes);
    b.U32(static_cast<DWORD>(s.superIndex.size()));
    b.U32(s.chunkId);
    b.Zeros(12);
    for (const SuperEntry& e : s.superIndex) {
      b.U64(e.offset);
      b.U32(e.size);
      b.U32(e.duration);
    }
    b.Zeros(16 * (kSuperIndexSlots - s.superIndex.size()));
    b.Close(indx);
    b.Close(strl);
  }

  size_t odml = b.Open(FourCC('L', 'I', 'S', 'T'), FourCC('o', 'd', 'm', 'l'));
  size_t dmlh = b.Open(FourCC('d', 'm', 'l', 'h'));
  b.U32(video ? Clamp32(video->totalUnits) : 0);
  b.Zeros(244);
  b.Close(dmlh);
  b.Close(odml);
  b.Close(hdrl);

  // Padding up to the first data list, so that the header keeps its size when written again.
  uint64_t end = headerSize_ ? headerSize_ : (b.Size() + 8 + 2047) / 2048 * 2048;
  size_t junk = b.Open(FourCC('J', 'U', 'N', 'K'));
  b.Zeros(static_cast<size_t>(end - b.Size()));
  b.Close(junk);
  return std::move(b.Vec());
}

HRESULT AviFile::Put(const void* data, size_t size) {
  if (!size) return S_OK;
  HRESULT hr = sink_.Write(pos_, static_cast<const BYTE*>(data), size);
  if (SUCCEEDED(hr)) pos_ += size;
  return hr;
}

HRESULT AviFile::Put32At(uint64_t pos, DWORD value) {
  BYTE b[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
               static_cast<BYTE>(value >> 24)};
  return sink_.Write(pos, b, 4);
}

HRESULT AviFile::Begin() {
  if (segments_) return S_FALSE;
  std::vector<BYTE> header = BuildHeader();
  headerSize_ = header.size();
  return OpenSegment();
}

HRESULT AviFile::OpenSegment() {
  HRESULT hr = S_OK;
  riffPos_ = pos_;
  if (segments_ == 0) {
    std::vector<BYTE> header = BuildHeader();
    hr = Put(header.data(), header.size());
  } else {
    const DWORD riff[3] = {FourCC('R', 'I', 'F', 'F'), 0, FourCC('A', 'V', 'I', 'X')};
    hr = Put(riff, sizeof(riff));
  }
  if (FAILED(hr)) return hr;
  moviPos_ = pos_;
  const DWORD movi[3] = {FourCC('L', 'I', 'S', 'T'), 0, FourCC('m', 'o', 'v', 'i')};
  hr = Put(movi, sizeof(movi));
  if (FAILED(hr)) return hr;
  ++segments_;
  open_ = true;
  for (Stream& s : streams_) {
    s.segmentIndex.clear();
    s.segmentUnits = 0;
  }
  return S_OK;
}

uint64_t AviFile::PendingIndexBytes() const {
  uint64_t bytes = 0;
  for (const Stream& s : streams_) bytes += 32 + 8 * (s.segmentIndex.size() + 1);
  if (segments_ == 1 && legacyIndex_) bytes += 8 + 16 * (idx1_.size() + 1);
  return bytes;
}

HRESULT AviFile::WriteChunk(size_t stream, const BYTE* data, size_t size, bool keyframe) {
  if (stream >= streams_.size()) return E_INVALIDARG;
  if (size > 0x7FFFFFF0u) return E_INVALIDARG;  // the standard index keeps 31 bits of size
  HRESULT hr = segments_ ? S_OK : Begin();
  if (FAILED(hr)) return hr;
  uint64_t chunkBytes = 8 + size + (size & 1);
  bool segmentHasData =
      std::any_of(streams_.begin(), streams_.end(), [](const Stream& s) { return !s.segmentIndex.empty(); });
  if (segmentHasData && pos_ - riffPos_ + chunkBytes + PendingIndexBytes() > segmentLimit_) {
    hr = CloseSegment();
    if (SUCCEEDED(hr)) hr = OpenSegment();
    if (FAILED(hr)) return hr;
  }

  Stream& s = streams_[stream];
  uint64_t chunkPos = pos_;
  const DWORD head[2] = {s.chunkId, static_cast<DWORD>(size)};
  hr = Put(head, sizeof(head));
  if (SUCCEEDED(hr)) hr = Put(data, size);
  if (SUCCEEDED(hr) && (size & 1)) {
    const BYTE pad = 0;
    hr = Put(&pad, 1);
  }
  if (FAILED(hr)) return hr;

  s.segmentIndex.push_back(
      {static_cast<DWORD>(chunkPos + 8 - moviPos_), static_cast<DWORD>(size) | (keyframe ? 0 : kNotKeyframe)});
  if (segments_ == 1 && legacyIndex_)
    idx1_.push_back({s.chunkId, keyframe ? kAviifKeyframe : 0, static_cast<DWORD>(chunkPos - (moviPos_ + 8)),
                     static_cast<DWORD>(size)});
  uint64_t units = s.fmt.video ? 1 : size / (s.fmt.sampleSize ? s.fmt.sampleSize : 1);
  s.totalUnits += units;
  s.segmentUnits += units;
  if (segments_ == 1) s.firstSegmentUnits += units;
  s.maxChunk = std::max(s.maxChunk, static_cast<DWORD>(size));
  return S_OK;
}

HRESULT AviFile::CloseSegment() {
  HRESULT hr = S_OK;
  for (Stream& s : streams_) {
    if (s.segmentIndex.empty()) continue;
    if (s.superIndex.size() >= kSuperIndexSlots) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    Bytes ix;
    size_t at = ix.Open(s.indexId);
    ix.U16(2);
    ix.U8(0);
    ix.U8(kIndexOfChunks);
    ix.U32(static_cast<DWORD>(s.segmentIndex.size()));
    ix.U32(s.chunkId);
    ix.U64(moviPos_);
    ix.U32(0);
    for (const IndexEntry& e : s.segmentIndex) {
      ix.U32(e.offset);
      ix.U32(e.size);
    }
    ix.Close(at);
    uint64_t ixPos = pos_;
    hr = Put(ix.Vec().data(), ix.Size());
    if (FAILED(hr)) return hr;
    s.superIndex.push_back({ixPos, static_cast<DWORD>(ix.Size()), Clamp32(s.segmentUnits)});
  }
  hr = Put32At(moviPos_ + 4, static_cast<DWORD>(pos_ - moviPos_ - 8));
  if (FAILED(hr)) return hr;
  if (segments_ == 1 && legacyIndex_) {
    Bytes idx;
    size_t at = idx.Open(FourCC('i', 'd', 'x', '1'));
    for (const Idx1Entry& e : idx1_) {
      idx.U32(e.id);
      idx.U32(e.flags);
      idx.U32(e.offset);
      idx.U32(e.size);
    }
    idx.Close(at);
    hr = Put(idx.Vec().data(), idx.Size());
    if (FAILED(hr)) return hr;
    idx1_.clear();
    idx1_.shrink_to_fit();
  }
  DWORD riffSize = static_cast<DWORD>(pos_ - riffPos_ - 8);
  hr = Put32At(riffPos_ + 4, riffSize);
  if (FAILED(hr)) return hr;
  if (segments_ == 1) firstRiffSize_ = riffSize;
  open_ = false;
  return S_OK;
}

HRESULT AviFile::Finish() {
  HRESULT hr = segments_ ? S_OK : Begin();
  if (SUCCEEDED(hr) && open_) hr = CloseSegment();
  if (FAILED(hr)) return hr;
  std::vector<BYTE> header = BuildHeader();
  return sink_.Write(0, header.data(), header.size());
}

}  // namespace engine::output
