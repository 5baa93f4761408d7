#pragma once
#include "ui/WinCtl.h"

// A drop-down list whose list widens to show its widest item; callers keep their own table
// index as each item's value.
class CComboBox : public CWinCtl {
 public:
  CComboBox(HWND parent, HINSTANCE instance, DWORD style);
  ~CComboBox() override = default;
  void SetDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Index of the new item, or -1 without a window or text, or the platform's error.
  int AddString(const wchar_t* text);
  void WidenDropList(const wchar_t* text);
  // 0 when there is no such item.
  int GetItemData(int index) const;
  bool SetItemData(int index, int value);
  void Clear();
  int Count() const;
  int GetCurSel() const;
  void SetCurSel(int index);

  int ListHeight() const { return listHeight_; }
  int WidestItem() const { return widest_; }
  HWND EditWindow() const { return edit_; }
  HWND ListWindow() const { return list_; }

 private:
  bool HasItem(int index) const;

  int listHeight_ = 100;
  int widest_ = 0;
  HWND edit_ = nullptr;
  HWND list_ = nullptr;
};
