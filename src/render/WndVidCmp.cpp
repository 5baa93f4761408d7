#include "render/WndVidCmp.h"

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "core/Text.h"
#include "ui/Edit.h"
#include "ui/StaticText.h"
#include "ui/TrackBar.h"

namespace {

CStaticText* Label(CWinContainer* parent, HINSTANCE instance, const wchar_t* text, int x, int y, int w, int h) {
  auto* label = new CStaticText(parent->Hwnd(), instance);
  label->Move(x, y);
  label->Resize(w, h);
  label->SetText(text);
  parent->AddChild(label);
  return label;
}

CEdit* NumberEdit(CWinContainer* parent, HINSTANCE instance, int x, int y) {
  auto* edit = new CEdit();
  edit->style |= ES_NUMBER;
  edit->Create(parent->Hwnd(), instance);
  edit->Move(x, y);
  edit->Resize(40, 20);
  parent->AddChild(edit);
  return edit;
}

long ReadNumber(const CEdit* edit) { return static_cast<long>(wcstol(edit->GetText().c_str(), nullptr, 10)); }

}  // namespace

CWndVidCmp::CWndVidCmp() {
  className_ = L"WndVidCmp";
  style = WS_SYSMENU;
  width = 300;
  height = 280;
}

CWndVidCmp::~CWndVidCmp() = default;

DWORD CWndVidCmp::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CWndDlg::Create(parent, instance);
  if (result != 0) return result;
  Resize(300, 280);
  SetText(L"Compressor properties");
  RECT client = {};
  GetClientRect(window_, &client);
  const int w = client.right;
  description_ = new CEdit();
  description_->style = (description_->style | ES_READONLY | ES_AUTOHSCROLL);
  description_->exStyle = 0;
  description_->Create(window_, instance);
  description_->Move(4, 4);
  description_->Resize(w - 8, 20);
  description_->SetText(L"?");
  AddChild(description_);
  keyFramesLabel_ = Label(this, instance, L"Key-frame rate [frames]:", 4, 28, w - 48, 15);
  keyFrames_ = NumberEdit(this, instance, 4 + w - 48, 28);
  pFramesLabel_ = Label(this, instance, L"Predicted (P) frames per key-frame:", 4, 52, w - 48, 15);
  pFrames_ = NumberEdit(this, instance, 4 + w - 48, 52);
  qualityLabel_ = Label(this, instance, L"Quality:", 4, 76, w - 233, 15);
  qualityValue_ = Label(this, instance, L"0", 4 + w - 233, 76, 25, 20);
  quality_ = new CTrackBar(window_, instance);
  quality_->Move(qualityValue_->x + 25, 76);
  quality_->Resize(200, 20);
  AddChild(quality_);
  SendMessageW(quality_->Hwnd(), TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  AddOkCancel(quality_);
  return 0;
}

void CWndVidCmp::ShowQuality(double quality) { qualityValue_->SetText(ShortNumber(quality).c_str()); }

HRESULT CWndVidCmp::LoadSettings(IAMVideoCompression* compression) {
  compression_ = compression;
  if (!compression) return E_POINTER;
  wchar_t version[50] = {}, description[100] = {};
  int versionBytes = sizeof version, descriptionBytes = sizeof description;
  long keyFrames = 0, pFrames = 0;
  double quality = 0;
  const HRESULT hr = compression->GetInfo(version, &versionBytes, description, &descriptionBytes, &keyFrames, &pFrames,
                                          &quality, &capabilities_);
  if (SUCCEEDED(hr)) {
    description_->SetText((std::wstring(description) + L" " + version).c_str());
    keyFrames_->SetText(std::to_wstring(keyFrames).c_str());
    pFrames_->SetText(std::to_wstring(pFrames).c_str());
    ShowQuality(quality);
    SendMessageW(quality_->Hwnd(), TBM_SETPOS, TRUE, static_cast<LPARAM>(quality * 100));
  }
  long value = -1;
  if (capabilities_ & CompressionCaps_CanKeyFrame) {
    if (SUCCEEDED(compression->get_KeyFrameRate(&value)) && value >= 0)
      keyFrames_->SetText(std::to_wstring(value).c_str());
  } else {
    EnableWindow(keyFramesLabel_->Hwnd(), FALSE);
    EnableWindow(keyFrames_->Hwnd(), FALSE);
  }
  if (capabilities_ & CompressionCaps_CanBFrame) {
    if (SUCCEEDED(compression->get_PFramesPerKeyFrame(&value)) && value >= 0)
      pFrames_->SetText(std::to_wstring(value).c_str());
  } else {
    EnableWindow(pFramesLabel_->Hwnd(), FALSE);
    EnableWindow(pFrames_->Hwnd(), FALSE);
  }
  if (capabilities_ & CompressionCaps_CanQuality) {
    double q = -1;
    if (SUCCEEDED(compression->get_Quality(&q)) && q >= 0) {
      ShowQuality(q);
      SendMessageW(quality_->Hwnd(), TBM_SETPOS, TRUE, static_cast<LPARAM>(q * 100));
    }
  } else {
    EnableWindow(qualityLabel_->Hwnd(), FALSE);
    EnableWindow(qualityValue_->Hwnd(), FALSE);
    EnableWindow(quality_->Hwnd(), FALSE);
  }
  return hr;
}

int CWndVidCmp::OnClose() {
  if (modalResult_ == 1 && compression_) {
    if (capabilities_ & CompressionCaps_CanKeyFrame) compression_->put_KeyFrameRate(ReadNumber(keyFrames_));
    if (capabilities_ & CompressionCaps_CanBFrame) compression_->put_PFramesPerKeyFrame(ReadNumber(pFrames_));
    if (capabilities_ & CompressionCaps_CanQuality)
      compression_->put_Quality(static_cast<double>(SendMessageW(quality_->Hwnd(), TBM_GETPOS, 0, 0)) / 100.0);
  }
  return CWndDlg::OnClose();
}

LRESULT CWndVidCmp::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HSCROLL && quality_ && reinterpret_cast<HWND>(lParam) == quality_->Hwnd()) {
    ShowQuality(static_cast<double>(SendMessageW(quality_->Hwnd(), TBM_GETPOS, 0, 0)) / 100.0);
    return 0;
  }
  if (message == WM_SHOWWINDOW && wParam && description_) SetFocus(description_->Hwnd());
  return CWndDlg::WndProc(window, message, wParam, lParam);
}
