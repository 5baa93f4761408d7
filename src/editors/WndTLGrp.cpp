#include "editors/WndTLGrp.h"

#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>

#include "core/ResultText.h"
#include "services/ComUtil.h"
#include "services/GroupMediaTypes.h"
#include "timeline/GroupHelpers.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/StaticText.h"
#include "ui/WaitCursor.h"

namespace {

constexpr int kRates[] = {8000, 11025, 22050, 44100};
constexpr int kDefaultRateItem = 3;
constexpr int kComboHeight = 20;

CEdit* AddNumberEdit(CWinContainer* container, HINSTANCE instance, const wchar_t* text, int x, int y, int width) {
  auto* edit = new CEdit();
  edit->style |= ES_NUMBER;
  edit->Create(container->Hwnd(), instance);
  CTLObjEdit::Place(container, edit, x, y, width, 20);
  edit->SetText(text);
  return edit;
}

// A side of a video frame as typed: a whole number the 16 bits of the group's format value
// hold, and not 0, which no group can show.
bool ReadSide(const CEdit* edit, uint32_t* side) {
  const std::wstring text = edit ? edit->GetText() : std::wstring();
  if (text.empty() || text.size() > 5) return false;
  uint32_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + static_cast<uint32_t>(c - L'0');
  }
  if (value < 1 || value > 0xFFFF) return false;
  *side = value;
  return true;
}

int FindMajor(const GUID& major) {
  for (size_t i = 0; i < kGroupMediaTypeCount; ++i)
    if (*GroupMediaTypes[i].major == major) return static_cast<int>(i);
  return -1;
}

int FindSubtype(int major, const GUID& subtype) {
  if (major < 0) return -1;
  const GroupMediaType& entry = GroupMediaTypes[major];
  for (int i = 0; i < entry.subtypeCount; ++i)
    if (*entry.subtypes[i].subtype == subtype) return i;
  return -1;
}

}  // namespace

CWndTLGrp::CWndTLGrp() {
  className_ = L"WndTLGroup";
  style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  width = kWidth;
  height = 300;
}

CWndTLGrp::~CWndTLGrp() = default;

DWORD CWndTLGrp::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CWndDlg::Create(parent, instance);
  if (result != 0) return result;
  Resize(kWidth, height);
  SetText(L"Timeline group");

  RECT client = {};
  GetClientRect(window_, &client);
  const int left = 4;
  const int w = client.right - 8;
  CreateControls(this, instance, left, client.top, w);

  int top = last_->y + last_->height + 4;
  mediaTypeLabel_ = AddLabel(this, instance, L"Media type:", left, top, w);
  mediaType_ = AddCombo(this, instance, left, top + 15, w);
  for (const GroupMediaType& entry : GroupMediaTypes) mediaType_->AddString(entry.name);
  top = mediaType_->y + 25;
  subtypeLabel_ = AddLabel(this, instance, L"Media subtype:", left, top, w);
  subtype_ = AddCombo(this, instance, left, top + 15, w);

  mediaType_->SetCurSel(kGroupVideo);
  OnMediaTypeChanged();
  AddOkCancel(heightEdit_);
  return 0;
}

void CWndTLGrp::RemoveVideoControls() {
  // RemoveChild destroys what it removes: the pointers must not outlive that.
  if (resolutionLabel_) RemoveChild(resolutionLabel_);
  if (widthEdit_) RemoveChild(widthEdit_);
  if (heightEdit_) RemoveChild(heightEdit_);
  resolutionLabel_ = nullptr;
  widthEdit_ = nullptr;
  heightEdit_ = nullptr;
}

void CWndTLGrp::RemoveAudioControls() {
  if (rateLabel_) RemoveChild(rateLabel_);
  if (rateCombo_) RemoveChild(rateCombo_);
  rateLabel_ = nullptr;
  rateCombo_ = nullptr;
}

void CWndTLGrp::OnMediaTypeChanged() {
  if (!mediaType_ || !subtype_) return;
  const int m = mediaType_->GetCurSel();
  subtype_->Clear();
  if (m < 0 || static_cast<size_t>(m) >= kGroupMediaTypeCount) return;
  const GroupMediaType& entry = GroupMediaTypes[m];
  for (int i = 0; i < entry.subtypeCount; ++i) subtype_->AddString(entry.subtypes[i].name);
  subtype_->SetCurSel(0);

  const int left = subtype_->x;
  const int w = subtype_->width;
  // A drop-down list sizes itself to its font; the rows below keep to the nominal 20 pixels.
  const int top = subtype_->y + kComboHeight + 4;
  if (m == kGroupVideo) {
    if (!widthEdit_) {
      resolutionLabel_ = AddLabel(this, instance_, L"Video resolution (width, height):", left, top, w);
      widthEdit_ = AddNumberEdit(this, instance_, L"640", left, top + 15, w / 2);
      heightEdit_ = AddNumberEdit(this, instance_, L"480", left + w / 2, top + 15, w / 2);
    }
  } else {
    RemoveVideoControls();
  }
  if (m == kGroupAudio) {
    if (!rateCombo_) {
      rateLabel_ = AddLabel(this, instance_, L"Audio sample rate:", left, top, w);
      rateCombo_ = AddCombo(this, instance_, left, top + 15, w);
      for (int rate : kRates) {
        const int item = rateCombo_->AddString((std::to_wstring(rate) + L" Hz").c_str());
        rateCombo_->SetItemData(item, rate);
      }
      rateCombo_->SetCurSel(kDefaultRateItem);
    }
  } else {
    RemoveAudioControls();
  }
}

LRESULT CWndTLGrp::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE && mediaType_ &&
      reinterpret_cast<HWND>(lParam) == mediaType_->Hwnd()) {
    OnMediaTypeChanged();
    return 0;
  }
  return CWndDlg::WndProc(window, message, wParam, lParam);
}

int CWndTLGrp::SetObject(IAMTimeline* timeline, IAMTimelineObj* object) {
  CTLObjEdit::SetObject(timeline, object);
  group_.Reset();
  hadObject_ = object != nullptr;
  loadedRate_ = 0;
  if (object) {
    SetText(L"Timeline group");
    group_ = As<IAMTimelineGroup>(object);
    LoadFromObject();
  } else {
    SetText(L"New timeline group");
    long count = 0;
    if (timeline) timeline->GetGroupCount(&count);
    if (nameEdit_) nameEdit_->SetText((L"Group_" + std::to_wstring(count)).c_str());
  }
  // A group's type decides what its tracks may hold: only a new group may choose it.
  if (mediaType_) EnableWindow(mediaType_->Hwnd(), object ? FALSE : TRUE);
  return 0;
}

int CWndTLGrp::LoadFromObject() {
  int result = CTLObjEdit::LoadFromObject();
  if (result != 0 || !group_) return result;
  AM_MEDIA_TYPE type = {};
  if (FAILED(group_->GetMediaType(&type))) return 0;
  const int major = FindMajor(type.majortype);
  const int sub = FindSubtype(major, type.subtype);
  mediaType_->SetCurSel(major);
  OnMediaTypeChanged();
  subtype_->SetCurSel(sub);
  if (major == kGroupVideo && widthEdit_ && type.formattype == FORMAT_VideoInfo && type.pbFormat &&
      type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    // A top-down frame (negative height) is the same size to the user.
    widthEdit_->SetText(std::to_wstring(bitmap.biWidth < 0 ? -bitmap.biWidth : bitmap.biWidth).c_str());
    heightEdit_->SetText(std::to_wstring(bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight).c_str());
  } else if (major == kGroupAudio && rateCombo_ && type.formattype == FORMAT_WaveFormatEx && type.pbFormat &&
             type.cbFormat >= sizeof(WAVEFORMATEX)) {
    loadedRate_ = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->nSamplesPerSec;
    SelectData(rateCombo_, static_cast<int>(loadedRate_));
  }
  FreeMediaTypeContent(&type);
  return 0;
}

bool CWndTLGrp::DescribeControls(TLGroupDesc* desc, std::wstring* why) const {
  desc->locked = IsChecked(locked_);
  desc->muted = IsChecked(muted_);
  desc->name = nameEdit_ ? nameEdit_->GetText() : std::wstring();
  desc->trackCount = 1;
  desc->majorIndex = mediaType_ ? mediaType_->GetCurSel() : -1;
  desc->subtypeIndex = subtype_ ? subtype_->GetCurSel() : -1;
  desc->format = 0;
  if (desc->majorIndex == kGroupVideo) {
    // Width and height share one 32-bit value: anything wider than 16 bits would turn into
    // another size rather than be refused by the timeline.
    uint32_t w = 0, h = 0;
    if (!ReadSide(widthEdit_, &w) || !ReadSide(heightEdit_, &h)) {
      if (why) *why = L"The video width and height must be whole numbers from 1 to 65535.";
      return false;
    }
    desc->format = TLGroupDesc::VideoFormat(w, h);
  } else if (desc->majorIndex == kGroupAudio) {
    const int item = rateCombo_ ? rateCombo_->GetCurSel() : -1;
    // With no rate chosen (the group's own is not in the list) the group keeps its rate
    // instead of losing it to 0.
    desc->format = item >= 0 ? static_cast<uint32_t>(rateCombo_->GetItemData(item)) : loadedRate_;
  }
  return true;
}

int CWndTLGrp::SaveToObject() {
  TLGroupDesc desc;
  if (!DescribeControls(&desc, nullptr)) return kRefused;
  Microsoft::WRL::ComPtr<IAMTimelineObj> object = object_;
  lastSave_ = CreateGroup(timeline_, object.GetAddressOf(), desc);
  if (FAILED(lastSave_)) return -1;
  object_ = object;
  group_ = As<IAMTimelineGroup>(object_.Get());
  return 0;
}

int CWndTLGrp::OnClose() {
  WaitCursor wait;
  if (modalResult_ == 1) {
    std::wstring problem;
    TLGroupDesc desc;
    if (!DescribeControls(&desc, &problem)) {
      // Nothing was made or changed: the user corrects the entry or cancels.
    } else if (SaveToObject() != 0) {
      problem = L"The group could not be saved.\n" + ResultSentence(lastSave_);
    }
    if (!problem.empty()) return RefuseClose(this, problem);
  }
  // A group made here belongs to the timeline now; the editor lets go of it.
  if (!hadObject_) {
    group_.Reset();
    object_.Reset();
  }
  return CWndDlg::OnClose();
}
