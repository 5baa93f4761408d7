#pragma once
#include "ui/ComboBox.h"

// A drop-down list that an owner lays over a grid cell as its editor.
class CGridComboBox : public CComboBox {
 public:
  CGridComboBox(HWND parent, HINSTANCE instance, DWORD style) : CComboBox(parent, instance, style) {}
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};
