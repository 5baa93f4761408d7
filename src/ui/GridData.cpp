#include "ui/GridData.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/Text.h"

void GridData::SetColumnCount(unsigned n) {
  for (unsigned c = n; c < ColumnCount(); ++c) totalWidth_ -= columns_[c].width;
  size_t old = columns_.size();
  columns_.resize(n);
  for (size_t c = old; c < n; ++c) {
    columns_[c].width = defaultWidth_;
    totalWidth_ += defaultWidth_;
  }
  for (auto& row : rows_) row->cells.resize(n);
  if (IsProportional()) ComputeShares();
}

bool GridData::SetColumnWidth(int column, unsigned width) {
  if (!HasColumn(column)) return false;
  totalWidth_ = totalWidth_ - columns_[column].width + width;
  columns_[column].width = width;
  if (IsProportional()) ComputeShares();
  return true;
}

const wchar_t* GridData::ColumnTitle(int column) const {
  return HasColumn(column) ? columns_[column].title.get() : nullptr;
}

bool GridData::SetColumnTitle(int column, const wchar_t* text) {
  if (!HasColumn(column)) return false;
  columns_[column].title = ConcatText({text});
  return true;
}

bool GridData::SetColumnFlags(int column, BYTE flags) {
  if (!HasColumn(column)) return false;
  columns_[column].flags = flags;
  return true;
}

unsigned GridData::WidthOf(unsigned first, unsigned last) const {
  unsigned sum = 0;
  for (unsigned c = first; c < last && c < ColumnCount(); ++c) sum += columns_[c].width;
  return sum;
}

void GridData::ComputeShares() {
  shares_.clear();
  if (totalWidth_ == 0) return;
  for (const Column& c : columns_) shares_.push_back(static_cast<double>(c.width) / totalWidth_);
}

void GridData::EnterProportional() { ComputeShares(); }

void GridData::ApplyProportions(unsigned width) {
  if (columns_.empty() || shares_.size() != columns_.size()) return;
  totalWidth_ = 0;
  for (size_t c = 0; c < columns_.size(); ++c) {
    columns_[c].width = static_cast<unsigned>(std::lround(shares_[c] * width));
    totalWidth_ += columns_[c].width;
  }
  if (totalWidth_ < width) {
    columns_.back().width += width - totalWidth_;
  } else if (totalWidth_ > width) {
    unsigned excess = totalWidth_ - width;
    auto wide =
        std::find_if(columns_.rbegin(), columns_.rend(), [excess](const Column& c) { return c.width >= excess; });
    if (wide != columns_.rend()) {
      wide->width -= excess;
    } else {
      // Rounding left more to remove than any one column has: take it from the right.
      for (auto c = columns_.rbegin(); c != columns_.rend() && excess > 0; ++c) {
        unsigned taken = std::min(c->width, excess);
        c->width -= taken;
        excess -= taken;
      }
    }
  }
  totalWidth_ = width;
}

bool GridData::InsertRows(unsigned position, unsigned count) {
  position = std::min(position, RowCount());
  try {
    std::vector<std::unique_ptr<Row>> made;
    made.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
      made.push_back(std::make_unique<Row>());
      made.back()->cells.resize(columns_.size());
    }
    // Reserved first: the insertion itself then only moves pointers and cannot fail halfway.
    rows_.reserve(rows_.size() + count);
    rows_.insert(rows_.begin() + position, std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool GridData::SetRowData(int row, void* data) {
  if (!HasRow(row)) return false;
  rows_[row]->data = data;
  return true;
}

const wchar_t* GridData::CellText(int column, int row) const {
  if (!HasRow(row) || static_cast<unsigned>(column) >= rows_[row]->cells.size()) return nullptr;
  return rows_[row]->cells[column].get();
}

bool GridData::SetCellText(int column, int row, std::unique_ptr<wchar_t[]> text) {
  if (!HasRow(row) || static_cast<unsigned>(column) >= rows_[row]->cells.size()) return false;
  rows_[row]->cells[column] = std::move(text);
  return true;
}

BYTE GridData::CellLook(int column, int row) const {
  BYTE look = RowFlags(row) & kLookMask;
  return look ? look : ColumnFlags(column) & kLookMask;
}

bool GridData::IsSelectable(int index, bool vertical) const {
  if (index < 0 || index >= Count(vertical)) return false;
  BYTE flags = vertical ? RowFlags(index) : ColumnFlags(index);
  return !(flags & kNotSelectable);
}

int GridData::FirstSelectableUp(int from, int last, bool vertical) const {
  for (int i = std::max(from, 0); i <= last; ++i)
    if (IsSelectable(i, vertical)) return i;
  return -1;
}

int GridData::FirstSelectableDown(int from, bool vertical) const {
  for (int i = std::min(from, Count(vertical) - 1); i >= 0; --i)
    if (IsSelectable(i, vertical)) return i;
  return -1;
}

int GridData::NearestSelectable(int index, bool vertical) const {
  int found = FirstSelectableUp(index, Count(vertical) - 1, vertical);
  return found >= 0 ? found : FirstSelectableDown(index - 1, vertical);
}

int GridData::StepTarget(int current, int64_t delta, bool vertical) const {
  int n = Count(vertical);
  int64_t t;
  if (delta > 0) {
    if (current >= n - 1) return -1;
    t = std::min<int64_t>(current + delta, n - 1);
    if (!IsSelectable(static_cast<int>(t), vertical)) {
      int after = FirstSelectableUp(static_cast<int>(t) + 1, n - 1, vertical);
      t = after >= 0 ? after : FirstSelectableDown(static_cast<int>(t) - 1, vertical);
    }
  } else if (delta < 0) {
    if (current < 1 || n == 0) return -1;
    // A current index left beyond the rows (their removal keeps it) steps from the last row.
    t = std::clamp<int64_t>(current + delta, 0, n - 1);
    if (!IsSelectable(static_cast<int>(t), vertical)) {
      int before = FirstSelectableDown(static_cast<int>(t) - 1, vertical);
      t = before >= 0 ? before : FirstSelectableUp(static_cast<int>(t) + 1, n - 1, vertical);
    }
  } else {
    return -1;
  }
  return t < 0 || t == current ? -1 : static_cast<int>(t);
}
