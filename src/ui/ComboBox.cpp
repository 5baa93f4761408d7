#include "ui/ComboBox.h"

#include <algorithm>
#include <cwchar>

CComboBox::CComboBox(HWND parent, HINSTANCE instance, DWORD createStyle) {
  CComboBox::SetDefaults();
  style = createStyle;
  CComboBox::Create(parent, instance);
}

void CComboBox::SetDefaults() {
  SetCreationDefaults(
      WS_EX_NOPARENTNOTIFY,
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_AUTOHSCROLL | CBS_HASSTRINGS, 120, 20);
}

DWORD CComboBox::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CreateHandle(L"COMBOBOX", instance, parent, true);
  COMBOBOXINFO info = {};
  info.cbSize = sizeof info;
  if (result == 0 && GetComboBoxInfo(window_, &info)) {
    edit_ = info.hwndItem;
    list_ = info.hwndList;
  } else {
    edit_ = nullptr;
    list_ = nullptr;
  }
  return result;
}

LRESULT CComboBox::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) StoreWindowPos(reinterpret_cast<const WINDOWPOS*>(lParam));
  LRESULT result = CallPrevious(window, message, wParam, lParam);
  if (message == WM_WINDOWPOSCHANGED && list_)
    SetWindowPos(list_, nullptr, 0, 0, std::max(width, widest_), listHeight_,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return result;
}

int CComboBox::AddString(const wchar_t* text) {
  if (!window_ || !text) return -1;
  int index = static_cast<int>(SendMessageW(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  if (index != CB_ERR && index != CB_ERRSPACE) WidenDropList(text);
  return index;
}

void CComboBox::WidenDropList(const wchar_t* text) {
  if (!list_ || !text) return;
  HDC dc = GetDC(list_);
  if (!dc) return;
  // Measured in the control's own font, which the list shows its items in.
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(window_, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  SIZE size = {};
  BOOL measured = GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
  if (old) SelectObject(dc, old);
  ReleaseDC(list_, dc);
  if (!measured || size.cx <= widest_) return;
  widest_ = size.cx;
  SendMessageW(window_, CB_SETDROPPEDWIDTH, std::max(width, widest_), 0);
  SetWindowPos(list_, nullptr, 0, 0, widest_, listHeight_ - 10, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CComboBox::HasItem(int index) const {
  if (!window_ || index < 0) return false;
  LRESULT count = SendMessageW(window_, CB_GETCOUNT, 0, 0);
  return count != CB_ERR && index < count;
}

int CComboBox::GetItemData(int index) const {
  if (!HasItem(index)) return 0;
  LRESULT value = SendMessageW(window_, CB_GETITEMDATA, index, 0);
  return value == CB_ERR ? 0 : static_cast<int>(value);
}

bool CComboBox::SetItemData(int index, int value) {
  if (!HasItem(index)) return false;
  return SendMessageW(window_, CB_SETITEMDATA, index, value) != CB_ERR;
}

void CComboBox::Clear() {
  widest_ = 0;
  if (window_) SendMessageW(window_, CB_RESETCONTENT, 0, 0);
}

int CComboBox::Count() const { return window_ ? static_cast<int>(SendMessageW(window_, CB_GETCOUNT, 0, 0)) : 0; }

int CComboBox::GetCurSel() const {
  return window_ ? static_cast<int>(SendMessageW(window_, CB_GETCURSEL, 0, 0)) : CB_ERR;
}

void CComboBox::SetCurSel(int index) {
  if (window_) SendMessageW(window_, CB_SETCURSEL, index, 0);
}
