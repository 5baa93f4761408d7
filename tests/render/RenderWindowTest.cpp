// The render window on real graphs, opened from the real main window.
#include <windows.h>
#include <commctrl.h>

#include "EditorTestSupport.h"
#include "core/FilterCatalog.h"
#include "render/TLRenderWnd.h"
#include "ui/Edit.h"

using namespace editortest;

namespace {

class RenderWindow : public EditorWindowTest<TLRenderWnd> {
 protected:
  // A 160 x 120 video group with a green second on two tracks half a second apart; a tone.
  void SetUp() override {
    EditorWindowTest::SetUp();
    const std::wstring clip = dir_.File(L"green.avi"), tone = dir_.File(L"tone.wav");
    ASSERT_TRUE(enginetest::WriteColourAvi(clip, 160, 120, 30, 30, [](int) { return 0x00C000u; }));
    ASSERT_TRUE(enginetest::WriteWav(tone, 44100, 2, 16, std::vector<int16_t>(2 * 44100, 500)));
    Timeline()->ClearAllGroups();
    TLGroupDesc video = TLGroupDesc::DefaultVideo(2);
    video.format = TLGroupDesc::VideoFormat(160, 120);
    AddGroup(video);
    AddGroup(TLGroupDesc::DefaultAudio(1));
    AddClip(Track(0, 0), clip, 0, 10000000);
    AddClip(Track(0, 1), clip, 5000000, 15000000);
    AddClip(Track(1, 0), tone, 0, 10000000);
  }
  void Open() { Make()->SetTimeline(Timeline()); }
  std::wstring Row(int row) { return RowText(editor_->Grid(), row); }
  // A user's edit of a cell: a click on it, the text typed or chosen in its editor, Enter.
  void Type(int column, int row, const wchar_t* text) {
    CGridStr* grid = editor_->Grid();
    SendMessageW(grid->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(grid->ColumnLeft(column) + 5, grid->RowTop(row) + 5));
    ASSERT_EQ(grid->CurrentColumn(), column);
    ASSERT_EQ(grid->CurrentRow(), row);
    grid->BeginEdit();
    EnterInEditor(grid, text);
  }
  double Fps() { return enginetest::Get(Group(0), &IAMTimelineGroup::GetOutputFPS); }

  testsupport::TempDir dir_{L"render-window"};
};

}  // namespace

TEST_F(RenderWindow, RowsShowTheGroupsAndFrameRatesAreEditedInTheGrid) {
  Open();
  ASSERT_EQ(editor_->Grid()->RowCount(), 2u);
  EXPECT_EQ(Row(0), L"Video160x120|Video group|30|Uncompressed video");
  EXPECT_EQ(Row(1).rfind(L"Audio2ch|Audio group|", 0), 0u) << Narrow(Row(1));
  EXPECT_NE(Row(1).find(L"|Uncompressed audio"), std::wstring::npos) << Narrow(Row(1));
  EXPECT_NE(editor_->DestinationEdit()->GetText().find(L"_KDC_out.avi"), std::wstring::npos);

  Type(2, 0, L"25");
  EXPECT_EQ(Fps(), 25.0);
  for (const wchar_t* refused : {L"abc", L"24x"}) {
    Type(2, 0, refused);
    EXPECT_EQ(Row(0), L"Video160x120|Video group|25|Uncompressed video");
  }
  EXPECT_EQ(Fps(), 25.0);
  // The stream and name columns cannot be chosen: a click lands on the frame rate.
  SendMessageW(editor_->Grid()->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, editor_->Grid()->RowTop(1) + 5));
  EXPECT_EQ(editor_->Grid()->CurrentColumn(), 2);
}

TEST_F(RenderWindow, CompressorChoicesKeepOrDropTheLoadedCompressor) {
  Open();
  ASSERT_GE(FilterCatalog::VideoCompressors().size(), 2u);
  TLRenderGroup& video = editor_->Manager().groups[0];
  // The uncompressed entry has nothing to configure.
  editor_->Grid()->SetCurrentCell(3, 0);
  Click(editor_->ConfigureButton());
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0].rfind(L"Uncompressed video\nCan't show compressor configuration\n80070057. ", 0), 0u)
      << Narrow(g_asked[0]);

  const std::wstring other = FilterCatalog::VideoCompressors()[1].name;
  Type(3, 0, other.c_str());
  EXPECT_EQ(video.compressorIndex, 1);
  ASSERT_EQ(editor_->Manager().LoadCompressor(0), S_OK);
  IBaseFilter* loaded = video.compressor.Get();
  ASSERT_NE(loaded, nullptr);
  Type(3, 0, other.c_str());
  EXPECT_EQ(video.compressor.Get(), loaded);
  Type(3, 0, L"Uncompressed video");
  EXPECT_EQ(video.compressorIndex, 0);
  EXPECT_EQ(video.compressor.Get(), nullptr);
}

TEST_F(RenderWindow, TheSaveDialogsTypeChoosesTheFileTypeAndAStartedRunEndsByItselfAndAgain) {
  Open();
  const std::wstring chosen = dir_.File(L"clip.avi");
  std::wstring offered;
  g_fileDialog = [&](OPENFILENAMEW* request) {
    offered = request->lpstrFile;
    wcscpy(request->lpstrFile, chosen.c_str());
    request->nFilterIndex = 2;  // Advanced Systems Format
    return true;
  };
  Click(editor_->BrowseButton());
  EXPECT_EQ(offered.find(L".avi"), std::wstring::npos);  // offered without its extension
  EXPECT_EQ(editor_->DestinationEdit()->GetText(), dir_.File(L"clip.asf"));
  EXPECT_EQ(editor_->OutputType(), FilterCatalog::FileTypes()[1].outputType);

  // A started run ends by itself and can be started again.
  const std::wstring out = dir_.File(L"out.avi");
  AnswerFilesWith(out);
  Click(editor_->BrowseButton());
  for (int run = 0; run < 2; ++run) {
    DeleteFileW(out.c_str());
    Click(editor_->StartButton());
    ASSERT_TRUE(g_asked.empty()) << Narrow(g_asked[0]);
    EXPECT_EQ(editor_->StartButton()->GetText(), L"Stop");
    EXPECT_TRUE(editor_->Grid()->IsReadOnly());
    EXPECT_FALSE(IsWindowEnabled(editor_->ConfigureButton()->Hwnd()));
    PumpUntil([&] { return editor_->GetRunState() <= 0; }, 20000);
    EXPECT_EQ(editor_->StartButton()->GetText(), L"Start") << run;
    EXPECT_FALSE(editor_->Grid()->IsReadOnly());
    EXPECT_TRUE(IsWindowEnabled(editor_->BrowseButton()->Hwnd()));
    EXPECT_EQ(SendMessageW(editor_->ProgressBar(), PBM_GETPOS, 0, 0), 1000);
    // One and a half seconds of the project at 30 frames a second.
    enginetest::AviReadBack avi(out);
    EXPECT_EQ(avi.VideoLength(), 45) << run;
    EXPECT_TRUE(enginetest::Near(avi.Pixel(10, 80, 60), 0x00C000, 8));
  }
}

TEST_F(RenderWindow, CloseDuringARunAsksAndCancelKeepsItGoing) {
  Open();
  editor_->DestinationEdit()->SetText(dir_.File(L"held.avi").c_str());
  ASSERT_EQ(editor_->Start(), S_OK);
  // Held paused, so that the run cannot finish before the question.
  As<IMediaControl>(editor_->Manager().graph.Get())->Pause();
  g_messageAnswer = IDCANCEL;
  SendMessageW(editor_->Hwnd(), WM_CLOSE, 0, 0);
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0], L"Render is in progress now. Do you want to interrupt?\nResult file can be corrupted.");
  EXPECT_TRUE(IsWindow(editor_->Hwnd()));
  EXPECT_GT(editor_->GetRunState(), 0);
  g_messageAnswer = IDOK;
  const HWND closed = editor_->Hwnd();
  SendMessageW(closed, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(closed));
}

TEST_F(RenderWindow, TheMainWindowsMenusWaitWhileTheRenderWindowIsOpen) {
  RunMainCommand(CWndMain::kRenderToFile);
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
