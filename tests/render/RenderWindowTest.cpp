// The render window on real graphs, opened from the real main window: group rows, frame rate
// and compressor editing, the destination's file type, Start/Stop to the end of a real file,
// the interrupt question, and the main window's menus while it is open.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "EditorTestSupport.h"
#include "MediaTestFiles.h"
#include "core/FilterCatalog.h"
#include "render/TLRenderWnd.h"
#include "timeline/GroupHelpers.h"
#include "ui/Button.h"
#include "ui/Edit.h"
#include "ui/GridStr.h"
#include "ui/StaticText.h"

using Microsoft::WRL::ComPtr;

namespace {

using editortest::g_asked;

void PumpUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done() && GetTickCount() - start < ms) {
    testsupport::PumpMessages();
    Sleep(10);
  }
}

class RenderWindow : public editortest::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    clip_ = dir_.File(L"green.avi");
    ASSERT_TRUE(enginetest::WriteColourAvi(clip_, 160, 120, 30, 30, [](int) { return 0x00C000u; }));
    tone_ = dir_.File(L"tone.wav");
    ASSERT_TRUE(enginetest::WriteWav(tone_, 44100, 2, 16, std::vector<int16_t>(2 * 44100, 500)));
  }
  void TearDown() override {
    if (window_) window_->Destroy(true);
    EditorTest::TearDown();
  }
  // A 160 x 120 video group with the one-second clip on two tracks, and a sound group.
  void MakeProject() {
    Timeline()->ClearAllGroups();
    TLGroupDesc video = TLGroupDesc::DefaultVideo(2);
    video.format = TLGroupDesc::VideoFormat(160, 120);
    for (const TLGroupDesc& desc : {video, TLGroupDesc::DefaultAudio(1)}) {
      ComPtr<IAMTimelineObj> group;
      ASSERT_EQ(CreateGroup(Timeline(), group.GetAddressOf(), desc), S_OK);
      for (long t = 0; t < desc.trackCount; ++t) {
        ComPtr<IAMTimelineObj> track, source;
        As<IAMTimelineComp>(group.Get())->GetVTrack(&track, t);
        Timeline()->CreateEmptyNode(&source, TIMELINE_MAJOR_TYPE_SOURCE);
        source->SetStartStop(t * 5000000LL, t * 5000000LL + 10000000);
        As<IAMTimelineSrc>(source.Get())->SetMediaName(Bstr(desc.majorIndex == 0 ? clip_ : tone_));
        As<IAMTimelineSrc>(source.Get())->SetMediaTimes(0, 10000000);
        ASSERT_EQ(As<IAMTimelineTrack>(track.Get())->SrcAdd(source.Get()), S_OK);
      }
    }
  }
  TLRenderWnd* Open() {
    window_ = new TLRenderWnd();
    EXPECT_EQ(window_->Create(main_->Hwnd(), GetModuleHandleW(nullptr)), 0u);
    window_->SetTimeline(Timeline());
    return window_;
  }
  std::wstring Cell(int column, int row) { return editortest::CellText(window_->Grid(), column, row); }
  // A user's edit of a cell: a click on it, the text typed or chosen in its editor, Enter.
  void Type(int column, int row, const wchar_t* text) {
    CGridStr* grid = window_->Grid();
    SendMessageW(grid->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(grid->ColumnLeft(column) + 5, grid->RowTop(row) + 5));
    ASSERT_EQ(grid->CurrentColumn(), column);
    ASSERT_EQ(grid->CurrentRow(), row);
    grid->BeginEdit();
    editortest::EnterInEditor(grid, text);
  }
  double Fps(long group) {
    ComPtr<IAMTimelineObj> object;
    Timeline()->GetGroup(&object, group);
    double fps = 0;
    As<IAMTimelineGroup>(object.Get())->GetOutputFPS(&fps);
    return fps;
  }
  void Click(CButton* button) { SendMessageW(button->Hwnd(), BM_CLICK, 0, 0); }

  testsupport::TempDir dir_{L"render-window"};
  std::wstring clip_, tone_;
  TLRenderWnd* window_ = nullptr;
};

}  // namespace

TEST_F(RenderWindow, RowsShowTheGroupsAndFrameRatesAreEditedInTheGrid) {
  MakeProject();
  Open();
  EXPECT_EQ(window_->GetText(), L"Render");
  ASSERT_EQ(window_->Grid()->RowCount(), 2u);
  EXPECT_EQ(Cell(0, 0), L"Video160x120");
  EXPECT_EQ(Cell(1, 0), L"Video group");
  EXPECT_EQ(Cell(2, 0), L"30");
  EXPECT_EQ(Cell(3, 0), L"Uncompressed video");
  EXPECT_EQ(Cell(0, 1), L"Audio2ch");
  EXPECT_EQ(Cell(3, 1), L"Uncompressed audio");
  EXPECT_NE(window_->DestinationEdit()->GetText().find(L"_KDC_out.avi"), std::wstring::npos);

  Type(2, 0, L"25");
  EXPECT_EQ(Fps(0), 25.0);
  EXPECT_EQ(Cell(2, 0), L"25");
  Type(2, 0, L"abc");
  EXPECT_EQ(Fps(0), 25.0);
  EXPECT_EQ(Cell(2, 0), L"25");
  Type(2, 0, L"24x");
  EXPECT_EQ(Cell(2, 0), L"25");
  // The stream and name columns cannot be chosen: a click lands on the frame rate.
  SendMessageW(window_->Grid()->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, window_->Grid()->RowTop(1) + 5));
  EXPECT_EQ(window_->Grid()->CurrentColumn(), 2);
}

TEST_F(RenderWindow, CompressorChoicesKeepOrDropTheLoadedCompressor) {
  MakeProject();
  Open();
  ASSERT_GE(FilterCatalog::VideoCompressors().size(), 2u);
  TLRenderGroup& video = window_->Manager().groups[0];
  // The uncompressed entry has nothing to configure.
  window_->Grid()->SetCurrentCell(3, 0);
  Click(window_->ConfigureButton());
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0].rfind(L"Uncompressed video\nCan't show compressor configuration\n80070057. ", 0), 0u)
      << std::string(g_asked[0].begin(), g_asked[0].end());

  const std::wstring other = FilterCatalog::VideoCompressors()[1].name;
  Type(3, 0, other.c_str());
  EXPECT_EQ(video.compressorIndex, 1);
  ASSERT_EQ(window_->Manager().LoadCompressor(0), S_OK);
  IBaseFilter* loaded = video.compressor.Get();
  ASSERT_NE(loaded, nullptr);
  Type(3, 0, other.c_str());
  EXPECT_EQ(video.compressor.Get(), loaded);
  Type(3, 0, L"Uncompressed video");
  EXPECT_EQ(video.compressorIndex, 0);
  EXPECT_EQ(video.compressor.Get(), nullptr);
}

TEST_F(RenderWindow, TheSaveDialogsTypeChoosesTheMultiplexerAndTheExtension) {
  MakeProject();
  Open();
  const std::wstring chosen = dir_.File(L"clip.avi");
  std::wstring offered;
  editortest::g_fileDialog = [&](OPENFILENAMEW* request) {
    offered = request->lpstrFile;
    wcscpy(request->lpstrFile, chosen.c_str());
    request->nFilterIndex = 2;  // Advanced Systems Format
    return true;
  };
  Click(window_->BrowseButton());
  EXPECT_EQ(offered.find(L".avi"), std::wstring::npos);  // offered without its extension
  EXPECT_EQ(window_->DestinationEdit()->GetText(), dir_.File(L"clip.asf"));
  EXPECT_EQ(window_->OutputType(), FilterCatalog::FileTypes()[1].outputType);
}

TEST_F(RenderWindow, AStartedRunEndsByItselfAndCanBeStartedAgain) {
  MakeProject();
  Open();
  const std::wstring out = dir_.File(L"out.avi");
  editortest::g_fileDialog = [&](OPENFILENAMEW* request) {
    wcscpy(request->lpstrFile, out.c_str());
    request->nFilterIndex = 1;
    return true;
  };
  Click(window_->BrowseButton());
  for (int run = 0; run < 2; ++run) {
    DeleteFileW(out.c_str());
    Click(window_->StartButton());
    ASSERT_TRUE(g_asked.empty()) << std::string(g_asked[0].begin(), g_asked[0].end());
    EXPECT_EQ(window_->StartButton()->GetText(), L"Stop");
    EXPECT_TRUE(window_->Grid()->IsReadOnly());
    EXPECT_FALSE(IsWindowEnabled(window_->ConfigureButton()->Hwnd()));
    PumpUntil([&] { return window_->GetRunState() <= 0; }, 20000);
    EXPECT_EQ(window_->StartButton()->GetText(), L"Start") << run;
    EXPECT_FALSE(window_->Grid()->IsReadOnly());
    EXPECT_TRUE(IsWindowEnabled(window_->BrowseButton()->Hwnd()));
    EXPECT_EQ(SendMessageW(window_->ProgressBar(), PBM_GETPOS, 0, 0), 1000);
    // One and a half seconds of the project at 30 frames a second.
    enginetest::AviReadBack avi(out);
    EXPECT_EQ(avi.VideoLength(), 45) << run;
    EXPECT_TRUE(enginetest::Near(avi.Pixel(10, 80, 60), 0x00C000, 8));
  }
}

TEST_F(RenderWindow, CloseDuringARunAsksAndCancelKeepsItGoing) {
  MakeProject();
  Open();
  window_->DestinationEdit()->SetText(dir_.File(L"held.avi").c_str());
  ASSERT_EQ(window_->Start(), S_OK);
  // Held paused, so that the run cannot finish before the question.
  ComPtr<IMediaControl> control = As<IMediaControl>(window_->Manager().graph.Get());
  control->Pause();
  editortest::g_messageAnswer = IDCANCEL;
  SendMessageW(window_->Hwnd(), WM_CLOSE, 0, 0);
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0], L"Render is in progress now. Do you want to interrupt?\nResult file can be corrupted.");
  EXPECT_TRUE(IsWindow(window_->Hwnd()));
  EXPECT_GT(window_->GetRunState(), 0);
  editortest::g_messageAnswer = IDOK;
  const HWND closed = window_->Hwnd();
  SendMessageW(closed, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(closed));
}

TEST_F(RenderWindow, TheMainWindowsMenusWaitWhileTheRenderWindowIsOpen) {
  MakeProject();
  SendMessageW(main_->Hwnd(), WM_COMMAND, MAKEWPARAM(CWndMain::kRenderToFile, 0), 0);
  TLRenderWnd* render = main_->RenderWindow();
  ASSERT_NE(render, nullptr);
  EXPECT_TRUE(IsWindowVisible(render->Hwnd()));
  HMENU menu = GetMenu(main_->Hwnd());
  for (UINT popup : {10u, 20u, 30u, 40u}) EXPECT_TRUE(GetMenuState(menu, popup, MF_BYCOMMAND) & MF_GRAYED) << popup;
  SendMessageW(render->Hwnd(), WM_CLOSE, 0, 0);
  testsupport::PumpMessages();
  EXPECT_EQ(main_->RenderWindow(), nullptr);
  for (UINT popup : {10u, 20u, 30u, 40u}) EXPECT_FALSE(GetMenuState(menu, popup, MF_BYCOMMAND) & MF_GRAYED) << popup;
}
