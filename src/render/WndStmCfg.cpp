#include "render/WndStmCfg.h"

#include <commctrl.h>
#include <mmreg.h>
#include <uuids.h>

#include <string>

#include "ui/ListView.h"
#include "ui/StaticText.h"

// After the media framework's base types.
#include <amvideo.h>

namespace {

// Four characters of a code, lowest byte first; "____" for 0 and 1 (uncompressed).
std::wstring FourCC(DWORD code) {
  if (code == 0 || code == 1) return L"____";
  std::wstring text;
  for (int i = 0; i < 4; ++i) text += static_cast<wchar_t>((code >> (8 * i)) & 0xFF);
  return text;
}

const VIDEOINFOHEADER* VideoInfo(const AM_MEDIA_TYPE& type) {
  return type.formattype == FORMAT_VideoInfo && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER)
             ? reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)
             : nullptr;
}

const WAVEFORMATEX* WaveFormat(const AM_MEDIA_TYPE& type) {
  return type.formattype == FORMAT_WaveFormatEx && type.pbFormat && type.cbFormat >= sizeof(WAVEFORMATEX)
             ? reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)
             : nullptr;
}

}  // namespace

CWndStmCfg::CWndStmCfg() {
  className_ = L"WndStmCfg";
  style = WS_SYSMENU;
  width = 400;
  height = 280;
}

CWndStmCfg::~CWndStmCfg() { Free(); }

DWORD CWndStmCfg::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CWndDlg::Create(parent, instance);
  if (result != 0) return result;
  Resize(400, 280);
  SetText(L"Compressor capabilities");
  RECT client = {};
  GetClientRect(window_, &client);
  list_ = new CListView();
  list_->Create(window_, instance);
  list_->Move(4, 4);
  list_->Resize(client.right - 8, 240);
  AddChild(list_);
  ListView_SetExtendedListViewStyle(list_->Hwnd(), LVS_EX_FULLROWSELECT);
  status_ = new CStaticText(window_, instance);
  status_->Move(4, list_->y + list_->height + 4);
  status_->Resize(client.right - 8, 15);
  status_->SetText(L"...");
  AddChild(status_);
  AddOkCancel(status_);
  return 0;
}

void CWndStmCfg::Free() {
  capabilities_.clear();
  rowCapability_.clear();
  current_ = OwnedMediaType();
  hasCurrent_ = false;
  if (list_) {
    ListView_DeleteAllItems(list_->Hwnd());
    while (columns_ > 0) ListView_DeleteColumn(list_->Hwnd(), --columns_);
  }
  if (status_) status_->SetText(L"...");
}

void CWndStmCfg::AddColumns(const wchar_t* const* titles, const int* widths, int count) {
  for (int i = 0; i < count; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(titles[i]);
    column.cx = widths[i];
    ListView_InsertColumn(list_->Hwnd(), i, &column);
  }
  columns_ = count;
}

int CWndStmCfg::AddRow(const std::vector<std::wstring>& cells, size_t capability) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = RowCount();
  item.pszText = const_cast<wchar_t*>(cells[0].c_str());
  const int row = ListView_InsertItem(list_->Hwnd(), &item);
  if (row < 0) return row;
  for (size_t c = 1; c < cells.size(); ++c)
    ListView_SetItemText(list_->Hwnd(), row, static_cast<int>(c), const_cast<wchar_t*>(cells[c].c_str()));
  rowCapability_.push_back(capability);
  return row;
}

int CWndStmCfg::RowCount() const { return list_ ? ListView_GetItemCount(list_->Hwnd()) : 0; }

int CWndStmCfg::SelectedRow() const { return list_ ? ListView_GetNextItem(list_->Hwnd(), -1, LVNI_SELECTED) : -1; }

void CWndStmCfg::SelectRow(int row) {
  ListView_SetItemState(list_->Hwnd(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

HRESULT CWndStmCfg::LoadCapabilities(IAMStreamConfig* config) {
  Free();
  config_ = config;
  if (!config) return E_POINTER;
  int count = 0, size = 0;
  HRESULT hr = config->GetNumberOfCapabilities(&count, &size);
  if (FAILED(hr) || count < 1) return hr;
  AM_MEDIA_TYPE* format = nullptr;
  hr = config->GetFormat(&format);
  if (FAILED(hr)) return hr;
  if (!format) return hr;
  current_.Adopt(*format);
  CoTaskMemFree(format);
  hasCurrent_ = true;
  const AM_MEDIA_TYPE& now = current_.Get();
  const bool video = now.majortype == MEDIATYPE_Video, audio = now.majortype == MEDIATYPE_Audio;
  if (video) {
    const wchar_t* titles[] = {L"FOURCC", L"Bit depth [bpp]", L"Bitrate [kBits/sec]"};
    const int widths[] = {60, 90, 100};
    AddColumns(titles, widths, 3);
  } else if (audio) {
    const wchar_t* titles[] = {L"Channels", L"Sample rate [Hz]", L"Bitrate [kBits/sec]", L"Precision [Bits]"};
    const int widths[] = {60, 90, 100, 90};
    AddColumns(titles, widths, 4);
  } else {
    return hr;
  }
  // Audio rows only make sense against a wave format.
  if (audio && !WaveFormat(now)) return hr;
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* caps = nullptr;
    VIDEO_STREAM_CONFIG_CAPS videoCaps = {};
    AUDIO_STREAM_CONFIG_CAPS audioCaps = {};
    hr = config->GetStreamCaps(i, &caps,
                               video ? reinterpret_cast<BYTE*>(&videoCaps) : reinterpret_cast<BYTE*>(&audioCaps));
    if (FAILED(hr) || !caps) continue;
    OwnedMediaType type;
    type.Adopt(*caps);
    CoTaskMemFree(caps);
    const AM_MEDIA_TYPE& t = type.Get();
    capabilities_.push_back(type);
    const size_t index = capabilities_.size() - 1;
    int row = -1;
    bool matches = false;
    if (video) {
      if (const VIDEOINFOHEADER* info = VideoInfo(t)) {
        row = AddRow({FourCC(info->bmiHeader.biCompression), std::to_wstring(info->bmiHeader.biBitCount),
                      std::to_wstring(info->dwBitRate / 1000)},
                     index);
        const VIDEOINFOHEADER* mine = VideoInfo(now);
        matches = mine && mine->bmiHeader.biCompression == info->bmiHeader.biCompression &&
                  mine->bmiHeader.biBitCount == info->bmiHeader.biBitCount && mine->dwBitRate == info->dwBitRate;
      } else if (t.formattype == GUID_NULL || t.formattype == FORMAT_None) {
        row = AddRow({FourCC(t.subtype.Data1), L"", L""}, index);
        matches = t.subtype == now.subtype;
      }
    } else if (const WAVEFORMATEX* wave = WaveFormat(t)) {
      row = AddRow({std::to_wstring(wave->nChannels), std::to_wstring(wave->nSamplesPerSec),
                    std::to_wstring(wave->nAvgBytesPerSec * 8 / 1000), std::to_wstring(wave->wBitsPerSample)},
                   index);
      const WAVEFORMATEX* mine = WaveFormat(now);
      matches = mine->nChannels == wave->nChannels && mine->nSamplesPerSec == wave->nSamplesPerSec &&
                mine->nAvgBytesPerSec == wave->nAvgBytesPerSec && mine->wBitsPerSample == wave->wBitsPerSample;
    }
    if (row >= 0 && matches && SelectedRow() < 0) SelectRow(row);
  }
  UpdateStatus();
  return hr;
}

void CWndStmCfg::UpdateStatus() {
  const int row = SelectedRow();
  if (row < 0 || !config_ || static_cast<size_t>(row) >= rowCapability_.size() || !hasCurrent_) {
    status_->SetText(L"...");
    return;
  }
  // The code of the stream's current format, as the compressor reports it.
  const AM_MEDIA_TYPE& now = current_.Get();
  if (now.majortype == MEDIATYPE_Video) {
    status_->SetText(FourCC(now.subtype.Data1).c_str());
  } else if (now.majortype == MEDIATYPE_Audio) {
    wchar_t code[16] = {};
    swprintf(code, 16, L"0x%.4X", static_cast<unsigned>(now.subtype.Data1));
    status_->SetText(code);
  } else {
    status_->SetText(L"...");
  }
}

int CWndStmCfg::OnClose() {
  const int row = SelectedRow();
  // Rows are tied to the capabilities they show, also when some could not be read.
  if (modalResult_ == 1 && config_ && row >= 0 && static_cast<size_t>(row) < rowCapability_.size())
    config_->SetFormat(const_cast<AM_MEDIA_TYPE*>(&capabilities_[rowCapability_[static_cast<size_t>(row)]].Get()));
  return CWndDlg::OnClose();
}

LRESULT CWndStmCfg::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY && list_ && reinterpret_cast<const NMHDR*>(lParam)->hwndFrom == list_->Hwnd())
    UpdateStatus();
  if (message == WM_SHOWWINDOW && wParam && list_) SetFocus(list_->Hwnd());
  return CWndDlg::WndProc(window, message, wParam, lParam);
}
