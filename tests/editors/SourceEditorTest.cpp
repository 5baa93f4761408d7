// The source editor on generated media: streams by kind of group, times, writes and refusals.
#include "EditorTestSupport.h"
#include "editors/WndTLSrc.h"
#include "timeline/TimeCode.h"
#include "timeline/TimeEdit.h"
#include "ui/Edit.h"

using namespace editortest;

namespace {

constexpr int64_t kSecond = 1000000;  // microseconds

// Where a source plays, and what: "start stop media-start media-stop media-length stream stretch file".
std::wstring PlacementOf(IAMTimelineObj* object) {
  REFERENCE_TIME times[5] = {-1, -1, -1, -1, -1};
  LONG stream = -1;
  int stretch = -1;
  Bstr file;
  auto source = As<IAMTimelineSrc>(object);
  object->GetStartStop(&times[0], &times[1]);
  source->GetMediaTimes(&times[2], &times[3]);
  source->GetMediaLength(&times[4]);
  source->GetStreamNumber(&stream);
  source->GetStretchMode(&stretch);
  source->GetMediaName(file.Out());
  std::wstring text;
  for (REFERENCE_TIME time : times) text += std::to_wstring(time) + L" ";
  return text + std::to_wstring(stream) + L" " + std::to_wstring(stretch) + L" " + file.Text();
}

class SourceEditor : public EditorWindowTest<CWndTLSrc> {
 protected:
  void Open(IAMTimelineObj* source, int group, int track) { Make()->SetTrackObject(Timeline(), source, group, track); }
  // The user picks a file in the open dialog.
  void Browse(const std::wstring& path) {
    AnswerFilesWith(path);
    Click(editor_->BrowseButton());
  }
  // A new source's editor with the picture chosen, to play from `start` to `stop` seconds.
  void NewPicture(int64_t start, int64_t stop) {
    Open(nullptr, -1, -1);
    Browse(FixturePath(L"picture.bmp"));
    editor_->StartEdit()->SetTime(start * kSecond);
    editor_->StopEdit()->SetTime(stop * kSecond);
  }
};

}  // namespace

TEST_F(SourceEditor, NewSourcePlaysTheChosenStreamWholeFromTheCursor) {
  Open(nullptr, -1, -1);
  EXPECT_EQ(editor_->GetText(), L"New timeline source");
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
  const StreamInfo& video = editor_->Streams()[0];
  EXPECT_NEAR(static_cast<double>(video.duration), 2.0 * kSecond, 0.1 * kSecond);
  EXPECT_EQ(editor_->StreamCombo()->GetText(),
            video.description + L" [" + FormatTimeCode(video.duration, kTimeCodeDisplay) + L"]");
  EXPECT_NE(video.description.find(L"160x120"), std::wstring::npos);

  // The sound group lists the sound stream at position 0: positions count streams of a kind.
  Choose(editor_->GroupCombo(), 1);
  ASSERT_EQ(editor_->StreamCombo()->Count(), 1);
  EXPECT_EQ(editor_->StreamCombo()->GetItemData(0), 1);
  Choose(editor_->GroupCombo(), 0);
  Choose(editor_->TrackCombo(), 1);
  editor_->StretchCombo()->SetCurSel(1);
  editor_->NameEdit()->SetText(L"Intro");
  EXPECT_EQ(Close(), 1);
  EXPECT_TRUE(g_asked.empty());

  const auto sources = Sources(0, 1);
  ASSERT_EQ(sources.size(), 1u);
  const std::wstring length = std::to_wstring(video.duration * 10);
  EXPECT_EQ(PlacementOf(sources[0].Get()), L"100000000 " + std::to_wstring(100000000 + video.duration * 10) + L" 0 " +
                                               length + L" " + length + L" 0 1 " + clip);  // 1: crop
  EXPECT_EQ(NameOf(sources[0].Get()), L"Intro");
  EXPECT_EQ(editor_->Source(), nullptr);  // the track holds the new source, not the editor
}

TEST_F(SourceEditor, ExistingSourceShowsItsSettingsAndMovesOnlyWhenAskedTo) {
  // A sound source, then a picture whose stretch mode is kept.
  Open(nullptr, -1, -1);
  Choose(editor_->GroupCombo(), 1);
  Browse(FixturePath(L"clip-mjpeg.avi"));
  ASSERT_EQ(editor_->StreamCombo()->Count(), 1);
  EXPECT_EQ(Close(), 1);
  ASSERT_EQ(Sources(1, 0).size(), 1u);
  EXPECT_NE(PlacementOf(Sources(1, 0)[0].Get()).find(L" 0 0 " + FixturePath(L"clip-mjpeg.avi")),
            std::wstring::npos);  // its first sound stream, stretched

  NewPicture(0, 3);
  ASSERT_EQ(editor_->Streams().size(), 1u);
  ASSERT_EQ(editor_->StreamCombo()->Count(), 1);
  editor_->StretchCombo()->SetCurSel(3);
  editor_->MediaStopEdit()->SetTime(kSecond);
  EXPECT_EQ(Close(), 1);
  ComPtr<IAMTimelineObj> picture = Sources(0, 0).at(0);
  const std::wstring before = PlacementOf(picture.Get());
  EXPECT_NE(before.find(L" 0 3 " + FixturePath(L"picture.bmp")), std::wstring::npos);  // preserving, no letterbox
  const ULONG refs = RefCount(picture.Get());
  EXPECT_EQ(refs, 2u);  // ours and the track's

  Open(picture.Get(), 0, 0);
  EXPECT_EQ(editor_->GroupCombo()->Count(), 1);  // the sound group is no place for a picture
  // OK writes what the controls show: untouched, every setting loaded comes back as it was.
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(PlacementOf(picture.Get()), before);
  EXPECT_EQ(Sources(0, 0).size(), 1u);

  Open(picture.Get(), 0, 0);
  Choose(editor_->TrackCombo(), 1);
  EXPECT_EQ(Close(), 1);
  EXPECT_TRUE(Sources(0, 0).empty());
  ASSERT_EQ(Sources(0, 1).size(), 1u);
  EXPECT_EQ(Sources(0, 1)[0].Get(), picture.Get());
  Forget();
  picture.Reset();
  EXPECT_EQ(RefCount(Sources(0, 1)[0].Get()), refs);
}

TEST_F(SourceEditor, UnreadableFilesMissingStreamsAndPlacementsTheTrackCannotTakeAreRefused) {
  testsupport::TempDir dir(L"source-editor-bad");
  const std::wstring bad = dir.File(L"notes.avi");
  const char text[] = "not a film at all";
  ASSERT_TRUE(testsupport::WriteBytes(bad, text, sizeof text));
  Open(nullptr, -1, -1);
  Browse(bad);
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0].rfind(bad + L"\nCan't recognize media\n8", 0), 0u) << Narrow(g_asked[0]);
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
  EXPECT_EQ(Close(), 2);
  EXPECT_TRUE(Sources(0, 0).empty());
  EXPECT_TRUE(Sources(1, 0).empty());

  // Placements the track cannot take are refused, and the dialog stays.
  g_asked.clear();
  NewPicture(0, 5);
  ASSERT_EQ(Close(), 1);
  ASSERT_EQ(Sources(0, 0).size(), 1u);

  // Over the first one; ending before it starts, on the timeline or in the media.
  NewPicture(2, 3);
  EXPECT_EQ(Close(), 2);
  NewPicture(9, 8);
  EXPECT_EQ(Close(), 2);
  editor_->StopEdit()->SetTime(10 * kSecond);
  editor_->MediaStopEdit()->SetTime(0);
  editor_->MediaStartEdit()->SetTime(kSecond);
  EXPECT_EQ(Close(), 2);
  ASSERT_EQ(g_asked.size(), 3u);
  EXPECT_NE(g_asked[0].find(L"could not be placed"), std::wstring::npos);
  EXPECT_NE(g_asked[1].find(L"stop time lies before the start time"), std::wstring::npos);
  EXPECT_NE(g_asked[2].find(L"media stop time"), std::wstring::npos);
  EXPECT_EQ(Sources(0, 0).size(), 1u);
}
