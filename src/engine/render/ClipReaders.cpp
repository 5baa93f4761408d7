#include "engine/render/ClipReaders.h"

#include "engine/media/StillImage.h"
#include "engine/media/TimeLimit.h"
#include "engine/base/TimeUnits.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <exception>
#include <utility>

namespace engine::render {

namespace {

// A jump further ahead than this is sought rather than decoded through.
constexpr REFERENCE_TIME kDecodeAhead = kUnitsPerSecond;
// How much shorter than its clip a file may be before that is worth a word: containers round
// their lengths, and sound often stops a block early.
constexpr REFERENCE_TIME kShortSlack = kUnitsPerSecond / 4;

}  // namespace

void ClipReaderBase::Fail(LONG code, HRESULT hr, const wchar_t* what) {
  failed_ = true;
  // A reader that stopped delivering may be stuck in the platform for good.
  media::LetGoInBackground(std::move(reader_));
  if (!clip_.reported->exchange(true)) LogTo(log_, code, hr, std::wstring(what) + L": " + clip_.path);
}

void ClipReaderBase::ReportShort(REFERENCE_TIME reached, REFERENCE_TIME wanted, const wchar_t* rest) {
  if (wanted <= reached + kShortSlack || clip_.reported->exchange(true)) return;
  LogTo(log_, DEX_IDS_BAD_SOURCE_NAME, HRESULT_FROM_WIN32(ERROR_HANDLE_EOF),
        L"Source file ends at " + SecondsText(reached) + L", before the " + SecondsText(clip_.mediaStop) +
            L" its clip shows (cut off or damaged?); the rest renders as " + rest + L": " + clip_.path);
}

bool ClipReaderBase::OpenReader(media::StreamKind kind) {
  if (clip_.path.empty()) {
    Fail(DEX_IDS_MISSING_SOURCE_NAME, E_INVALIDARG, L"A source has no file name; it renders as a gap");
    return false;
  }
  const DWORD attrs = GetFileAttributesW(clip_.path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
    Fail(DEX_IDS_BAD_SOURCE_NAME, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
         L"Source file not found; it renders as a gap");
    return false;
  }
  // The clip names its stream among the file's streams of its kind. The reader's own graph
  // tells the kinds apart: probing the file first would build and tear down a second one.
  HRESULT hr = clip_.stream < 0
                   ? media::FileReader::kNoSuchStream
                   : media::FileReader::OpenNthOfKind(clip_.path, static_cast<size_t>(clip_.stream), kind, &reader_);
  if (hr == media::FileReader::kNoSuchStream) {
    Fail(DEX_IDS_STREAM_NUMBER, E_INVALIDARG, L"Source file has no such stream; it renders as a gap");
    return false;
  }
  if (hr == media::kTimedOut) {
    Fail(DEX_IDS_BAD_SOURCE_NAME, hr,
         (L"Source file did not open within " +
          SecondsText(static_cast<REFERENCE_TIME>(media::SourceTimeLimitMs()) * 10000) +
          L" (damaged, or not a media file?); it renders as a gap")
             .c_str());
    return false;
  }
  if (FAILED(hr)) {
    Fail(DEX_IDS_BAD_SOURCE_NAME, hr, L"Source file cannot be read or decoded; it renders as a gap");
    return false;
  }
  return true;
}

// ---- video ----

VideoClipReader::~VideoClipReader() { Settle(); }

void VideoClipReader::Open(REFERENCE_TIME t) {
  opened_ = true;
  HRESULT hr = media::LoadStillImage(clip_.path, &current_);
  if (hr == S_OK) {
    still_ = have_ = true;
  } else if (FAILED(hr) && GetFileAttributesW(clip_.path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    Fail(DEX_IDS_BAD_SOURCE_NAME, hr, L"Source picture cannot be read; it renders as a gap");
  } else if (OpenReader(media::StreamKind::Video) && t > kDecodeAhead) {
    // Decoding starts at the file's beginning; a clip that starts further in is sought now.
    if (SUCCEEDED(reader_->Seek(t))) readFrom_ = t;
  }
}

void VideoClipReader::Prepare(REFERENCE_TIME t) {
  if (opening_.joinable() || opened_) return;
  try {
    opening_ = std::thread([this, t] {
      const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      Open(t);
      if (SUCCEEDED(com)) CoUninitialize();
    });
  } catch (const std::exception&) {
    // No thread to be had: the clip opens when it is first shown.
  }
}

void VideoClipReader::Settle() {
  if (opening_.joinable()) opening_.join();
}

bool VideoClipReader::Unreadable(REFERENCE_TIME t) {
  Settle();
  if (!opened_) Open(t);
  return failed_ && !have_ && !still_;
}

const media::VideoFrame* VideoClipReader::PictureAt(REFERENCE_TIME t) {
  Settle();
  if (!opened_) Open(t);
  if (still_) return &current_;
  if (!reader_) return have_ ? &current_ : nullptr;

  const REFERENCE_TIME from = have_ ? current_.start : readFrom_;
  if (t < from || t > from + kDecodeAhead) {
    HRESULT hr = reader_->Seek(t);
    if (FAILED(hr)) {
      Fail(DEX_IDS_GRAPH_ERROR, hr, L"Source file cannot be positioned");
      return nullptr;
    }
    readFrom_ = t;
    have_ = havePending_ = ended_ = false;
  }
  for (;;) {
    if (have_ && current_.stop > current_.start && t < current_.stop) return &current_;
    if (!havePending_) {
      if (ended_) {  // past the file's end its last picture stays
        ReportShort(have_ ? current_.stop : 0, t, have_ ? L"its last picture" : L"black");
        return have_ ? &current_ : nullptr;
      }
      HRESULT hr = reader_->ReadVideo(&pending_, media::SourceTimeLimitMs());
      if (hr == S_FALSE) {
        ended_ = true;
        continue;
      }
      if (FAILED(hr)) {
        Fail(DEX_IDS_GRAPH_ERROR, hr, L"Source file stopped decoding");
        return have_ ? &current_ : nullptr;
      }
      havePending_ = true;
    }
    if (have_ && pending_.start > t) return &current_;
    std::swap(current_, pending_);  // the old picture's buffer goes back to the reader on the next read
    havePending_ = false;
    have_ = true;
  }
}

// ---- audio ----

void AudioClipReader::Fill(int64_t from, int64_t to) {
  if (!opened_) {
    opened_ = true;
    if (!OpenReader(media::StreamKind::Audio)) return;
    sourceRate_ = reader_->SamplesPerSecond();
  }
  if (!reader_ || !sourceRate_) return;
  const int64_t end = bufferStart_ + static_cast<int64_t>(buffer_.size() / 2);
  if (from < bufferStart_ || from > end + sourceRate_) {
    const REFERENCE_TIME at = static_cast<REFERENCE_TIME>(from * kUnitsPerSecond / sourceRate_);
    HRESULT hr = reader_->Seek(at);
    if (FAILED(hr)) {
      Fail(DEX_IDS_GRAPH_ERROR, hr, L"Source file cannot be positioned");
      return;
    }
    buffer_.clear();
    bufferStart_ = from;
    ended_ = false;
  }
  // What lies behind the request is not needed again while playing forward.
  const int64_t drop = std::min<int64_t>(from - bufferStart_, static_cast<int64_t>(buffer_.size() / 2));
  if (drop > 0) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + drop * 2);
    bufferStart_ += drop;
  }
  while (!ended_ && bufferStart_ + static_cast<int64_t>(buffer_.size() / 2) <= to) {
    media::AudioBlock block;
    HRESULT hr = reader_->ReadAudio(&block, media::SourceTimeLimitMs());
    if (hr == S_FALSE) {
      ended_ = true;
      break;
    }
    if (FAILED(hr)) {
      Fail(DEX_IDS_GRAPH_ERROR, hr, L"Source file stopped decoding");
      return;
    }
    // Block times are rounded to 100 ns: the nearest frame is the one meant.
    if (buffer_.empty())
      bufferStart_ = std::llround(static_cast<long double>(block.start) * sourceRate_ / kUnitsPerSecond);
    const size_t frames = block.Frames(), at = buffer_.size();
    buffer_.resize(at + frames * 2);
    for (size_t i = 0; i < frames; ++i) {
      const int16_t left = block.samples[i * block.channels];
      buffer_[at + i * 2] = left;
      buffer_[at + i * 2 + 1] = block.channels > 1 ? block.samples[i * block.channels + 1] : left;
    }
  }
  if (ended_) {
    const int64_t reached = bufferStart_ + static_cast<int64_t>(buffer_.size() / 2);
    auto timeOf = [this](int64_t frame) { return static_cast<REFERENCE_TIME>(frame * kUnitsPerSecond / sourceRate_); };
    if (reached < to) ReportShort(timeOf(reached), timeOf(to), L"silence");
  }
}

void AudioClipReader::MixInto(int64_t first, size_t count, DWORD rate, std::vector<int32_t>& mix) {
  if (failed_ || count == 0 || rate == 0) return;
  // The output frames that fall inside the clip.
  auto frameAt = [rate](REFERENCE_TIME t) {
    return static_cast<int64_t>(std::ceil(static_cast<long double>(t) * rate / kUnitsPerSecond));
  };
  const int64_t begin = std::max<int64_t>(first, frameAt(clip_.start));
  const int64_t end = std::min<int64_t>(first + static_cast<int64_t>(count), frameAt(clip_.stop));
  if (begin >= end) return;
  if (!opened_) Fill(0, 0);
  if (!reader_ || !sourceRate_) return;
  // The source position of output frame n is linear in n: p(n) = p0 + (n - begin) * step.
  // Working it out whole keeps sample-exact positions (times in 100-ns units would round
  // every position a little short).
  const REFERENCE_TIME span = clip_.stop - clip_.start;
  const long double stretch = span > 0 ? static_cast<long double>(clip_.mediaStop - clip_.mediaStart) / span : 0.0L;
  const long double step = stretch * sourceRate_ / rate;
  const long double t0 = static_cast<long double>(begin) * kUnitsPerSecond / rate;
  const long double p0 = (clip_.mediaStart + (t0 - clip_.start) * stretch) * sourceRate_ / kUnitsPerSecond;
  const long double pLast = p0 + static_cast<long double>(end - 1 - begin) * step;
  Fill(static_cast<int64_t>(std::floor(std::min(p0, pLast))),
       static_cast<int64_t>(std::floor(std::max(p0, pLast))) + 1);
  const int64_t have = static_cast<int64_t>(buffer_.size() / 2);
  int32_t* out = mix.data() + static_cast<size_t>(begin - first) * 2;
  if (step == 1.0L && std::floor(p0) == p0) {
    // The same rate, not stretched, on whole samples: a plain sum.
    const int64_t i0 = static_cast<int64_t>(p0) - bufferStart_;
    for (int64_t n = 0; n < end - begin; ++n) {
      const int64_t i = i0 + n;
      if (i < 0 || i >= have) continue;
      out[n * 2] += buffer_[static_cast<size_t>(i * 2)];
      out[n * 2 + 1] += buffer_[static_cast<size_t>(i * 2 + 1)];
    }
    return;
  }
  const double base = static_cast<double>(p0 - static_cast<long double>(bufferStart_)),
               delta = static_cast<double>(step);
  for (int64_t n = 0; n < end - begin; ++n) {
    const double p = base + static_cast<double>(n) * delta;
    const double whole = std::floor(p);
    const int64_t i = static_cast<int64_t>(whole);
    if (i < 0 || i >= have) continue;
    const double w = p - whole;
    const int64_t j = std::min(i + 1, have - 1);
    for (int ch = 0; ch < 2; ++ch) {
      const double a = buffer_[static_cast<size_t>(i * 2 + ch)], b = buffer_[static_cast<size_t>(j * 2 + ch)];
      const double v = a + (b - a) * w;
      out[n * 2 + ch] += static_cast<int32_t>(v >= 0 ? v + 0.5 : v - 0.5);
    }
  }
}

}  // namespace engine::render
