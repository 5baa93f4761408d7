#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

// The columns, rows and cell texts of a string grid, without its window: widths and their
// proportions, the look and selectability flags, and the navigation searches over them.
class GridData {
 public:
  // Flags byte of a column or a row: the look in the low bits, selectability in the top one.
  static constexpr BYTE kLookMask = 0x7F;
  static constexpr BYTE kLookFixed = 1;
  static constexpr BYTE kNotSelectable = 0x80;

  unsigned ColumnCount() const { return static_cast<unsigned>(columns_.size()); }
  unsigned RowCount() const { return static_cast<unsigned>(rows_.size()); }
  bool HasColumn(int column) const { return static_cast<unsigned>(column) < ColumnCount(); }
  bool HasRow(int row) const { return static_cast<unsigned>(row) < RowCount(); }

  // Columns beyond n are dropped; new ones get flags 0, the default width and no title.
  // Existing rows follow, so that every row keeps one cell per column.
  void SetColumnCount(unsigned n);
  unsigned DefaultColumnWidth() const { return defaultWidth_; }
  void SetDefaultColumnWidth(unsigned width) { defaultWidth_ = width; }
  unsigned ColumnWidth(int column) const { return HasColumn(column) ? columns_[column].width : 0; }
  bool SetColumnWidth(int column, unsigned width);
  const wchar_t* ColumnTitle(int column) const;
  bool SetColumnTitle(int column, const wchar_t* text);
  BYTE ColumnFlags(int column) const { return HasColumn(column) ? columns_[column].flags : 0; }
  bool SetColumnFlags(int column, BYTE flags);
  unsigned TotalWidth() const { return totalWidth_; }
  // Sum of the widths of the columns first .. last - 1.
  unsigned WidthOf(unsigned first, unsigned last) const;

  // Proportional mode: each column keeps its share of the total width.
  bool IsProportional() const { return !shares_.empty(); }
  void EnterProportional();
  // Widths from the shares for a total of `width` pixels; no width ever goes negative.
  void ApplyProportions(unsigned width);

  // Inserts empty rows before `position` (clamped to the row count); false, and the rows
  // unchanged, when memory fails.
  bool InsertRows(unsigned position, unsigned count);
  void ClearRows() { rows_.clear(); }
  BYTE RowFlags(int row) const { return HasRow(row) ? rows_[row]->flags : 0; }
  void* RowData(int row) const { return HasRow(row) ? rows_[row]->data : nullptr; }
  bool SetRowData(int row, void* data);
  const wchar_t* CellText(int column, int row) const;
  bool SetCellText(int column, int row, std::unique_ptr<wchar_t[]> text);
  // The look of a cell: the row's if it has one, else the column's.
  BYTE CellLook(int column, int row) const;
  bool RowHasCells(int row) const { return HasRow(row) && !rows_[row]->cells.empty(); }

  // The nearest selectable index for a selection: the first at or after `index`, else the
  // last before it; -1 when there is none.
  int NearestSelectable(int index, bool vertical) const;
  // Where a navigation step of `delta` from `current` lands; -1 when it moves nothing.
  int StepTarget(int current, int64_t delta, bool vertical) const;
  bool IsSelectable(int index, bool vertical) const;

 private:
  struct Column {
    BYTE flags = 0;
    unsigned width = 0;
    std::unique_ptr<wchar_t[]> title;
  };
  struct Row {
    BYTE flags = 0;
    void* data = nullptr;  // the owner's
    std::vector<std::unique_ptr<wchar_t[]>> cells;
  };
  void ComputeShares();
  int Count(bool vertical) const { return static_cast<int>(vertical ? RowCount() : ColumnCount()); }
  // The first selectable index in from .. last (upwards) or from .. 0 (downwards); -1 when none.
  int FirstSelectableUp(int from, int last, bool vertical) const;
  int FirstSelectableDown(int from, bool vertical) const;

  std::vector<Column> columns_;
  std::vector<std::unique_ptr<Row>> rows_;
  std::vector<double> shares_;
  unsigned totalWidth_ = 0;
  unsigned defaultWidth_ = 70;
};
