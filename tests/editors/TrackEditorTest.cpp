// The track editor: names, priorities, moves between groups, refusals and references.
#include "EditorTestSupport.h"
#include "editors/WndTLTrk.h"
#include "ui/Edit.h"

using namespace editortest;

namespace {

using Names = std::vector<std::wstring>;

class TrackEditor : public EditorWindowTest<CWndTLTrk> {
 protected:
  void Open(IAMTimelineObj* track, int group, int index) { Make()->Open(Timeline(), track, group, index); }
  Names TrackNames(long group) {
    Names names;
    for (long t = 0; t < TrackCount(group); ++t) names.push_back(NameOf(Track(group, t).Get()));
    return names;
  }
};

}  // namespace

TEST_F(TrackEditor, NewTrackProposesANameThatFollowsTheGroupUntilTypedAndAppendsOrInsertsIntoAGroup) {
  Open(nullptr, -1, -1);
  EXPECT_EQ(editor_->GetText(), L"New timeline track");
  EXPECT_EQ(editor_->GroupCombo()->Count(), 2);
  EXPECT_EQ(editor_->GroupCombo()->GetCurSel(), 0);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Track_2");
  EXPECT_FALSE(editor_->NameEdited());
  ASSERT_EQ(editor_->PriorityCombo()->Count(), 3);
  EXPECT_EQ(editor_->PriorityCombo()->GetCurSel(), -1);
  // The audio group has one track.
  Choose(editor_->GroupCombo(), 1);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Track_1");
  EXPECT_EQ(editor_->PriorityCombo()->Count(), 2);
  Choose(editor_->GroupCombo(), 0);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Track_2");
  EXPECT_EQ(Close(), 1);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_EQ(TrackNames(0), (Names{L"Track_0", L"Track_1", L"Track_2"}));
  EXPECT_EQ(editor_->Object(), nullptr);  // the group holds the new track, not the editor

  Open(nullptr, -1, -1);
  // The edit control reports the user's typing as a change notification.
  SetWindowTextW(editor_->NameEdit()->Hwnd(), L"Voice");
  EXPECT_TRUE(editor_->NameEdited());
  Choose(editor_->GroupCombo(), 1);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Voice");
  editor_->PriorityCombo()->SetCurSel(0);
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(TrackNames(1), (Names{L"Voice", L"Track_0"}));
  EXPECT_EQ(TrackCount(0), 3);

  // Without groups nothing can be confirmed.
  Timeline()->ClearAllGroups();
  Open(nullptr, -1, -1);
  EXPECT_EQ(editor_->GroupCombo()->Count(), 0);
  EXPECT_FALSE(OkEnabled());
  // Enter does what the disabled OK button would: nothing.
  EXPECT_EQ(Close(), 2);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_EQ(GroupCount(), 0);
}

TEST_F(TrackEditor, ExistingTrackSwapsPrioritiesAndMovesBetweenGroups) {
  ComPtr<IAMTimelineObj> first = Track(0, 0);
  const ULONG refs = RefCount(first.Get());
  Open(first.Get(), 0, 0);
  EXPECT_TRUE(editor_->NameEdited());
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Track_0");
  EXPECT_EQ(editor_->PriorityCombo()->Count(), 2);  // an existing track cannot go after itself
  EXPECT_EQ(editor_->PriorityCombo()->GetCurSel(), 0);
  editor_->PriorityCombo()->SetCurSel(1);
  editor_->NameEdit()->SetText(L"Back");
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(TrackNames(0), (Names{L"Track_1", L"Back"}));
  Forget();
  EXPECT_EQ(RefCount(first.Get()), refs);

  // Into the audio group with no priority chosen: appended there, gone from the video group.
  Open(first.Get(), 0, 1);
  Choose(editor_->GroupCombo(), 1);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Back");
  EXPECT_EQ(editor_->PriorityCombo()->GetCurSel(), -1);
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(TrackNames(0), (Names{L"Track_1"}));
  EXPECT_EQ(TrackNames(1), (Names{L"Track_0", L"Back"}));
  EXPECT_EQ(Track(1, 1).Get(), first.Get());

  // Back at the front of the video group.
  Open(first.Get(), 1, 1);
  Choose(editor_->GroupCombo(), 0);
  editor_->PriorityCombo()->SetCurSel(0);
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(TrackNames(0), (Names{L"Back", L"Track_1"}));
  EXPECT_EQ(TrackNames(1), (Names{L"Track_0"}));

  // Cancel changes nothing.
  Open(first.Get(), 0, 0);
  editor_->NameEdit()->SetText(L"");
  Choose(editor_->GroupCombo(), 1);
  EXPECT_EQ(Close(IDCANCEL), 2);
  Forget();
  EXPECT_EQ(TrackNames(0), (Names{L"Back", L"Track_1"}));
  EXPECT_EQ(RefCount(first.Get()), refs);
}
