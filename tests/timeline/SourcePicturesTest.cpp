// Pictures and sound envelopes in source rows: the picture maker, the painted rows, zoom to fit.
#include <gtest/gtest.h>

#include "MediaTestFiles.h"
#include "TestSupport.h"
#include "ViewFixture.h"
#include "timeline/GroupHelpers.h"
#include "timeline/MediaPictures.h"

namespace tltest {
namespace {

constexpr int64_t kSecond = 1000000;

class SourcePictures : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    red_ = dir_.File(L"red.avi");
    ASSERT_TRUE(enginetest::WriteColourAvi(red_, 160, 120, 25, 25, [](int) { return 0xFF0000u; }));
    std::vector<int16_t> tone(2 * 22050), silence(2 * 22050, 0);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>((i / 2) % 50 < 25 ? 16000 : -16000);
    tone_ = dir_.File(L"tone.wav");
    silence_ = dir_.File(L"silence.wav");
    ASSERT_TRUE(enginetest::WriteWav(tone_, 22050, 2, 16, tone));
    ASSERT_TRUE(enginetest::WriteWav(silence_, 22050, 2, 16, silence));
  }
  // A source playing its media's first second in the timeline's first.
  void Source(IAMTimelineObj* track, const std::wstring& media) {
    enginetest::As<IAMTimelineSrc>(AddSource(track, 0, kSecond, nullptr, media.c_str()))
        ->SetMediaTimes(0, 10 * kSecond);
  }
  // Paints until the picture maker has nothing more to do for what is shown.
  void PaintUntilReady() {
    for (int round = 0; round < 4; ++round) {
      UpdateWindow(view->Hwnd());
      ASSERT_TRUE(view->Pictures()->WaitIdle(20000));
      testsupport::PumpMessages();
    }
    UpdateWindow(view->Hwnd());
  }
  // The rows (top, bottom) of a node at time t, found as a click would find it.
  std::pair<int, int> RowOf(const TLNode* node, int64_t t) {
    int top = -1, bottom = -1;
    for (int y = view->RulerHeight(); y < view->ClientHeight(); ++y) {
      if (view->HitTest(view->TimeToX(t), y) != node) continue;
      if (top < 0) top = y;
      bottom = y;
    }
    return {top, bottom};
  }

  testsupport::TempDir dir_{L"source-pictures"};
  std::wstring red_, tone_, silence_;
};

}  // namespace

TEST_F(SourcePictures, TheMakerReadsPicturesAndPeaksAndForgetsTheOldestBeyondItsBudget) {
  CMediaPictures pictures(nullptr, 0, 3 * 40 * 30 * 4 + 3 * sizeof(Thumbnail));
  EXPECT_EQ(pictures.Picture(red_, 0, 30), nullptr);  // asked for, not ready
  ASSERT_TRUE(pictures.WaitIdle(20000));
  auto picture = pictures.Picture(red_, 0, 30);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->width, 40);  // 160 x 120 at 30 pixels high
  EXPECT_EQ(pictures.PictureWidth(red_, 60), 80);

  EXPECT_EQ(pictures.Peak(tone_, 0, kSecond), -1);
  EXPECT_EQ(pictures.Peak(silence_, 0, kSecond), -1);
  ASSERT_TRUE(pictures.WaitIdle(20000));
  EXPECT_NEAR(pictures.Peak(tone_, 0, kSecond), 16000, 50);
  EXPECT_EQ(pictures.Peak(silence_, 0, kSecond), 0);
  EXPECT_EQ(pictures.Peak(tone_, 2 * kSecond, 3 * kSecond), 0);  // past its end

  const std::wstring bad = dir_.File(L"bad.avi");
  const char junk[] = "not a film";
  ASSERT_TRUE(testsupport::WriteBytes(bad, junk, sizeof junk));
  pictures.Picture(bad, 0, 30);
  ASSERT_TRUE(pictures.WaitIdle(20000));
  EXPECT_TRUE(pictures.Unreadable(bad));

  // Four pictures in a budget of three: the one looked at longest ago goes.
  Thumbnail made{40, 30, std::vector<uint32_t>(40 * 30, 0x123456)};
  for (int64_t t = 1; t <= 4; ++t) pictures.Put(L"x.avi", t, 30, made);
  EXPECT_EQ(pictures.Picture(L"x.avi", 1, 30), nullptr);
  EXPECT_NE(pictures.Picture(L"x.avi", 4, 30), nullptr);
}

TEST_F(SourcePictures, RowsShowTheClipsPicturesAndTheSoundsEnvelope) {
  ComPtr<IAMTimelineObj> video = AddGroup(L"V", 1);
  ComPtr<IAMTimelineObj> sound;
  ASSERT_EQ(CreateGroup(timeline.Get(), sound.GetAddressOf(), TLGroupDesc::DefaultAudio(2)), S_OK);
  Source(Track(video.Get(), 0).Get(), red_);
  Source(Track(sound.Get(), 1).Get(), tone_);
  Source(Track(sound.Get(), 0).Get(), silence_);
  Refresh();
  view->ZoomToFit();
  // The whole second fills the width.
  EXPECT_NEAR(view->TimeToX(kSecond), view->ClientWidth() - 1, 2);
  Refresh();
  PaintUntilReady();

  const TLNode& redNode = view->Model().Group(0).tracks[0].sources[0];
  const TLNode& toneNode = view->Model().Group(1).tracks[1].sources[0];
  const TLNode& silentNode = view->Model().Group(1).tracks[0].sources[0];
  const auto [redTop, redBottom] = RowOf(&redNode, kSecond / 2);
  const auto [toneTop, toneBottom] = RowOf(&toneNode, kSecond / 2);
  const auto [silentTop, silentBottom] = RowOf(&silentNode, kSecond / 2);
  ASSERT_GT(redBottom, redTop);
  ASSERT_GT(toneBottom, toneTop);
  ViewPixels pixels(view);
  const int left = CWndTLModel::kTimeArea + 1, right = view->ClientWidth() - 1;
  const int area = (right - left) * (redBottom - redTop - 1);
  EXPECT_GT(pixels.Count(RGB(255, 0, 0), left, redTop + 1, right, redBottom), area / 2);
  // A tone fills its row about half way up and down; silence leaves a flat line.
  const COLORREF wave = GetSysColor(COLOR_BTNSHADOW);
  const int loud = pixels.Count(wave, left, toneTop + 1, right, toneBottom - 1);
  const int quiet = pixels.Count(wave, left, silentTop + 1, silentBottom - 1, silentBottom - 1);
  EXPECT_GT(loud, (right - left) * (toneBottom - toneTop) / 3);
  EXPECT_LT(quiet, (right - left) * 2);
}

}  // namespace tltest
