#pragma once
#include <cstdint>
#include <memory>

#include "ui/GridData.h"
#include "ui/GridPaint.h"
#include "ui/WinCtl.h"

class CGridStrCallback;

// A string grid: a title line above rows of text cells, one current cell moved by keyboard,
// wheel, scroll bars and clicks, and in-place editing of that cell through an editor control
// that exists only while the cell is edited. Scrolling is by cells: the first visible row and
// column follow the current cell, and the scroll bars show and set its position.
class CGridStr : public CWinCtl {
 public:
  static constexpr const wchar_t* kClassName = L"KepGridStr";
  static constexpr DWORD kReadOnly = 1;  // edit flags
  // RefreshLayout's scroll bars.
  static constexpr int kVerticalBar = 1;
  static constexpr int kHorizontalBar = 2;
  static constexpr int kBothBars = -1;

  CGridStr() { CGridStr::SetDefaults(); }
  CGridStr(HWND parent, HINSTANCE instance);
  // Ends any edit, and lets the owner free every row's data.
  ~CGridStr() override;
  void SetDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  void SetCallback(CGridStrCallback* callback) { callback_ = callback; }
  // Batching: while locked, changes neither lay out nor repaint; the unlock that brings the
  // count back to 0 lays out, updates both scroll bars and repaints once.
  void LockUpdate() { ++updateLock_; }
  void UnlockUpdate();
  bool IsLocked() const { return updateLock_ != 0; }

  // Columns; the count is meant to be set once, before rows exist.
  int SetColumnCount(unsigned n);
  int SetColumnTitle(int column, const wchar_t* text);
  int SetColumnWidth(int column, unsigned width);
  void SetColumnFlags(int column, BYTE flags);
  void SetDefaultColumnWidth(unsigned width) { data_.SetDefaultColumnWidth(width); }
  void SetGridStyle(DWORD gridStyle);
  void SetReadOnly(bool on);
  // Keeps each column's share of the total width from now on; applied to the client width
  // when asked to.
  int SetProportional(bool apply);
  void ApplyProportions(unsigned width) { data_.ApplyProportions(width); }

  // Rows: position -1 appends. The first rows of a grid make its first selectable cell current.
  int InsertRows(int position, int count);
  void DeleteAllRows();
  // Removes every row but keeps the current cell's indexes, for owners that refill the same rows.
  int DeleteRows();
  int SetCellText(int column, int row, const wchar_t* text);              // copies the text
  int SetCellText(int column, int row, std::unique_ptr<wchar_t[]> text);  // takes it over
  const wchar_t* GetCellText(int column, int row) const { return data_.CellText(column, row); }
  void* GetRowData(int row) const { return data_.RowData(row); }
  void SetRowData(int row, void* data) { data_.SetRowData(row, data); }

  // Selects the nearest selectable cell; -1 when an index is out of range.
  int SetCurrentCell(int column, int row);
  // One navigation step; -1 when nothing moved. An edit in progress ends first, committed.
  int MoveCurrent(int64_t delta, bool vertical);
  int BeginEdit();
  int EndEdit(bool commit);

  // Where an editor for a cell goes: -1 for a column or row out of view on that side.
  int ColumnLeft(int column) const;
  int RowTop(int row) const;
  void RefreshLayout(bool recompute, int bars, bool repaint);

  unsigned ColumnCount() const { return data_.ColumnCount(); }
  unsigned RowCount() const { return data_.RowCount(); }
  unsigned ColumnWidth(int column) const { return data_.ColumnWidth(column); }
  unsigned TotalColumnWidth() const { return data_.TotalWidth(); }
  const wchar_t* ColumnTitle(int column) const { return data_.ColumnTitle(column); }
  bool IsProportional() const { return data_.IsProportional(); }
  int RowHeight() const { return rowHeight_; }
  int HeaderHeight() const { return headerHeight_; }
  int64_t ContentHeight() const { return headerHeight_ + int64_t{rowHeight_} * RowCount(); }
  int CurrentColumn() const { return currentColumn_; }
  int CurrentRow() const { return currentRow_; }
  unsigned FirstVisibleColumn() const { return firstColumn_; }
  unsigned FirstVisibleRow() const { return firstRow_; }
  unsigned VisibleRows() const { return visibleRows_; }
  DWORD GridStyle() const { return gridStyle_; }
  bool IsReadOnly() const { return editFlags_ & kReadOnly; }
  bool IsFocused() const { return focused_; }
  CWinCtl* Editor() const { return editor_; }

 private:
  void Layout(unsigned clientWidth, unsigned clientHeight);
  void LayoutFromClient();
  void UpdateScrollBars(int bars);
  void Repaint();
  void SetCurrentInternal(int column, int row);
  void ShowCurrent();
  void FollowVertically();
  void FollowHorizontally();
  void Paint(HDC dc);
  void PlaceEditor();
  void DiscardEditor();
  void SettleEdit(HWND gainingFocus);
  void SetFocusToGrid();
  int HitColumn(unsigned x) const;
  int HitRow(unsigned y) const;
  LRESULT OnKeyDown(WPARAM key, LPARAM lParam);
  bool WantsPendingKey(const MSG* pending) const;
  void OnLButtonDown(LPARAM lParam);
  bool OnScroll(bool vertical, WPARAM wParam);
  void OnSize(unsigned clientWidth, unsigned clientHeight);

  DWORD gridStyle_ = kGridHorizontalLines | kGridVerticalLines;
  DWORD editFlags_ = 0;
  int updateLock_ = 0;
  int headerHeight_ = 20;
  int rowHeight_ = 20;
  GridData data_;
  int currentColumn_ = -1;
  int currentRow_ = -1;
  unsigned firstColumn_ = 0;
  unsigned firstRow_ = 0;
  CWinCtl* editor_ = nullptr;  // owned; exists only while a cell is edited
  unsigned clientWidth_ = 0;
  unsigned clientHeight_ = 0;
  unsigned visibleRows_ = 0;
  bool focused_ = false;
  bool commit_ = false;  // whether the edit in progress stores its text when it ends
  CGridStrCallback* callback_ = nullptr;
};
