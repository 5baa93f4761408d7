#pragma once
#include "ui/ComboBox.h"

// A grid cell editor whose items may show a description after their value: an item added with
// its value's length as item value leaves only the value in the edit part once chosen, by
// mouse or keyboard. The value can be typed too (with an edit part, CBS_DROPDOWN).
class CGridComboBoxEx : public CComboBox {
 public:
  // Sent by the edit part after its text may have changed to a chosen item's.
  static constexpr UINT kTruncateMessage = WM_USER + 1;

  CGridComboBoxEx(HWND parent, HINSTANCE instance, DWORD style);
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void SubclassEditPart();
  // Cuts the text to the length the selected item's value gives, when it is longer.
  void TruncateToValue();
  static LRESULT CALLBACK EditPartProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
};
