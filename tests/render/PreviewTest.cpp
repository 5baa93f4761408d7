// The preview window on a real graph: its controls, the picture it shows and the pace it plays at.
#include "EditorTestSupport.h"
#include "core/FilterCatalog.h"
#include "render/TLPreviewWnd.h"

using namespace editortest;

namespace {

constexpr int64_t kSecond = 1000000;
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;

class Preview : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    ShowWindow(main_->Hwnd(), SW_SHOW);
    // Red for the first second, blue for the second.
    clip_ = dir_.File(L"colours.avi");
    ASSERT_TRUE(enginetest::WriteColourAvi(clip_, 160, 120, 50, 25, [](int i) { return i < 25 ? kRed : kBlue; }));
    sound_ = dir_.File(L"tone.wav");
    ASSERT_TRUE(enginetest::WriteWav(sound_, 44100, 2, 16, std::vector<int16_t>(2 * 88200, 1000)));
  }

  // Opens the preview on video groups of that size playing the clip, and the tone with `sound`.
  TLPreviewWnd* OpenPreview(int groups, LONG width, LONG height, bool sound) {
    Timeline()->ClearAllGroups();
    TLGroupDesc video = TLGroupDesc::DefaultVideo(1);
    video.format = TLGroupDesc::VideoFormat(width, height);
    for (int g = 0; g < groups; ++g) {
      AddGroup(video);
      AddClip(Track(g, 0), clip_, 0, 20000000);
    }
    if (sound) {
      AddGroup(TLGroupDesc::DefaultAudio(1));
      AddClip(Track(groups, 0), sound_, 0, 20000000);
    }
    return Reopen();
  }
  TLPreviewWnd* Reopen() {
    RunMainCommand(CWndMain::kPreview);
    testsupport::PumpMessages();
    return main_->Preview();
  }
  OAFilterState State(TLPreviewWnd* preview) {
    OAFilterState state = State_Stopped;
    preview->Control()->GetState(2000, &state);
    return state;
  }
  int64_t Position(TLPreviewWnd* preview) {
    LONGLONG position = 0;
    preview->Seeking()->GetCurrentPosition(&position);
    return position / 10;
  }
  // Whether the pin of the named renderer in the preview's graph is connected.
  bool Rendered(TLPreviewWnd* preview, const std::wstring& name) {
    ComPtr<IBaseFilter> filter;
    if (FAILED(preview->Graph()->FindFilterByName(name.c_str(), &filter)) || !filter) return false;
    ComPtr<IPin> in, peer;
    return SUCCEEDED(FirstPin(filter.Get(), PINDIR_INPUT, &in)) && in && SUCCEEDED(in->ConnectedTo(&peer)) && peer;
  }
  // The picture on screen in the middle of the clip's place, after a moment to show it.
  void ExpectShown(TLPreviewWnd* preview, uint32_t colour) {
    PumpUntil(nullptr, 300);
    POINT at = {80, 60};
    ClientToScreen(preview->Hwnd(), &at);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    const uint32_t shown = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    EXPECT_TRUE(enginetest::Near(shown, colour, 60)) << std::hex << shown;
  }

  testsupport::TempDir dir_{L"preview-test"};
  std::wstring clip_, sound_;
};

}  // namespace

TEST_F(Preview, PlaysThePictureInRealTimeSeeksWhileStoppedAndReconnectsOnlyForAnotherDevice) {
  TLPreviewWnd* preview = OpenPreview(1, 160, 120, true);
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(IsWindowVisible(preview->Hwnd()));
  ASSERT_NE(preview->Graph(), nullptr);
  EXPECT_TRUE(Rendered(preview, GroupRendererName(true, 0)));
  // The window keeps its first size until the user asks for the video's.
  RECT client = {};
  GetClientRect(preview->Hwnd(), &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 300 + TLPreviewWnd::kBarHeight);

  // Stopped, the window shows the frame of the position it is sent to.
  preview->Seek(kSecond / 2);
  ExpectShown(preview, kRed);
  preview->Seek(3 * kSecond / 2);
  ExpectShown(preview, kBlue);
  EXPECT_NE(State(preview), State_Running);

  // Played from the start, the position keeps to the clock and the title follows it.
  preview->Seek(0);
  Click(preview->PlayButton());
  EXPECT_TRUE(preview->ShowsPauseIcon());
  EXPECT_EQ(State(preview), State_Running);
  const DWORD start = GetTickCount();
  // The title follows every half second: by now it has shown a time past one second.
  PumpUntil(nullptr, 1700);
  const double played = static_cast<double>(Position(preview)) / kSecond;
  const double elapsed = (GetTickCount() - start) / 1000.0;
  EXPECT_NEAR(played, elapsed, 0.25) << played << " s played in " << elapsed << " s";
  EXPECT_EQ(preview->GetText().rfind(L"Preview 00:00:01,", 0), 0u) << Narrow(preview->GetText());
  // The source counts what it delivered and what it skipped as late: together at least the frames
  // due, and no more than those plus the frames the seeks showed and the few queued ahead.
  ComPtr<IPin> pin;
  ASSERT_EQ(preview->Engine()->GetGroupOutputPin(0, &pin), S_OK);
  auto counts = As<IAMDroppedFrames>(pin.Get());
  ASSERT_NE(counts, nullptr);
  long delivered = 0, skipped = 0;
  counts->GetNumNotDropped(&delivered);
  counts->GetNumDropped(&skipped);
  EXPECT_GE(delivered + skipped, played * 25 - 3) << delivered << " + " << skipped;
  EXPECT_LE(delivered + skipped, played * 25 + 12) << delivered << " + " << skipped;
  Click(preview->PlayButton());
  EXPECT_FALSE(preview->ShowsPauseIcon());
  EXPECT_EQ(State(preview), State_Paused);

  // The audio device menu checks the chosen device and reconnects only on a change.
  ASSERT_FALSE(FilterCatalog::AudioRenderers().empty());
  EXPECT_EQ(preview->AudioDevice(), -1);
  int checked = -2;
  g_menuPicker = [&](HMENU menu) {
    HMENU devices = GetSubMenu(menu, 1);
    EXPECT_EQ(GetMenuItemCount(devices), static_cast<int>(FilterCatalog::AudioRenderers().size()));
    checked = -1;
    for (int i = 0; i < GetMenuItemCount(devices); ++i)
      if (GetMenuState(devices, i, MF_BYPOSITION) & MF_CHECKED) checked = i;
    return UINT(TLPreviewWnd::kFirstAudioDevice);
  };
  // Connecting again stops a playing preview: that tells a reconnection from none.
  Click(preview->PlayButton());
  Click(preview->OptionsButton());
  EXPECT_EQ(checked, -1);  // the system's default is no entry of the list
  EXPECT_EQ(preview->AudioDevice(), 0);
  EXPECT_FALSE(preview->ShowsPauseIcon());
  EXPECT_NE(State(preview), State_Running);

  Click(preview->PlayButton());
  Click(preview->OptionsButton());
  EXPECT_EQ(checked, 0);
  EXPECT_TRUE(preview->ShowsPauseIcon());
  EXPECT_EQ(State(preview), State_Running);
  // Whatever the device did, the picture still plays.
  EXPECT_TRUE(Rendered(preview, GroupRendererName(true, 0)));
}

TEST_F(Preview, VideoGroupsShareTheOneRendererScalingFollowsTheirSizeAndAChangeStopsPlaying) {
  TLPreviewWnd* preview = OpenPreview(2, 640, 480, false);
  ASSERT_NE(preview, nullptr);
  // The second group cannot add the window's renderer again: it stays unrendered.
  EXPECT_TRUE(Rendered(preview, GroupRendererName(true, 0)));
  EXPECT_FALSE(Rendered(preview, GroupRendererName(true, 1)));

  SetWindowPos(preview->Hwnd(), nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
  PickFromMenus(TLPreviewWnd::kScaleToVideo);
  Click(preview->OptionsButton());
  RECT client = {};
  GetClientRect(preview->Hwnd(), &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480 + TLPreviewWnd::kBarHeight);

  // A timeline change stops playing and shows the cursor's frame.
  Click(preview->PlayButton());
  ASSERT_EQ(State(preview), State_Running);
  PumpUntil(nullptr, 300);
  main_->View()->SetCursorTime(3 * kSecond / 2);
  main_->MarkModified();
  EXPECT_FALSE(preview->ShowsPauseIcon());
  EXPECT_NE(State(preview), State_Running);
  EXPECT_EQ(Position(preview), 3 * kSecond / 2);
  ExpectShown(preview, kBlue);

  // A second Preview command brings back the same window.
  EXPECT_EQ(Reopen(), preview);
  SendMessageW(preview->Hwnd(), WM_CLOSE, 0, 0);
  testsupport::PumpMessages();
  EXPECT_EQ(main_->Preview(), nullptr);
  EXPECT_EQ(FindWindowW(L"TimeLinePreview", nullptr), nullptr);
}
