#pragma once
#include <cstdint>

#include "timeline/TimeCode.h"
#include "ui/WinCtl.h"

// An edit field for time codes in the editing form. Typing overwrites digits and steps over
// the separators, Up adds one unit of the field under the caret, and the text can be neither
// deleted, cut nor pasted into. The value is the control's buffer, not the shown text.
class CTimeEdit : public CWinCtl {
 public:
  CTimeEdit(HWND parent, HINSTANCE instance) : CTimeEdit(parent, instance, 0) {}
  ~CTimeEdit() override = default;
  void SetDefaults() override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  // The buffer as text; read it with ParseTimeCode.
  const wchar_t* Buffer() const { return buffer_; }
  uint64_t GetTime() const { return ParseTimeCode(buffer_); }
  // Formats microseconds into the buffer and shows them.
  void SetTime(int64_t micros);

 protected:
  // Created with the default styles less `withoutStyle` (an editor that starts hidden).
  CTimeEdit(HWND parent, HINSTANCE instance, DWORD withoutStyle);

 private:
  size_t Length() const;
  size_t HourDigits() const;
  void ShowBuffer();
  DWORD SelectionStart() const;
  void OnUpArrow();
  bool OnDigit(wchar_t digit);

  // The editing form: 16 characters below 1000 hours, more hour digits beyond.
  wchar_t buffer_[kTimeCodeBufferChars] = {};
};
