// The group editor: controls, loading, saving, refusals and the references it takes.
#include "EditorTestSupport.h"
#include "editors/WndTLGrp.h"
#include "timeline/GroupHelpers.h"
#include "timeline/TLNode.h"
#include "ui/CheckBox.h"
#include "ui/Edit.h"

// After the editing-services declarations, which bring the media framework's base types.
#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>

using namespace editortest;

namespace {

struct GroupType {
  GUID major = GUID_NULL;
  GUID subtype = GUID_NULL;
  LONG width = 0, height = 0;
  DWORD rate = 0;
};

GroupType TypeOf(IAMTimelineObj* object) {
  GroupType result;
  auto group = As<IAMTimelineGroup>(object);
  AM_MEDIA_TYPE type = {};
  if (!group || FAILED(group->GetMediaType(&type))) return result;
  result.major = type.majortype;
  result.subtype = type.subtype;
  if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    result.width = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biWidth;
    result.height = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biHeight;
  } else if (type.formattype == FORMAT_WaveFormatEx && type.cbFormat >= sizeof(WAVEFORMATEX)) {
    result.rate = reinterpret_cast<WAVEFORMATEX*>(type.pbFormat)->nSamplesPerSec;
  }
  FreeMediaTypeContent(&type);
  return result;
}

class GroupEditor : public EditorTest {
 protected:
  void TearDown() override {
    if (editor_) editor_->Destroy(true);
    EditorTest::TearDown();
  }
  ComPtr<IAMTimelineObj> AddAudioGroup(uint32_t rate) {
    TLGroupDesc desc;
    desc.name = L"Sound";
    desc.trackCount = 1;
    desc.majorIndex = 1;
    desc.format = rate;
    ComPtr<IAMTimelineObj> group;
    EXPECT_EQ(CreateGroup(main_->Timeline(), group.GetAddressOf(), desc), S_OK);
    return group;
  }
  CWndTLGrp* Open(IAMTimelineObj* object) {
    editor_ = new CWndTLGrp();
    EXPECT_EQ(editor_->Create(main_->Hwnd(), GetModuleHandleW(nullptr)), 0u);
    editor_->SetObject(main_->Timeline(), object);
    return editor_;
  }
  void SelectMediaType(int index) { Choose(editor_->MediaTypeCombo(), index); }
  void Post(UINT command) { PostMessageW(editor_->Hwnd(), WM_COMMAND, command, 0); }

  CWndTLGrp* editor_ = nullptr;
};

}  // namespace

TEST_F(GroupEditor, NewGroupProposesANameAndTheMediaSwitchRebuildsItsControls) {
  Open(nullptr);
  EXPECT_EQ(editor_->GetText(), L"New timeline group");
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Group_2");
  EXPECT_TRUE(IsWindowEnabled(editor_->MediaTypeCombo()->Hwnd()));
  EXPECT_EQ(editor_->width, CWndTLGrp::kWidth);
  EXPECT_EQ(editor_->MediaTypeCombo()->y, 77);
  EXPECT_EQ(editor_->SubtypeCombo()->y, 117);
  EXPECT_EQ(editor_->SubtypeCombo()->Count(), 3);
  EXPECT_EQ(editor_->SubtypeCombo()->GetCurSel(), 0);
  ASSERT_NE(editor_->WidthEdit(), nullptr);
  EXPECT_EQ(editor_->WidthEdit()->y, 156);
  EXPECT_EQ(editor_->HeightEdit()->x, 4 + editor_->SubtypeCombo()->width / 2);
  EXPECT_EQ(editor_->RateCombo(), nullptr);

  editor_->WidthEdit()->SetText(L"800");
  SelectMediaType(1);
  EXPECT_EQ(editor_->WidthEdit(), nullptr);
  EXPECT_EQ(editor_->HeightEdit(), nullptr);
  ASSERT_NE(editor_->RateCombo(), nullptr);
  EXPECT_EQ(editor_->RateCombo()->Count(), 4);
  EXPECT_EQ(editor_->RateCombo()->GetItemData(editor_->RateCombo()->GetCurSel()), 44100);
  EXPECT_EQ(editor_->SubtypeCombo()->Count(), 1);

  SelectMediaType(0);
  EXPECT_EQ(editor_->RateCombo(), nullptr);
  ASSERT_NE(editor_->WidthEdit(), nullptr);
  EXPECT_EQ(editor_->WidthEdit()->GetText(), L"640");
  EXPECT_EQ(editor_->HeightEdit()->GetText(), L"480");
}

TEST_F(GroupEditor, ExistingAudioGroupsShowTheirRateAndKeepAnUnlistedOne) {
  ComPtr<IAMTimelineObj> listed = AddAudioGroup(22050);
  Open(listed.Get());
  EXPECT_EQ(editor_->GetText(), L"Timeline group");
  EXPECT_FALSE(IsWindowEnabled(editor_->MediaTypeCombo()->Hwnd()));
  EXPECT_EQ(editor_->NameEdit()->GetText(), L"Sound");
  ASSERT_NE(editor_->RateCombo(), nullptr);
  EXPECT_EQ(editor_->RateCombo()->GetItemData(editor_->RateCombo()->GetCurSel()), 22050);
  editor_->Destroy(true);

  ComPtr<IAMTimelineObj> unlisted = AddAudioGroup(48000);
  Open(unlisted.Get());
  ASSERT_NE(editor_->RateCombo(), nullptr);
  EXPECT_EQ(editor_->RateCombo()->GetCurSel(), -1);
  // Renaming must not cost the group its rate.
  editor_->NameEdit()->SetText(L"Voice");
  Post(IDOK);
  EXPECT_EQ(editor_->RunModal(), 1);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_EQ(NameOf(unlisted.Get()), L"Voice");
  EXPECT_EQ(TypeOf(unlisted.Get()).rate, 48000u);
}

TEST_F(GroupEditor, OkCreatesTheChosenGroupAndLetsGoOfIt) {
  Open(nullptr);
  editor_->NameEdit()->SetText(L"Clips");
  SendMessageW(editor_->LockedBox()->Hwnd(), BM_SETCHECK, BST_CHECKED, 0);
  editor_->SubtypeCombo()->SetCurSel(2);
  editor_->WidthEdit()->SetText(L"320");
  editor_->HeightEdit()->SetText(L"65535");
  Post(IDOK);
  EXPECT_EQ(editor_->RunModal(), 1);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_EQ(editor_->Object(), nullptr);
  EXPECT_EQ(editor_->Group(), nullptr);

  ASSERT_EQ(GroupCount(), 3);
  ComPtr<IAMTimelineObj> group = Group(2);
  EXPECT_EQ(NameOf(group.Get()), L"Clips");
  BOOL locked = FALSE;
  group->GetLocked(&locked);
  EXPECT_TRUE(locked);
  GroupType type = TypeOf(group.Get());
  EXPECT_EQ(type.major, MEDIATYPE_Video);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_ARGB32);
  EXPECT_EQ(type.width, 320);
  EXPECT_EQ(type.height, 65535);
  long tracks = 0;
  As<IAMTimelineComp>(group.Get())->VTrackGetCount(&tracks);
  EXPECT_EQ(tracks, 1);
}

TEST_F(GroupEditor, SizesThatNoGroupCanHaveAreRefusedAndNothingIsMade) {
  Open(nullptr);
  for (const wchar_t* width : {L"0", L"70000", L""}) {
    g_asked.clear();
    editor_->WidthEdit()->SetText(width);
    Post(IDOK);
    Post(IDCANCEL);
    EXPECT_EQ(editor_->RunModal(), 2) << width;
    ASSERT_EQ(g_asked.size(), 1u) << width;
    EXPECT_NE(g_asked[0].find(L"65535"), std::wstring::npos);
    EXPECT_EQ(GroupCount(), 2);
  }
  // After a refusal the close box cancels rather than trying the same save again.
  g_asked.clear();
  editor_->HeightEdit()->SetText(L"0");
  Post(IDOK);
  PostMessageW(editor_->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(editor_->RunModal(), 0);
  EXPECT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(GroupCount(), 2);
}

TEST_F(GroupEditor, CancelAndRefusalsLeaveTheGroupAndItsReferencesAsTheyWere) {
  ComPtr<IAMTimelineObj> group = Group(0);
  const ULONG refs = RefCount(group.Get());
  const GroupType before = TypeOf(group.Get());
  Open(group.Get());
  EXPECT_EQ(editor_->WidthEdit()->GetText(), L"640");
  EXPECT_EQ(editor_->HeightEdit()->GetText(), L"480");
  EXPECT_EQ(editor_->SubtypeCombo()->GetCurSel(), 1);
  editor_->NameEdit()->SetText(L"Renamed");
  editor_->WidthEdit()->SetText(L"0");
  Post(IDOK);
  Post(IDCANCEL);
  EXPECT_EQ(editor_->RunModal(), 2);
  EXPECT_EQ(g_asked.size(), 1u);
  editor_->Destroy(true);
  editor_ = nullptr;

  EXPECT_EQ(NameOf(group.Get()), L"Video group");
  const GroupType after = TypeOf(group.Get());
  EXPECT_EQ(after.width, before.width);
  EXPECT_EQ(after.subtype, before.subtype);
  EXPECT_EQ(RefCount(group.Get()), refs);
}
