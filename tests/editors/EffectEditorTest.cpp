// The effect and transition editor: filter lists by group and kind, moves, names, Cancel, and
// the parameter grid's keyframes read from and written to the object's property setter.
#include "EditorTestSupport.h"
#include "editors/TLObjEdit.h"
#include "editors/WndTLEffTrn.h"
#include "timeline/GroupHelpers.h"
#include "timeline/TimeEdit.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/GridStr.h"
#include "ui/StaticText.h"

using namespace editortest;

namespace {

constexpr GUID kDissolve = {0xEAF10151, 0x3E56, 0x4946, {0xB8, 0x66, 0x76, 0x02, 0x3A, 0x51, 0xF4, 0x15}};
constexpr GUID kBrightness = {0xF60ACBDD, 0x3C55, 0x4189, {0x9D, 0x72, 0x66, 0xF3, 0x05, 0xE6, 0x50, 0x47}};
constexpr GUID kWipe = {0xE63C168F, 0x43C2, 0x44F4, {0xB2, 0xB6, 0xEB, 0x46, 0x52, 0x8F, 0x14, 0x85}};

struct Keyframe {
  std::wstring value;
  REFERENCE_TIME time;
  DWORD interpolation;
};
using Keyframes = std::vector<std::pair<std::wstring, std::vector<Keyframe>>>;

bool operator==(const Keyframe& a, const Keyframe& b) {
  return a.value == b.value && a.time == b.time && a.interpolation == b.interpolation;
}

// What the object's property setter holds, values as text.
Keyframes Read(IAMTimelineObj* object) {
  Keyframes result;
  ComPtr<IPropertySetter> setter;
  if (FAILED(object->GetPropertySetter(&setter)) || !setter) return result;
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  setter->GetProps(&count, &params, &values);
  size_t v = 0;
  for (LONG p = 0; p < count; ++p) {
    std::vector<Keyframe> keys;
    for (LONG i = 0; i < params[p].nValues; ++i, ++v) {
      VARIANT text;
      VariantInit(&text);
      VariantChangeTypeEx(&text, &values[v].v, LOCALE_INVARIANT, 0, VT_BSTR);
      keys.push_back({text.bstrVal ? text.bstrVal : L"", values[v].rt, values[v].dwInterp});
      VariantClear(&text);
    }
    result.emplace_back(params[p].name, keys);
  }
  setter->FreeProps(count, params, values);
  return result;
}

void Write(IAMTimelineObj* object, const wchar_t* name, const std::vector<VARIANT>& values,
           const std::vector<REFERENCE_TIME>& times, DWORD interpolation) {
  ComPtr<IPropertySetter> setter;
  if (FAILED(object->GetPropertySetter(&setter)) || !setter) {
    CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                     reinterpret_cast<void**>(setter.GetAddressOf()));
    object->SetPropertySetter(setter.Get());
  }
  std::vector<DEXTER_VALUE> keys(values.size());
  for (size_t i = 0; i < values.size(); ++i) keys[i] = {values[i], times[i], interpolation};
  Bstr param(name);
  setter->AddProp({param.Get(), 0, static_cast<LONG>(keys.size())}, keys.data());
}

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

class EffectEditor : public EditorTest {
 protected:
  void TearDown() override {
    if (editor_) editor_->Destroy(true);
    EditorTest::TearDown();
  }
  CWndTLEffTrn* Open(int kind, IAMTimelineObj* object, int group, int track) {
    if (editor_) editor_->Destroy(true);
    editor_ = new CWndTLEffTrn(std::make_shared<FilterDescriptions>());
    EXPECT_EQ(editor_->Create(main_->Hwnd(), GetModuleHandleW(nullptr)), 0u);
    editor_->SetKind(kind);
    editor_->SetTrackObject(Timeline(), object, group, track);
    return editor_;
  }
  int Close(UINT command) {
    PostMessageW(editor_->Hwnd(), WM_COMMAND, command, 0);
    PostMessageW(editor_->Hwnd(), WM_COMMAND, IDCANCEL, 0);  // ends the run should OK be refused
    return editor_->RunModal();
  }
  // An effect or transition with a filter, placed on a track.
  ComPtr<IAMTimelineObj> Add(bool effect, const GUID& filter, long group, long track, REFERENCE_TIME start,
                             REFERENCE_TIME stop) {
    ComPtr<IAMTimelineObj> object;
    Timeline()->CreateEmptyNode(&object, effect ? TIMELINE_MAJOR_TYPE_EFFECT : TIMELINE_MAJOR_TYPE_TRANSITION);
    object->SetSubObjectGUID(filter);
    object->SetStartStop(start, stop);
    ComPtr<IAMTimelineObj> t = Track(group, track);
    HRESULT hr = effect ? As<IAMTimelineEffectable>(t.Get())->EffectInsBefore(object.Get(), -1)
                        : As<IAMTimelineTransable>(t.Get())->TransAdd(object.Get());
    EXPECT_EQ(hr, S_OK);
    return object;
  }
  std::wstring Cell(int column, int row) { return CellText(editor_->Grid(), column, row); }
  void TypeInto(int column, int row, const wchar_t* text) { TypeIntoCell(editor_->Grid(), column, row, text); }

  CWndTLEffTrn* editor_ = nullptr;
};

}  // namespace

TEST_F(EffectEditor, NewEffectOfAnAudioFirstProjectListsTheAudioEffectsAndWritesNothingUnset) {
  Timeline()->ClearAllGroups();
  ComPtr<IAMTimelineObj> audio, video;
  CreateGroup(Timeline(), audio.GetAddressOf(), TLGroupDesc::DefaultAudio(1));
  CreateGroup(Timeline(), video.GetAddressOf(), TLGroupDesc::DefaultVideo(1));
  Open(1, nullptr, -1, -1);
  EXPECT_EQ(editor_->GetText(), L"New timeline effect");
  EXPECT_EQ(editor_->Grid()->y, 201);
  EXPECT_EQ(editor_->Grid()->y + editor_->Grid()->height, 361);
  EXPECT_EQ(editor_->OkButton()->y, 369);
  EXPECT_EQ(editor_->GroupList()->GetCurSel(), 0);
  const std::vector<std::wstring> filters = ComboItems(editor_->FilterList());
  ASSERT_FALSE(filters.empty());
  EXPECT_TRUE(std::is_sorted(filters.begin(), filters.end()));
  std::vector<std::wstring> catalog;
  for (const FilterEntry& e : FilterCatalog::Effects(kAudioEffects)) catalog.push_back(e.name);
  std::sort(catalog.begin(), catalog.end());
  EXPECT_EQ(filters, catalog);
  EXPECT_EQ(editor_->FilterList()->GetCurSel(), 0);
  EXPECT_GE(editor_->Grid()->RowCount(), 1u);
  EXPECT_TRUE(IsWindowEnabled(editor_->OkButton()->Hwnd()));

  editor_->StartEdit()->SetTime(1000000);
  editor_->StopEdit()->SetTime(3000000);
  EXPECT_EQ(Close(IDOK), 1);
  ComPtr<IAMTimelineObj> effect;
  ASSERT_EQ(As<IAMTimelineEffectable>(Track(0, 0).Get())->GetEffect(&effect, 0), S_OK);
  GUID filter = GUID_NULL;
  effect->GetSubObjectGUID(&filter);
  EXPECT_EQ(filter, editor_->SelectedFilter());
  REFERENCE_TIME start = 0, stop = 0;
  effect->GetStartStop(&start, &stop);
  EXPECT_EQ(start, 10000000);
  EXPECT_EQ(stop, 30000000);
  // Parameters the user left alone keep the filter's defaults: nothing is written for them.
  EXPECT_TRUE(Read(effect.Get()).empty());
}

TEST_F(EffectEditor, ATransitionMovedToAnotherVideoGroupKeepsItsFilter) {
  ComPtr<IAMTimelineObj> second;
  CreateGroup(Timeline(), second.GetAddressOf(), TLGroupDesc::DefaultVideo(1));
  ComPtr<IAMTimelineObj> transition = Add(false, kDissolve, 0, 0, 0, 20000000);
  Open(2, transition.Get(), 0, 0);
  EXPECT_EQ(editor_->GetText(), L"Timeline transition");
  EXPECT_EQ(editor_->FilterLabel()->GetText(), L"Transition:");
  EXPECT_EQ(editor_->GroupList()->Count(), 2);  // the video groups only
  EXPECT_EQ(editor_->SelectedFilter(), kDissolve);
  CTLObjEdit::SelectData(editor_->GroupList(), 2);
  Choose(editor_->GroupList(), editor_->GroupList()->GetCurSel());
  EXPECT_EQ(editor_->SelectedFilter(), kDissolve);
  EXPECT_EQ(Close(IDOK), 1);
  ComPtr<IAMTimelineObj> moved;
  REFERENCE_TIME at = 0;
  EXPECT_NE(As<IAMTimelineTransable>(Track(0, 0).Get())->GetNextTrans(&moved, &at), S_OK);
  at = 0;
  ASSERT_EQ(As<IAMTimelineTransable>(Track(2, 0).Get())->GetNextTrans(&moved, &at), S_OK);
  EXPECT_EQ(moved.Get(), transition.Get());
}

TEST_F(EffectEditor, UnknownFiltersEmptyNamesAndCancel) {
  constexpr GUID kUnknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  ComPtr<IAMTimelineObj> effect = Add(true, kUnknown, 0, 0, 0, 10000000);
  effect->SetUserName(Bstr(L"Look"));
  Write(effect.Get(), L"Whatever", {Text(L"1")}, {0}, DEXTERF_JUMP);

  // Cancel after changing everything: the object is as it was.
  Open(1, effect.Get(), 0, 0);
  EXPECT_EQ(editor_->FilterList()->GetCurSel(), 0);  // its filter is not listed: the first is shown
  editor_->NameEdit()->SetText(L"");
  SendMessageW(editor_->LockedBox()->Hwnd(), BM_SETCHECK, BST_CHECKED, 0);
  editor_->StopEdit()->SetTime(5000000);
  Choose(editor_->FilterList(), 1);
  EXPECT_EQ(Close(IDCANCEL), 2);
  GUID filter = GUID_NULL;
  effect->GetSubObjectGUID(&filter);
  EXPECT_EQ(filter, kUnknown);
  EXPECT_EQ(NameOf(effect.Get()), L"Look");
  EXPECT_EQ(Read(effect.Get()).size(), 1u);

  // OK: the listed filter replaces the unknown one, and an empty name clears the name.
  Open(1, effect.Get(), 0, 0);
  editor_->NameEdit()->SetText(L"");
  EXPECT_EQ(Close(IDOK), 1);
  effect->GetSubObjectGUID(&filter);
  EXPECT_EQ(filter, editor_->SelectedFilter());
  Bstr name;
  effect->GetUserName(name.Out());
  EXPECT_EQ(name.Get(), nullptr);
}

TEST_F(EffectEditor, KeyframesAreShownOnePerRowEditedAndWrittenBackWhole) {
  ComPtr<IAMTimelineObj> effect = Add(true, kBrightness, 0, 0, 0, 40000000);
  // Made elsewhere: two keyframes for one parameter, named in another case, and a number.
  Write(effect.Get(), L"brightness", {Text(L"0"), Text(L"0.5")}, {0, 10000000}, DEXTERF_INTERPOLATE);
  VARIANT number;
  number.vt = VT_R8;
  number.dblVal = 1.5;
  Write(effect.Get(), L"Contrast", {number}, {0}, DEXTERF_JUMP);
  const Keyframes before = Read(effect.Get());

  Open(1, effect.Get(), 0, 0);
  ASSERT_EQ(editor_->Grid()->RowCount(), 3u);
  EXPECT_EQ(Cell(0, 0), L"Brightness");
  EXPECT_EQ(Cell(1, 0), L"0");
  EXPECT_EQ(Cell(0, 1), L"Brightness");
  EXPECT_EQ(Cell(1, 1), L"0.5");
  EXPECT_EQ(Cell(2, 1), L"000:00:01,000000");
  EXPECT_EQ(Cell(3, 1), L"Interpolate");
  EXPECT_EQ(Cell(0, 2), L"Contrast");
  EXPECT_EQ(Cell(1, 2), L"1.5");  // a number shows as its own text
  EXPECT_EQ(Cell(3, 2), L"Jump");
  // The name column is never current: a click on it lands on the value.
  editor_->Grid()->SetCurrentCell(0, 2);
  EXPECT_EQ(editor_->Grid()->CurrentColumn(), 1);

  // OK untouched: every keyframe goes back as it was, none spills into Contrast.
  EXPECT_EQ(Close(IDOK), 1);
  Keyframes after = Read(effect.Get());
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].first, L"Brightness");
  EXPECT_EQ(after[0].second, before[0].second);
  EXPECT_EQ(after[1].second, before[1].second);

  // Edited through the cell editors: a value, a time code, and a new keyframe from the menu.
  Open(1, effect.Get(), 0, 0);
  TypeInto(1, 1, L"0.75");
  TypeInto(2, 1, L"000:00:02,500000");
  g_menuChoice = CWndTLEffTrn::kAddKeyframe;
  editor_->Grid()->SetCurrentCell(1, 1);
  SendMessageW(editor_->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(editor_->Grid()->Hwnd()), 0);
  ASSERT_EQ(editor_->Grid()->RowCount(), 4u);
  EXPECT_EQ(Cell(0, 2), L"Brightness");
  TypeInto(1, 2, L"1");
  TypeInto(2, 2, L"000:00:03,000000");
  // The interpolation editor offers the two choices.
  editor_->Grid()->SetCurrentCell(3, 0);
  editor_->Grid()->BeginEdit();
  ASSERT_NE(editor_->Grid()->Editor(), nullptr);
  auto* choice = static_cast<CComboBox*>(editor_->Grid()->Editor());
  EXPECT_EQ(ComboItems(choice), (std::vector<std::wstring>{L"Jump", L"Interpolate"}));
  EXPECT_EQ(choice->GetCurSel(), 1);
  SetFocus(editor_->Grid()->Hwnd());
  EXPECT_EQ(Close(IDOK), 1);
  after = Read(effect.Get());
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].second, (std::vector<Keyframe>{{L"0", 0, DEXTERF_INTERPOLATE},
                                                    {L"0.75", 25000000, DEXTERF_INTERPOLATE},
                                                    {L"1", 30000000, DEXTERF_INTERPOLATE}}));

  // Removing a keyframe from the menu.
  Open(1, effect.Get(), 0, 0);
  g_menuChoice = CWndTLEffTrn::kRemoveKeyframe;
  editor_->Grid()->SetCurrentCell(1, 1);
  SendMessageW(editor_->Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(editor_->Grid()->Hwnd()), 0);
  EXPECT_EQ(editor_->Grid()->RowCount(), 3u);
  EXPECT_EQ(Close(IDOK), 1);
  EXPECT_EQ(Read(effect.Get())[0].second.size(), 2u);
}

TEST_F(EffectEditor, ChoiceParametersOfferTheirValueList) {
  ComPtr<IAMTimelineObj> wipe = Add(false, kWipe, 0, 0, 0, 10000000);
  Open(2, wipe.Get(), 0, 0);
  ASSERT_GE(editor_->Grid()->RowCount(), 1u);
  EXPECT_EQ(Cell(0, 0), L"Direction");
  editor_->Grid()->SetCurrentCell(1, 0);
  ASSERT_EQ(editor_->Grid()->BeginEdit(), 0);
  auto* list = static_cast<CComboBox*>(editor_->Grid()->Editor());
  ASSERT_NE(list, nullptr);
  const std::vector<std::wstring> items = ComboItems(list);
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[1], L"1: Right to left");
  EXPECT_EQ(list->GetItemData(1), 1);  // the value's length: choosing it leaves "1"
  SetWindowTextW(list->Hwnd(), L"2");
  SetFocus(editor_->Grid()->Hwnd());
  EXPECT_EQ(Cell(1, 0), L"2");
  EXPECT_EQ(Close(IDOK), 1);
  const Keyframes written = Read(wipe.Get());
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].first, L"Direction");
  EXPECT_EQ(written[0].second.at(0).value, L"2");
}
