// The effect and transition editor: filter lists, moves, names, Cancel and keyframes.
#include <algorithm>

#include "EditorTestSupport.h"
#include "editors/TLObjEdit.h"
#include "editors/WndTLEffTrn.h"
#include "timeline/GridTimeEdit.h"
#include "ui/CheckBox.h"
#include "ui/Edit.h"
#include "ui/StaticText.h"

using namespace editortest;
using Strings = std::vector<std::wstring>;

namespace {

constexpr GUID kDissolve = {0xEAF10151, 0x3E56, 0x4946, {0xB8, 0x66, 0x76, 0x02, 0x3A, 0x51, 0xF4, 0x15}};
constexpr GUID kBrightness = {0xF60ACBDD, 0x3C55, 0x4189, {0x9D, 0x72, 0x66, 0xF3, 0x05, 0xE6, 0x50, 0x47}};
constexpr GUID kWipe = {0xE63C168F, 0x43C2, 0x44F4, {0xB2, 0xB6, 0xEB, 0x46, 0x52, 0x8F, 0x14, 0x85}};

// The object's keyframes as "name value time", with " ~" when interpolated; numbers start with '#'.
Strings Keys(IAMTimelineObj* object) {
  Strings keys;
  for (const auto& [name, type, text, number, time, interp] : enginetest::PropRows(object))
    keys.push_back(name + L" " + (type == VT_BSTR ? text : L"#" + std::to_wstring(number)) + L" " +
                   std::to_wstring(time) + (interp == DEXTERF_INTERPOLATE ? L" ~" : L""));
  return keys;
}

class EffectEditor : public EditorWindowTest<CWndTLEffTrn> {
 protected:
  void Open(int kind, IAMTimelineObj* object, int group, int track) {
    Make(std::make_shared<FilterDescriptions>())->SetKind(kind);
    editor_->SetTrackObject(Timeline(), object, group, track);
  }
  std::wstring Row(int row) { return RowText(editor_->Grid(), row); }
  void TypeInto(int column, int row, const wchar_t* text) { TypeIntoCell(editor_->Grid(), column, row, text); }
  // The grid's right-click menu on a row, answered with `command`.
  void GridMenu(UINT command, int row) {
    PickFromMenus(command);
    editor_->Grid()->SetCurrentCell(1, row);
    SendMessageW(editor_->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(editor_->Grid()->Hwnd()), 0);
  }
};

}  // namespace

TEST_F(EffectEditor, NewEffectOfAnAudioFirstProjectListsTheAudioEffectsAndWritesNothingUnset) {
  Timeline()->ClearAllGroups();
  AddGroup(TLGroupDesc::DefaultAudio(1));
  AddGroup(TLGroupDesc::DefaultVideo(1));
  Open(1, nullptr, -1, -1);
  EXPECT_EQ(editor_->GetText(), L"New timeline effect");
  EXPECT_EQ(editor_->GroupList()->GetCurSel(), 0);
  Strings catalog;
  for (const FilterEntry& e : FilterCatalog::Effects(kAudioEffects)) catalog.push_back(e.name);
  ASSERT_FALSE(catalog.empty());
  std::sort(catalog.begin(), catalog.end());
  EXPECT_EQ(ComboItems(editor_->FilterList()), catalog);
  EXPECT_EQ(editor_->FilterList()->GetCurSel(), 0);

  editor_->StartEdit()->SetTime(1000000);
  editor_->StopEdit()->SetTime(3000000);
  EXPECT_EQ(Close(), 1);
  ComPtr<IAMTimelineObj> effect;
  ASSERT_EQ(As<IAMTimelineEffectable>(Track(0, 0).Get())->GetEffect(&effect, 0), S_OK);
  EXPECT_EQ(enginetest::Get(effect, &IAMTimelineObj::GetSubObjectGUID), editor_->SelectedFilter());
  EXPECT_EQ(enginetest::Times(effect.Get()), enginetest::Span(10000000, 30000000));
  // Parameters the user left alone keep the filter's defaults: nothing is written for them.
  EXPECT_TRUE(Keys(effect.Get()).empty());
}

TEST_F(EffectEditor, ATransitionMovedToAnotherVideoGroupKeepsItsFilter) {
  AddGroup(TLGroupDesc::DefaultVideo(1));
  ComPtr<IAMTimelineObj> transition = AddEffect(false, kDissolve, 0, 20000000);
  Open(2, transition.Get(), 0, 0);
  EXPECT_EQ(editor_->FilterLabel()->GetText(), L"Transition:");
  EXPECT_EQ(editor_->GroupList()->Count(), 2);  // the video groups only
  CTLObjEdit::SelectData(editor_->GroupList(), 2);
  Choose(editor_->GroupList(), editor_->GroupList()->GetCurSel());
  EXPECT_EQ(editor_->SelectedFilter(), kDissolve);
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(enginetest::Get(Track(0, 0), &IAMTimelineTransable::TransGetCount), 0);
  ComPtr<IAMTimelineObj> moved;
  REFERENCE_TIME at = 0;
  ASSERT_EQ(As<IAMTimelineTransable>(Track(2, 0).Get())->GetNextTrans(&moved, &at), S_OK);
  EXPECT_EQ(moved.Get(), transition.Get());
}

TEST_F(EffectEditor, UnknownFiltersEmptyNamesAndCancel) {
  constexpr GUID kUnknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  ComPtr<IAMTimelineObj> effect = AddEffect(true, kUnknown, 0, 10000000);
  effect->SetUserName(Bstr(L"Look"));
  enginetest::AddParam(effect.Get(), L"Whatever", {{L"1", 0}});

  // Cancel after changing everything: the object is as it was.
  Open(1, effect.Get(), 0, 0);
  EXPECT_EQ(editor_->FilterList()->GetCurSel(), 0);  // its filter is not listed: the first is shown
  editor_->NameEdit()->SetText(L"");
  SendMessageW(editor_->LockedBox()->Hwnd(), BM_SETCHECK, BST_CHECKED, 0);
  editor_->StopEdit()->SetTime(5000000);
  Choose(editor_->FilterList(), 1);
  EXPECT_EQ(Close(IDCANCEL), 2);
  EXPECT_EQ(enginetest::Get(effect, &IAMTimelineObj::GetSubObjectGUID), kUnknown);
  EXPECT_EQ(NameOf(effect.Get()), L"Look");
  EXPECT_EQ(Keys(effect.Get()), Strings{L"Whatever 1 0"});

  // OK: the listed filter replaces the unknown one, and an empty name clears the name.
  Open(1, effect.Get(), 0, 0);
  editor_->NameEdit()->SetText(L"");
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(enginetest::Get(effect, &IAMTimelineObj::GetSubObjectGUID), editor_->SelectedFilter());
  Bstr name;
  effect->GetUserName(name.Out());
  EXPECT_EQ(name.Get(), nullptr);
}

TEST_F(EffectEditor, KeyframesAreShownOnePerRowEditedAndWrittenBackWhole) {
  ComPtr<IAMTimelineObj> effect = AddEffect(true, kBrightness, 0, 40000000);
  // Made elsewhere: two keyframes for one parameter, named in another case, and a number.
  enginetest::AddParam(effect.Get(), L"brightness", {{L"0", 0, DEXTERF_INTERPOLATE}, {L"0.5", 10000000}});
  enginetest::AddParam(effect.Get(), L"Contrast", {{1.5, 0}});

  Open(1, effect.Get(), 0, 0);
  ASSERT_EQ(editor_->Grid()->RowCount(), 3u);
  EXPECT_EQ(Row(0), L"Brightness|0|000:00:00,000000|Interpolate");
  EXPECT_EQ(Row(1), L"Brightness|0.5|000:00:01,000000|Jump");
  EXPECT_EQ(Row(2), L"Contrast|1.5|000:00:00,000000|Jump");  // a number shows as its own text
  // The name column is never current: a click on it lands on the value.
  editor_->Grid()->SetCurrentCell(0, 2);
  EXPECT_EQ(editor_->Grid()->CurrentColumn(), 1);

  // OK untouched: every keyframe goes back as it was, under the described name.
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(Keys(effect.Get()), (Strings{L"Brightness 0 0 ~", L"Brightness 0.5 10000000", L"Contrast 1.5 0"}));

  // Edited through the cell editors: a value, a time code, and a new keyframe from the menu.
  Open(1, effect.Get(), 0, 0);
  TypeInto(1, 1, L"0.75");
  TypeInto(2, 1, L"000:00:02,500000");
  TypeInto(3, 1, L"Interpolate");
  GridMenu(CWndTLEffTrn::kAddKeyframe, 1);
  ASSERT_EQ(editor_->Grid()->RowCount(), 4u);
  EXPECT_EQ(Row(2), L"Brightness|0.75|000:00:02,500000|Interpolate");
  TypeInto(1, 2, L"1");
  // The time editor is made hidden and shown once placed; its own keys work and Tab stays with it.
  auto* unplaced = new CGridTimeEdit(editor_->Grid()->Hwnd(), GetModuleHandleW(nullptr));
  EXPECT_FALSE(GetWindowLongW(unplaced->Hwnd(), GWL_STYLE) & WS_VISIBLE);
  unplaced->Destroy(true);
  TypeInto(2, 2, L"000:00:02,000000");
  ASSERT_EQ(editor_->Grid()->BeginEdit(), 0);
  const HWND time = editor_->Grid()->Editor()->Hwnd();
  EXPECT_TRUE(GetWindowLongW(time, GWL_STYLE) & WS_VISIBLE);
  SendMessageW(time, EM_SETSEL, 9, 9);
  for (WPARAM key : {VK_UP, VK_TAB}) SendMessageW(time, WM_KEYDOWN, key, 1);
  ASSERT_NE(editor_->Grid()->Editor(), nullptr);
  SendMessageW(time, WM_KEYDOWN, VK_RETURN, 1);
  // The interpolation editor offers the two choices.
  editor_->Grid()->SetCurrentCell(3, 0);
  editor_->Grid()->BeginEdit();
  ASSERT_NE(editor_->Grid()->Editor(), nullptr);
  auto* choice = static_cast<CComboBox*>(editor_->Grid()->Editor());
  EXPECT_EQ(ComboItems(choice), (Strings{L"Jump", L"Interpolate"}));
  SetFocus(editor_->Grid()->Hwnd());
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(Keys(effect.Get()), (Strings{L"Brightness 0 0 ~", L"Brightness 0.75 25000000 ~", L"Brightness 1 30000000 ~",
                                         L"Contrast 1.5 0"}));

  // Removing a keyframe from the menu.
  Open(1, effect.Get(), 0, 0);
  GridMenu(CWndTLEffTrn::kRemoveKeyframe, 1);
  EXPECT_EQ(editor_->Grid()->RowCount(), 3u);
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(Keys(effect.Get()), (Strings{L"Brightness 0 0 ~", L"Brightness 1 30000000 ~", L"Contrast 1.5 0"}));
}

TEST_F(EffectEditor, ChoiceParametersOfferTheirValueList) {
  ComPtr<IAMTimelineObj> wipe = AddEffect(false, kWipe, 0, 10000000);
  Open(2, wipe.Get(), 0, 0);
  ASSERT_GE(editor_->Grid()->RowCount(), 1u);
  EXPECT_EQ(RowText(editor_->Grid(), 0).rfind(L"Direction|", 0), 0u);
  editor_->Grid()->SetCurrentCell(1, 0);
  ASSERT_EQ(editor_->Grid()->BeginEdit(), 0);
  auto* list = static_cast<CComboBox*>(editor_->Grid()->Editor());
  ASSERT_NE(list, nullptr);
  const Strings items = ComboItems(list);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[1], L"1: Right to left");
  EXPECT_EQ(list->GetItemData(1), 1);  // the value's length: choosing it leaves "1"
  SetWindowTextW(list->Hwnd(), L"2");
  SetFocus(editor_->Grid()->Hwnd());
  EXPECT_EQ(Close(), 1);
  EXPECT_EQ(Keys(wipe.Get()), Strings{L"Direction 2 0"});
}
