// The group editor on the real main window's timeline: controls, loading, saving, refusals,
// and the main window's commands that open it. Messages are answered through the prompt hooks.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/AppInit.h"
#include "app/WndMain.h"
#include "editors/WndTLGrp.h"
#include "services/ComUtil.h"
#include "timeline/GroupHelpers.h"
#include "timeline/TLNode.h"
#include "timeline/WndTLModel.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/UserPrompts.h"

// After the editing-services declarations, which bring the media framework's base types.
#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>

using Microsoft::WRL::ComPtr;

namespace {

std::vector<std::wstring> g_asked;
UINT g_menuChoice = 0;

int AnswerMessage(const MessageRequest& request) {
  g_asked.push_back(request.text);
  return IDOK;
}

UINT AnswerMenu(HMENU, int, int, HWND) { return g_menuChoice; }

ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

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

std::wstring NameOf(IAMTimelineObj* object) {
  Bstr name;
  object->GetUserName(name.Out());
  return name.Text();
}

// Should OK ever be refused where a test expects it to close the dialog, the dialog would wait
// for a user for good: it is cancelled after a while, so that the test fails instead.
void CALLBACK CancelStuckEditor(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (HWND editor = FindWindowW(L"WndTLGroup", nullptr)) PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
}

class GroupEditor : public testing::Test {
 protected:
  void SetUp() override {
    watchdog_ = SetTimer(nullptr, 0, 10000, &CancelStuckEditor);
    g_asked.clear();
    g_menuChoice = 0;
    previous_ = SetUserPromptHooks({&AnswerMessage, nullptr, &AnswerMenu});
    main_ = new CWndMain();
    ASSERT_EQ(main_->Create(nullptr, GetModuleHandleW(nullptr)), 0u);
    InitializeApplication(*main_);
    ASSERT_NE(main_->Timeline(), nullptr);
    ASSERT_EQ(GroupCount(), 2);
  }
  void TearDown() override {
    KillTimer(nullptr, watchdog_);
    if (editor_) editor_->Destroy(true);
    if (IsWindow(main_->Hwnd())) SendMessageW(main_->Hwnd(), WM_CLOSE, 0, 0);
    main_->Destroy(true);
    testsupport::PumpMessages();
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    SetUserPromptHooks(previous_);
  }

  long GroupCount() {
    long count = 0;
    main_->Timeline()->GetGroupCount(&count);
    return count;
  }
  ComPtr<IAMTimelineObj> Group(long index) {
    ComPtr<IAMTimelineObj> group;
    main_->Timeline()->GetGroup(&group, index);
    return group;
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
  void SelectMediaType(int index) {
    editor_->MediaTypeCombo()->SetCurSel(index);
    SendMessageW(editor_->Hwnd(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(editor_->MediaTypeCombo()->Hwnd()));
  }
  void Post(UINT command) { PostMessageW(editor_->Hwnd(), WM_COMMAND, command, 0); }

  CWndMain* main_ = nullptr;
  CWndTLGrp* editor_ = nullptr;
  UserPromptHooks previous_;
  UINT_PTR watchdog_ = 0;
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

// The main window opens the editor modally; the fake user acts from a timer while it runs.
namespace {
void (*g_userAction)(HWND editor) = nullptr;
std::wstring g_seenTitle;
bool g_seenTypeEnabled = false;

void CALLBACK ActOnEditor(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND editor = FindWindowW(L"WndTLGroup", nullptr);
  if (!editor || !IsWindowVisible(editor)) return;
  KillTimer(nullptr, timer);
  wchar_t title[64] = {};
  GetWindowTextW(editor, title, 64);
  g_seenTitle = title;
  // The media type combo is the first combo box the editor creates.
  g_seenTypeEnabled = IsWindowEnabled(FindWindowExW(editor, nullptr, L"ComboBox", nullptr)) != FALSE;
  g_userAction(editor);
}
}  // namespace

TEST_F(GroupEditor, MainWindowAddsAGroupAndOpensAGroupsProperties) {
  g_userAction = [](HWND editor) {
    SetWindowTextW(FindWindowExW(editor, nullptr, L"Edit", nullptr), L"Titles");
    PostMessageW(editor, WM_COMMAND, IDOK, 0);
  };
  SetTimer(nullptr, 0, 20, &ActOnEditor);
  SendMessageW(main_->Hwnd(), WM_COMMAND, MAKEWPARAM(CWndMain::kAddGroup, 0), 0);
  EXPECT_EQ(g_seenTitle, L"New timeline group");
  EXPECT_TRUE(g_seenTypeEnabled);
  EXPECT_EQ(FindWindowW(L"WndTLGroup", nullptr), nullptr);
  ASSERT_EQ(GroupCount(), 3);
  EXPECT_EQ(NameOf(Group(2).Get()), L"Titles");
  EXPECT_TRUE(main_->IsModified());
  EXPECT_EQ(main_->View()->Model().GroupCount(), 3);

  // Properties of a group, cancelled: the project stays as it was.
  SendMessageW(main_->Hwnd(), WM_COMMAND, MAKEWPARAM(CWndMain::kNew, 0), 0);
  ASSERT_FALSE(main_->IsModified());
  g_userAction = [](HWND editor) { PostMessageW(editor, WM_COMMAND, IDCANCEL, 0); };
  g_menuChoice = CWndMain::kProperties;
  SetTimer(nullptr, 0, 20, &ActOnEditor);
  main_->OnNodeClick(WM_RBUTTONDOWN, &main_->View()->Model().Group(1));
  EXPECT_EQ(g_seenTitle, L"Timeline group");
  EXPECT_FALSE(g_seenTypeEnabled);
  EXPECT_FALSE(main_->IsModified());
  EXPECT_EQ(GroupCount(), 2);
}
