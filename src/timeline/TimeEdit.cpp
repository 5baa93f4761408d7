#include "timeline/TimeEdit.h"

#include <algorithm>
#include <cwchar>

CTimeEdit::CTimeEdit(HWND parent, HINSTANCE instance, DWORD withoutStyle) {
  CTimeEdit::SetDefaults();
  style &= ~withoutStyle;
  CTimeEdit::Create(parent, instance);
}

void CTimeEdit::SetDefaults() {
  SetCreationDefaults(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL, 120, 20);
  FormatTimeCode(0, kTimeCodeEditing, buffer_, kTimeCodeBufferChars);
}

DWORD CTimeEdit::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CreateHandle(L"EDIT", instance, parent, true);
  if (result == 0) ShowBuffer();
  return result;
}

void CTimeEdit::SetTime(int64_t micros) {
  FormatTimeCode(micros, kTimeCodeEditing, buffer_, kTimeCodeBufferChars);
  ShowBuffer();
}

size_t CTimeEdit::Length() const { return wcslen(buffer_); }

size_t CTimeEdit::HourDigits() const {
  const wchar_t* colon = wcschr(buffer_, L':');
  return colon ? static_cast<size_t>(colon - buffer_) : 3;
}

void CTimeEdit::ShowBuffer() {
  if (!window_) return;
  // The limit follows the text: hours of 1000 and more take more than 16 characters.
  SendMessageW(window_, EM_LIMITTEXT, Length(), 0);
  SetWindowTextW(window_, buffer_);
}

DWORD CTimeEdit::SelectionStart() const {
  DWORD start = 0;
  SendMessageW(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return start;
}

void CTimeEdit::OnUpArrow() {
  size_t p = SelectionStart();
  size_t h = HourDigits();
  uint64_t step = p < h + 1 ? kMicrosPerHour : p < h + 4 ? kMicrosPerMinute : p < h + 7 ? kMicrosPerSecond : 1;
  const uint64_t largest = (kMaxTimeCodeHours + 1) * kMicrosPerHour - 1;
  uint64_t value = std::min(ParseTimeCode(buffer_) + step, largest);
  SetTime(static_cast<int64_t>(value));
  // The hours may have grown by a digit; the caret stays in the field it was in.
  size_t caret = p + (HourDigits() - h);
  SendMessageW(window_, EM_SETSEL, caret, caret);
}

bool CTimeEdit::OnDigit(wchar_t digit) {
  size_t p = SelectionStart();
  size_t length = Length();
  if (p >= length) return false;
  size_t h = HourDigits();
  if (p == h || p == h + 3 || p == h + 6) ++p;  // step over a separator
  buffer_[p] = digit;
  // Tens of minutes and of seconds run to 5.
  if (buffer_[h + 1] > L'5') buffer_[h + 1] = L'5';
  if (buffer_[h + 4] > L'5') buffer_[h + 4] = L'5';
  ShowBuffer();
  SendMessageW(window_, EM_SETSEL, p + 1, p + 1);
  return true;
}

LRESULT CTimeEdit::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_DELETE) return 0;
      if (wParam == VK_UP) {
        OnUpArrow();
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam >= L'0' && wParam <= L'9' && OnDigit(static_cast<wchar_t>(wParam))) return 0;
      break;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR: {
      LRESULT result = CWinCtl::WndProc(window, message, wParam, lParam);
      SendMessageW(window, EM_UNDO, 0, 0);
      SendMessageW(window, EM_EMPTYUNDOBUFFER, 0, 0);
      return result;
    }
  }
  return CWinCtl::WndProc(window, message, wParam, lParam);
}
