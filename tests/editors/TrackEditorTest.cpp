// The track editor: proposed names and priorities, appending, swapping, moving between groups,
// refusals, and the references it takes.
#include "EditorTestSupport.h"
#include "editors/WndTLTrk.h"
#include "timeline/TLNode.h"
#include "ui/Button.h"
#include "ui/Edit.h"
#include "ui/StaticText.h"

using namespace editortest;

namespace {

class TrackEditor : public EditorTest {
 protected:
  void TearDown() override {
    if (editor_) editor_->Destroy(true);
    EditorTest::TearDown();
  }
  CWndTLTrk* Open(IAMTimelineObj* track, int group, int index) {
    if (editor_) editor_->Destroy(true);
    editor_ = new CWndTLTrk();
    EXPECT_EQ(editor_->Create(main_->Hwnd(), GetModuleHandleW(nullptr)), 0u);
    editor_->Open(Timeline(), track, group, index);
    return editor_;
  }
  int Confirm() {
    PostMessageW(editor_->Hwnd(), WM_COMMAND, IDOK, 0);
    return editor_->RunModal();
  }
  bool OkEnabled() { return IsWindowEnabled(editor_->OkButton()->Hwnd()) != FALSE; }
  std::vector<std::wstring> TrackNames(long group) {
    std::vector<std::wstring> names;
    for (long t = 0; t < TrackCount(group); ++t) names.push_back(NameOf(Track(group, t).Get()));
    return names;
  }

  CWndTLTrk* editor_ = nullptr;
};

using Names = std::vector<std::wstring>;

}  // namespace

TEST_F(TrackEditor, NewTrackIsProposedAfterTheLastAndAppendedWithoutAChoice) {
  Open(nullptr, -1, -1);
  EXPECT_EQ(editor_->GetText(), L"New timeline track");
  EXPECT_EQ(editor_->GroupLabel()->GetText(), L"Timeline parent group:");
  EXPECT_EQ(editor_->GroupCombo()->y, 77);
  EXPECT_EQ(editor_->PriorityCombo()->y, 101);
  EXPECT_EQ(editor_->PriorityCombo()->x, 4 + editor_->GroupCombo()->width / 2);
  EXPECT_EQ(editor_->GroupCombo()->Count(), 2);
  EXPECT_EQ(editor_->GroupCombo()->GetCurSel(), 0);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Track_2");
  EXPECT_FALSE(editor_->NameEdited());
  ASSERT_EQ(editor_->PriorityCombo()->Count(), 3);
  EXPECT_EQ(editor_->PriorityCombo()->GetCurSel(), -1);
  EXPECT_TRUE(OkEnabled());

  // The audio group has one track: the proposal follows the group while the user has not typed.
  Choose(editor_->GroupCombo(), 1);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Track_1");
  EXPECT_EQ(editor_->PriorityCombo()->Count(), 2);
  Choose(editor_->GroupCombo(), 0);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Track_2");

  EXPECT_EQ(Confirm(), 1);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_EQ(TrackNames(0), (Names{L"Track_0", L"Track_1", L"Track_2"}));
  EXPECT_EQ(editor_->Object(), nullptr);  // the group holds the new track, not the editor
}

TEST_F(TrackEditor, TypedNameSurvivesAGroupChangeAndAChosenPriorityInserts) {
  Open(nullptr, -1, -1);
  // The edit control reports the user's typing as a change notification.
  SetWindowTextW(editor_->NameEdit()->Hwnd(), L"Voice");
  EXPECT_TRUE(editor_->NameEdited());
  Choose(editor_->GroupCombo(), 1);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Voice");
  editor_->PriorityCombo()->SetCurSel(0);
  EXPECT_EQ(Confirm(), 1);
  EXPECT_EQ(TrackNames(1), (Names{L"Voice", L"Track_0"}));
  EXPECT_EQ(TrackCount(0), 2);
}

TEST_F(TrackEditor, ExistingTrackSwapsPrioritiesAndMovesBetweenGroups) {
  ComPtr<IAMTimelineObj> first = Track(0, 0);
  const ULONG refs = RefCount(first.Get());
  Open(first.Get(), 0, 0);
  EXPECT_EQ(editor_->GetText(), L"Timeline track");
  EXPECT_TRUE(editor_->NameEdited());
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Track_0");
  EXPECT_EQ(editor_->PriorityCombo()->Count(), 2);  // an existing track cannot go after itself
  EXPECT_EQ(editor_->PriorityCombo()->GetCurSel(), 0);
  editor_->PriorityCombo()->SetCurSel(1);
  editor_->NameEdit()->SetText(L"Back");
  EXPECT_EQ(Confirm(), 1);
  EXPECT_EQ(TrackNames(0), (Names{L"Track_1", L"Back"}));
  editor_->Destroy(true);
  editor_ = nullptr;
  EXPECT_EQ(RefCount(first.Get()), refs);

  // Into the audio group with no priority chosen: appended there, gone from the video group.
  Open(first.Get(), 0, 1);
  Choose(editor_->GroupCombo(), 1);
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Back");
  EXPECT_EQ(editor_->PriorityCombo()->GetCurSel(), -1);
  EXPECT_EQ(Confirm(), 1);
  EXPECT_EQ(TrackNames(0), (Names{L"Track_1"}));
  EXPECT_EQ(TrackNames(1), (Names{L"Track_0", L"Back"}));
  EXPECT_EQ(Track(1, 1).Get(), first.Get());

  // Back at the front of the video group.
  Open(first.Get(), 1, 1);
  Choose(editor_->GroupCombo(), 0);
  editor_->PriorityCombo()->SetCurSel(0);
  EXPECT_EQ(Confirm(), 1);
  EXPECT_EQ(TrackNames(0), (Names{L"Back", L"Track_1"}));
  EXPECT_EQ(TrackNames(1), (Names{L"Track_0"}));
}

TEST_F(TrackEditor, WithoutGroupsNothingCanBeConfirmedAndCancelChangesNothing) {
  ComPtr<IAMTimelineObj> track = Track(1, 0);
  const ULONG refs = RefCount(track.Get());
  Open(track.Get(), 1, 0);
  editor_->NameEdit()->SetText(L"");
  editor_->PriorityCombo()->SetCurSel(-1);
  PostMessageW(editor_->Hwnd(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(editor_->RunModal(), 2);
  editor_->Destroy(true);
  editor_ = nullptr;
  EXPECT_EQ(NameOf(track.Get()), L"Track_0");
  EXPECT_EQ(RefCount(track.Get()), refs);

  Timeline()->ClearAllGroups();
  Open(nullptr, -1, -1);
  EXPECT_EQ(editor_->GroupCombo()->Count(), 0);
  EXPECT_FALSE(OkEnabled());
  // Enter does what the disabled OK button would: nothing.
  PostMessageW(editor_->Hwnd(), WM_COMMAND, IDOK, 0);
  PostMessageW(editor_->Hwnd(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(editor_->RunModal(), 2);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_EQ(GroupCount(), 0);
}
