// The one IMediaSeeking of the engine's filters: its own position, a writer's, and a relay's.
#include "engine/base/ComObject.h"
#include "engine/filters/MediaSeeking.h"

#include <uuids.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

namespace {

using Microsoft::WRL::ComPtr;

template <class T>
class Seeker : public engine::ComObject<T, engine::filters::MediaSeeking> {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return engine::QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IMediaSeeking, this}});
  }
};

// A source that owns a 10-second stream and records where it was sent.
class Source final : public Seeker<Source> {
 public:
  REFERENCE_TIME SeekDuration() override { return 100000000; }
  REFERENCE_TIME SeekCurrent() override { return current; }
  REFERENCE_TIME SeekStop() override { return stop; }
  HRESULT SeekTo(bool moveCurrent, REFERENCE_TIME to, REFERENCE_TIME end) override {
    ++seeks;
    movedCurrent = moveCurrent;
    if (moveCurrent) current = to;
    stop = end;
    return S_OK;
  }
  REFERENCE_TIME current = 20000000;
  REFERENCE_TIME stop = 100000000;
  int seeks = 0;
  bool movedCurrent = false;
};

// A writer: it reports how far it got, and cannot be moved.
class Writer final : public Seeker<Writer> {
 public:
  DWORD SeekCaps() override { return AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetDuration; }
  REFERENCE_TIME SeekDuration() override { return 30000000; }
  REFERENCE_TIME SeekCurrent() override { return 30000000; }
};

// A renderer that passes seeking to whatever feeds it, when anything does.
class Relay final : public Seeker<Relay> {
 public:
  bool PassUpstream(ComPtr<IMediaSeeking>* upstream) override {
    *upstream = feed;
    return true;
  }
  ComPtr<IMediaSeeking> feed;
};

template <class T>
ComPtr<T> Make() {
  ComPtr<T> object;
  *object.GetAddressOf() = new T();  // takes over the reference it was made with
  return object;
}

TEST(MediaSeeking, OwnPositionMovesWithinTheDurationInMediaTimeOnlyAndSaysWhereItLanded) {
  auto source = Make<Source>();
  DWORD caps = 0;
  ASSERT_EQ(S_OK, source->GetCapabilities(&caps));
  EXPECT_EQ(engine::filters::MediaSeeking::kSeekCaps, caps);
  EXPECT_EQ(S_OK, source->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME));
  EXPECT_EQ(E_INVALIDARG, source->SetTimeFormat(&TIME_FORMAT_FRAME));
  EXPECT_EQ(S_FALSE, source->IsFormatSupported(&TIME_FORMAT_SAMPLE));
  EXPECT_EQ(S_FALSE, source->IsUsingTimeFormat(&TIME_FORMAT_FRAME));
  LONGLONG target = 0;
  EXPECT_EQ(S_OK, source->ConvertTimeFormat(&target, nullptr, 1234, &TIME_FORMAT_MEDIA_TIME));
  EXPECT_EQ(1234, target);
  EXPECT_EQ(E_INVALIDARG, source->ConvertTimeFormat(&target, &TIME_FORMAT_FRAME, 1, nullptr));
  EXPECT_EQ(E_NOTIMPL, source->SetRate(2.0));
  EXPECT_EQ(E_POINTER, source->GetDuration(nullptr));

  // Beyond the end: both clamp to the duration, and the caller is told so.
  LONGLONG current = 150000000, stop = 120000000;
  ASSERT_EQ(S_OK, source->SetPositions(&current, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime, &stop,
                                       AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime));
  EXPECT_EQ(100000000, current);
  EXPECT_EQ(100000000, stop);
  EXPECT_EQ(1, source->seeks);

  // Relative to where it is; a stop before the start is moved up to it; before 0 is 0.
  current = -30000000;
  stop = 10000000;
  ASSERT_EQ(S_OK, source->SetPositions(&current, AM_SEEKING_RelativePositioning | AM_SEEKING_ReturnTime, &stop,
                                       AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime));
  EXPECT_EQ(70000000, current);
  EXPECT_EQ(70000000, stop);
  current = -5;
  ASSERT_EQ(S_OK, source->SetPositions(&current, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime, nullptr,
                                       AM_SEEKING_NoPositioning));
  EXPECT_EQ(0, current);

  // Only the stop: the current position stays and the stream is not flushed.
  stop = 50000000;
  ASSERT_EQ(S_OK, source->SetPositions(nullptr, AM_SEEKING_NoPositioning, &stop, AM_SEEKING_AbsolutePositioning));
  EXPECT_FALSE(source->movedCurrent);
  EXPECT_EQ(50000000, source->stop);
  // Nothing to move: nothing is sought.
  const int seeks = source->seeks;
  EXPECT_EQ(S_OK, source->SetPositions(nullptr, AM_SEEKING_NoPositioning, nullptr, AM_SEEKING_NoPositioning));
  EXPECT_EQ(seeks, source->seeks);
  // A position to move to or by, but no value: refused without seeking.
  EXPECT_EQ(E_INVALIDARG, source->SetPositions(nullptr, AM_SEEKING_AbsolutePositioning, nullptr, 0));
  EXPECT_EQ(E_INVALIDARG, source->SetPositions(&current, 0, nullptr, AM_SEEKING_RelativePositioning));
  EXPECT_EQ(seeks, source->seeks);

  LONGLONG got = 0, gotStop = 0;
  ASSERT_EQ(S_OK, source->GetPositions(&got, &gotStop));
  EXPECT_EQ(source->current, got);
  EXPECT_EQ(50000000, gotStop);
  ASSERT_EQ(S_OK, source->GetStopPosition(&gotStop));
  EXPECT_EQ(50000000, gotStop);
}

TEST(MediaSeeking, WriterReportsItsPositionButCannotBeMoved) {
  auto writer = Make<Writer>();
  DWORD caps = AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanSeekAbsolute;
  EXPECT_EQ(S_FALSE, writer->CheckCapabilities(&caps));
  EXPECT_EQ(static_cast<DWORD>(AM_SEEKING_CanGetCurrentPos), caps);
  caps = AM_SEEKING_CanSeekBackwards;
  EXPECT_EQ(E_FAIL, writer->CheckCapabilities(&caps));

  LONGLONG at = 0;
  EXPECT_EQ(E_NOTIMPL, writer->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  EXPECT_EQ(E_NOTIMPL, writer->GetStopPosition(&at));
  LONGLONG current = 0, stop = 0, earliest = -1, latest = 0;
  ASSERT_EQ(S_OK, writer->GetPositions(&current, &stop));
  ASSERT_EQ(S_OK, writer->GetAvailable(&earliest, &latest));
  EXPECT_EQ((std::vector<LONGLONG>{30000000, 30000000, 0, 30000000}),
            (std::vector<LONGLONG>{current, stop, earliest, latest}));
}

TEST(MediaSeeking, RelayPassesEveryCallUpstreamAndHasNothingWithoutIt) {
  auto relay = Make<Relay>();
  DWORD caps = 0;
  LONGLONG value = 0;
  EXPECT_EQ(E_NOTIMPL, relay->GetCapabilities(&caps));
  EXPECT_EQ(E_NOTIMPL, relay->GetDuration(&value));
  EXPECT_EQ(E_NOTIMPL, relay->SetRate(1.0));

  auto source = Make<Source>();
  relay->feed = source;
  ASSERT_EQ(S_OK, relay->GetDuration(&value));
  EXPECT_EQ(100000000, value);
  // The writer's answers would differ: the relay has none of its own.
  relay->feed = Make<Writer>();
  EXPECT_EQ(E_NOTIMPL, relay->GetStopPosition(&value));
  relay->feed = source;
  value = 40000000;
  ASSERT_EQ(S_OK, relay->SetPositions(&value, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  EXPECT_EQ(40000000, source->current);
  EXPECT_EQ(1, source->seeks);
  ASSERT_EQ(S_OK, relay->GetCurrentPosition(&value));
  EXPECT_EQ(40000000, value);
}

}  // namespace
