// The group editor: controls, loading, saving, refusals and the references it takes.
#include "EditorTestSupport.h"
#include "editors/WndTLGrp.h"
#include "services/MediaTypes.h"
#include "ui/CheckBox.h"
#include "ui/Edit.h"

// After the editing-services declarations, which bring the media framework's base types.
#include <uuids.h>

using namespace editortest;

namespace {

GroupTypeFields TypeOf(IAMTimelineObj* group) {
  GroupTypeFields fields;
  AM_MEDIA_TYPE type = {};
  if (SUCCEEDED(As<IAMTimelineGroup>(group)->GetMediaType(&type))) DescribeGroupType(type, &fields);
  FreeMediaTypeContent(&type);
  return fields;
}

class GroupEditor : public EditorWindowTest<CWndTLGrp> {
 protected:
  void Open(IAMTimelineObj* object) { Make()->SetObject(Timeline(), object); }
  ComPtr<IAMTimelineObj> AddAudioGroup(uint32_t rate) { return AddGroup({false, false, 1, L"Sound", 1, 0, rate}); }
};

}  // namespace

TEST_F(GroupEditor, NewGroupProposesANameRebuildsItsControlsForTheMediaAndOkCreatesIt) {
  Open(nullptr);
  EXPECT_EQ(editor_->GetText(), L"New timeline group");
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Group_2");
  EXPECT_TRUE(IsWindowEnabled(editor_->MediaTypeCombo()->Hwnd()));
  EXPECT_EQ(editor_->SubtypeCombo()->GetCurSel(), 0);
  ASSERT_NE(editor_->WidthEdit(), nullptr);
  EXPECT_EQ(editor_->RateCombo(), nullptr);

  editor_->WidthEdit()->SetText(L"800");
  Choose(editor_->MediaTypeCombo(), 1);
  EXPECT_EQ(editor_->WidthEdit(), nullptr);
  EXPECT_EQ(editor_->HeightEdit(), nullptr);
  ASSERT_NE(editor_->RateCombo(), nullptr);
  EXPECT_EQ(CTLObjEdit::SelectedData(editor_->RateCombo()), 44100);

  Choose(editor_->MediaTypeCombo(), 0);
  EXPECT_EQ(editor_->RateCombo(), nullptr);
  ASSERT_NE(editor_->WidthEdit(), nullptr);
  EXPECT_EQ(editor_->WidthEdit()->GetText(), L"640");
  EXPECT_EQ(editor_->HeightEdit()->GetText(), L"480");

  // OK makes the group the controls describe, and the editor lets go of it.
  editor_->NameEdit()->SetText(L"Clips");
  SendMessageW(editor_->LockedBox()->Hwnd(), BM_SETCHECK, BST_CHECKED, 0);
  editor_->SubtypeCombo()->SetCurSel(2);
  editor_->WidthEdit()->SetText(L"320");
  editor_->HeightEdit()->SetText(L"65535");
  EXPECT_EQ(Close(), 1);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_EQ(editor_->Object(), nullptr);
  EXPECT_EQ(editor_->Group(), nullptr);

  ASSERT_EQ(GroupCount(), 3);
  ComPtr<IAMTimelineObj> group = Group(2);
  EXPECT_EQ(NameOf(group.Get()), L"Clips");
  EXPECT_TRUE(enginetest::Get(group, &IAMTimelineObj::GetLocked));
  const GroupTypeFields type = TypeOf(group.Get());
  EXPECT_TRUE(type.video);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_ARGB32);
  EXPECT_EQ(type.width, 320);
  EXPECT_EQ(type.height, 65535);
  EXPECT_EQ(TrackCount(2), 1);
}

TEST_F(GroupEditor, ExistingAudioGroupsShowTheirRateAndKeepAnUnlistedOne) {
  Open(AddAudioGroup(22050).Get());
  EXPECT_FALSE(IsWindowEnabled(editor_->MediaTypeCombo()->Hwnd()));
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Sound");
  ASSERT_NE(editor_->RateCombo(), nullptr);
  EXPECT_EQ(CTLObjEdit::SelectedData(editor_->RateCombo()), 22050);

  ComPtr<IAMTimelineObj> unlisted = AddAudioGroup(48000);
  Open(unlisted.Get());
  ASSERT_NE(editor_->RateCombo(), nullptr);
  EXPECT_EQ(editor_->RateCombo()->GetCurSel(), -1);
  // Renaming must not cost the group its rate.
  editor_->NameEdit()->SetText(L"Voice");
  EXPECT_EQ(Close(), 1);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_EQ(NameOf(unlisted.Get()), L"Voice");
  EXPECT_EQ(TypeOf(unlisted.Get()).samplesPerSecond, 48000u);
}

TEST_F(GroupEditor, SizesNoGroupCanHaveAreRefusedAndLeaveEveryGroupAsItWas) {
  Open(nullptr);
  for (const wchar_t* width : {L"0", L"70000", L""}) {
    g_asked.clear();
    editor_->WidthEdit()->SetText(width);
    EXPECT_EQ(Close(), 2) << Narrow(width);
    ASSERT_EQ(g_asked.size(), 1u) << Narrow(width);
    EXPECT_NE(g_asked[0].find(L"65535"), std::wstring::npos);
  }
  // After a refusal the close box cancels rather than trying the same save again.
  g_asked.clear();
  editor_->HeightEdit()->SetText(L"0");
  PostMessageW(editor_->Hwnd(), WM_COMMAND, IDOK, 0);
  PostMessageW(editor_->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(editor_->RunModal(), 0);
  EXPECT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(GroupCount(), 2);

  // An existing group, renamed and then refused: its name, size and references as they were.
  ComPtr<IAMTimelineObj> group = Group(0);
  const ULONG refs = RefCount(group.Get());
  Open(group.Get());
  EXPECT_EQ(editor_->WidthEdit()->GetText(), L"640");
  EXPECT_EQ(editor_->HeightEdit()->GetText(), L"480");
  EXPECT_EQ(editor_->SubtypeCombo()->GetCurSel(), 1);
  editor_->NameEdit()->SetText(L"Renamed");
  editor_->WidthEdit()->SetText(L"0");
  EXPECT_EQ(Close(), 2);
  Forget();
  EXPECT_EQ(NameOf(group.Get()), L"Video group");
  EXPECT_EQ(TypeOf(group.Get()).width, 640);
  EXPECT_EQ(RefCount(group.Get()), refs);
}
