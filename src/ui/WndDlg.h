#pragma once
#include "ui/Window.h"

class CButton;

// A dialog-style window: an etched frame above an OK/Cancel button row that ends a modal run
// with result 1 (OK) or 2 (Cancel).
class CWndDlg : public CWindow {
 public:
  static constexpr int kButtonWidth = 80;
  static constexpr int kButtonHeight = 25;
  static constexpr int kMargin = 4;

  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Adds the button row below `above` (or below y = 100) and sizes the window to fit it.
  int AddOkCancel(const CWinCtl* above);

  CButton* OkButton() const { return ok_; }
  CButton* CancelButton() const { return cancel_; }

 private:
  CButton* MakeButton(HICON image, DWORD imageStyle, const wchar_t* caption, int left, int top);

  CButton* ok_ = nullptr;      // owned through the child list
  CButton* cancel_ = nullptr;  // owned through the child list
};
