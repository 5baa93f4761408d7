// The source editor on generated media: the streams it lists for each kind of group, the times
// it proposes, what it writes and what it refuses.
#include "EditorTestSupport.h"
#include "editors/WndTLSrc.h"
#include "timeline/TLNode.h"
#include "timeline/TimeCode.h"
#include "timeline/TimeEdit.h"
#include "ui/Button.h"
#include "ui/Edit.h"

using namespace editortest;

namespace {

constexpr int64_t kSecond = 1000000;  // microseconds

class SourceEditor : public EditorTest {
 protected:
  void TearDown() override {
    if (editor_) editor_->Destroy(true);
    EditorTest::TearDown();
  }
  CWndTLSrc* Open(IAMTimelineObj* source, int group, int track) {
    if (editor_) editor_->Destroy(true);
    editor_ = new CWndTLSrc();
    EXPECT_EQ(editor_->Create(main_->Hwnd(), GetModuleHandleW(nullptr)), 0u);
    editor_->SetTrackObject(Timeline(), source, group, track);
    return editor_;
  }
  // The user picks a file in the open dialog.
  void Browse(const std::wstring& path) {
    g_fileAnswers = {path};
    HWND button = editor_->BrowseButton()->Hwnd();
    SendMessageW(editor_->Hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  }
  int Confirm() {
    PostMessageW(editor_->Hwnd(), WM_COMMAND, IDOK, 0);
    PostMessageW(editor_->Hwnd(), WM_COMMAND, IDCANCEL, 0);  // ends the run should OK be refused
    return editor_->RunModal();
  }
  bool OkEnabled() { return IsWindowEnabled(editor_->OkButton()->Hwnd()) != FALSE; }
  int64_t SelectedDuration() {
    return editor_->Streams()[static_cast<size_t>(CTLObjEdit::SelectedData(editor_->StreamCombo()))].duration;
  }

  CWndTLSrc* editor_ = nullptr;
};

struct Placement {
  REFERENCE_TIME start = -1, stop = -1, mediaStart = -1, mediaStop = -1, mediaLength = -1;
  LONG stream = -1;
  int stretch = -1;
  std::wstring file;
};

Placement PlacementOf(IAMTimelineObj* object) {
  Placement p;
  object->GetStartStop(&p.start, &p.stop);
  auto source = As<IAMTimelineSrc>(object);
  source->GetMediaTimes(&p.mediaStart, &p.mediaStop);
  source->GetMediaLength(&p.mediaLength);
  source->GetStreamNumber(&p.stream);
  source->GetStretchMode(&p.stretch);
  Bstr name;
  source->GetMediaName(name.Out());
  p.file = name.Text();
  return p;
}

}  // namespace

TEST_F(SourceEditor, NewSourcePlaysTheChosenStreamWholeFromTheCursor) {
  Open(nullptr, -1, -1);
  EXPECT_EQ(editor_->GetText(), L"New timeline source");
  const int w = editor_->GroupCombo()->width;
  EXPECT_EQ(editor_->TrackCombo()->y, 101);
  EXPECT_EQ(editor_->StopEdit()->x, 4 + w / 2);
  EXPECT_EQ(editor_->FileEdit()->y, 179);
  EXPECT_EQ(editor_->FileEdit()->width, w - 20);
  EXPECT_EQ(editor_->BrowseButton()->x, 4 + w - 20);
  EXPECT_EQ(editor_->StreamCombo()->y, 218);
  EXPECT_EQ(editor_->MediaStopEdit()->y, 257);
  EXPECT_EQ(editor_->StretchCombo()->y, 296);
  EXPECT_EQ(editor_->StretchCombo()->Count(), 4);
  EXPECT_EQ(editor_->StretchCombo()->GetCurSel(), 0);
  EXPECT_EQ(editor_->GroupCombo()->GetCurSel(), 0);
  EXPECT_EQ(editor_->TrackCombo()->GetCurSel(), 0);
  EXPECT_FALSE(OkEnabled());

  // A file with a video and a sound stream: the video group is offered the picture only.
  editor_->StartEdit()->SetTime(10 * kSecond);
  const std::wstring clip = FixturePath(L"clip.mp4");
  Browse(clip);
  EXPECT_TRUE(g_asked.empty());
  ASSERT_EQ(editor_->Streams().size(), 2u);
  ASSERT_EQ(editor_->StreamCombo()->Count(), 1);
  EXPECT_EQ(editor_->StreamCombo()->GetItemData(0), 0);
  const StreamInfo& video = editor_->Streams()[0];
  EXPECT_NEAR(static_cast<double>(video.duration), 2.0 * kSecond, 0.1 * kSecond);
  EXPECT_EQ(editor_->StreamCombo()->GetText(),
            video.description + L" [" + FormatTimeCode(video.duration, kTimeCodeDisplay) + L"]");
  EXPECT_NE(video.description.find(L"160x120"), std::wstring::npos);
  EXPECT_EQ(editor_->MediaStartEdit()->GetTime(), 0u);
  EXPECT_EQ(editor_->MediaStopEdit()->GetTime(), static_cast<uint64_t>(video.duration));
  EXPECT_EQ(editor_->StopEdit()->GetTime(), static_cast<uint64_t>(10 * kSecond + video.duration));
  EXPECT_TRUE(OkEnabled());

  // The sound group lists the sound stream at position 0: positions count streams of a kind.
  Choose(editor_->GroupCombo(), 1);
  ASSERT_EQ(editor_->StreamCombo()->Count(), 1);
  EXPECT_EQ(editor_->StreamCombo()->GetItemData(0), 1);
  Choose(editor_->GroupCombo(), 0);
  Choose(editor_->TrackCombo(), 1);
  editor_->StretchCombo()->SetCurSel(1);
  editor_->NameEdit()->SetText(L"Intro");
  EXPECT_EQ(Confirm(), 1);
  EXPECT_TRUE(g_asked.empty());

  const auto sources = Sources(0, 1);
  ASSERT_EQ(sources.size(), 1u);
  const Placement p = PlacementOf(sources[0].Get());
  EXPECT_EQ(p.start, 100000000);
  EXPECT_EQ(p.stop, 100000000 + video.duration * 10);
  EXPECT_EQ(p.mediaStart, 0);
  EXPECT_EQ(p.mediaStop, video.duration * 10);
  EXPECT_EQ(p.mediaLength, video.duration * 10);
  EXPECT_EQ(p.stream, 0);
  EXPECT_EQ(p.stretch, RESIZEF_CROP);
  EXPECT_EQ(p.file, clip);
  EXPECT_EQ(NameOf(sources[0].Get()), L"Intro");
  EXPECT_EQ(editor_->Source(), nullptr);  // the track holds the new source, not the editor
}

TEST_F(SourceEditor, ExistingSourceShowsItsSettingsAndMovesOnlyWhenAskedTo) {
  // A sound source, then a picture whose stretch mode is kept.
  Open(nullptr, -1, -1);
  Choose(editor_->GroupCombo(), 1);
  Browse(FixturePath(L"clip-mjpeg.avi"));
  ASSERT_EQ(editor_->StreamCombo()->Count(), 1);
  EXPECT_EQ(Confirm(), 1);
  ASSERT_EQ(Sources(1, 0).size(), 1u);
  EXPECT_EQ(PlacementOf(Sources(1, 0)[0].Get()).stream, 0);

  Open(nullptr, -1, -1);
  Browse(FixturePath(L"picture.bmp"));
  ASSERT_EQ(editor_->Streams().size(), 1u);
  ASSERT_EQ(editor_->StreamCombo()->Count(), 1);
  EXPECT_FALSE(editor_->Streams()[0].description.empty());
  editor_->StretchCombo()->SetCurSel(3);
  editor_->StopEdit()->SetTime(3 * kSecond);
  editor_->MediaStopEdit()->SetTime(kSecond);
  EXPECT_EQ(Confirm(), 1);
  ComPtr<IAMTimelineObj> picture = Sources(0, 0).at(0);
  const Placement before = PlacementOf(picture.Get());
  const ULONG refs = RefCount(picture.Get());
  EXPECT_EQ(refs, 2u);  // ours and the track's

  Open(picture.Get(), 0, 0);
  EXPECT_EQ(editor_->GetText(), L"Timeline source");
  EXPECT_EQ(editor_->GroupCombo()->Count(), 1);  // the sound group is no place for a picture
  EXPECT_EQ(editor_->FileEdit()->GetText(), before.file);
  EXPECT_EQ(editor_->StreamCombo()->GetCurSel(), 0);
  EXPECT_EQ(CTLObjEdit::SelectedData(editor_->StretchCombo()), RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX);
  EXPECT_EQ(editor_->MediaStopEdit()->GetTime(), static_cast<uint64_t>(kSecond));
  EXPECT_EQ(editor_->StopEdit()->GetTime(), static_cast<uint64_t>(before.stop / 10));
  EXPECT_TRUE(OkEnabled());
  // Clearing the name takes the name away rather than storing an empty one.
  editor_->NameEdit()->SetText(L"");
  EXPECT_EQ(Confirm(), 1);
  Bstr name;
  picture->GetUserName(name.Out());
  EXPECT_EQ(name.Get(), nullptr);
  const Placement same = PlacementOf(picture.Get());
  EXPECT_EQ(same.start, before.start);
  EXPECT_EQ(same.mediaStop, before.mediaStop);
  EXPECT_EQ(Sources(0, 0).size(), 1u);

  Open(picture.Get(), 0, 0);
  Choose(editor_->TrackCombo(), 1);
  EXPECT_EQ(Confirm(), 1);
  EXPECT_TRUE(Sources(0, 0).empty());
  ASSERT_EQ(Sources(0, 1).size(), 1u);
  EXPECT_EQ(Sources(0, 1)[0].Get(), picture.Get());
  editor_->Destroy(true);
  editor_ = nullptr;
  picture.Reset();
  ComPtr<IAMTimelineObj> moved = Sources(0, 1)[0];
  EXPECT_EQ(RefCount(moved.Get()), refs);
}

TEST_F(SourceEditor, UnreadableFilesAndMissingStreamsAreToldAndAddNothing) {
  testsupport::TempDir dir(L"source-editor-bad");
  const std::wstring bad = dir.File(L"notes.avi");
  const char text[] = "not a film at all";
  ASSERT_TRUE(testsupport::WriteBytes(bad, text, sizeof text));
  Open(nullptr, -1, -1);
  Browse(bad);
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0].rfind(bad + L"\nCan't recognize media\n8", 0), 0u) << g_asked[0];
  EXPECT_TRUE(editor_->Streams().empty());
  EXPECT_EQ(editor_->StreamCombo()->Count(), 0);
  EXPECT_FALSE(OkEnabled());

  // A picture offers the sound group nothing.
  g_asked.clear();
  Choose(editor_->GroupCombo(), 1);
  Browse(FixturePath(L"picture.bmp"));
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_NE(g_asked[0].find(L"no stream"), std::wstring::npos);
  EXPECT_FALSE(OkEnabled());
  // Enter cannot confirm what OK cannot.
  EXPECT_EQ(Confirm(), 2);
  EXPECT_TRUE(Sources(0, 0).empty());
  EXPECT_TRUE(Sources(1, 0).empty());
}

TEST_F(SourceEditor, PlacementsTheTrackCannotTakeAreRefusedAndTheDialogStays) {
  Open(nullptr, -1, -1);
  Browse(FixturePath(L"picture.bmp"));
  editor_->StopEdit()->SetTime(5 * kSecond);
  ASSERT_EQ(Confirm(), 1);
  ASSERT_EQ(Sources(0, 0).size(), 1u);

  // Over the first one on the same track.
  Open(nullptr, -1, -1);
  Browse(FixturePath(L"picture.bmp"));
  editor_->StartEdit()->SetTime(2 * kSecond);
  editor_->StopEdit()->SetTime(3 * kSecond);
  g_asked.clear();
  EXPECT_EQ(Confirm(), 2);
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_NE(g_asked[0].find(L"could not be placed"), std::wstring::npos);
  EXPECT_EQ(Sources(0, 0).size(), 1u);

  // Ending before it starts, on the timeline or in the media.
  Open(nullptr, -1, -1);
  Browse(FixturePath(L"picture.bmp"));
  editor_->StartEdit()->SetTime(9 * kSecond);
  editor_->StopEdit()->SetTime(8 * kSecond);
  g_asked.clear();
  EXPECT_EQ(Confirm(), 2);
  editor_->StopEdit()->SetTime(10 * kSecond);
  editor_->MediaStopEdit()->SetTime(0);
  editor_->MediaStartEdit()->SetTime(kSecond);
  EXPECT_EQ(Confirm(), 2);
  ASSERT_EQ(g_asked.size(), 2u);
  EXPECT_NE(g_asked[0].find(L"stop time lies before the start time"), std::wstring::npos);
  EXPECT_NE(g_asked[1].find(L"media stop time"), std::wstring::npos);
  EXPECT_EQ(Sources(0, 0).size(), 1u);
}
