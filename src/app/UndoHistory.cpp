#include "app/UndoHistory.h"

#include <algorithm>
#include <utility>

UndoHistory::UndoHistory(size_t depth, size_t budget) : depth_(depth ? depth : 1), budget_(budget) {}

void UndoHistory::Reset(std::wstring text) {
  current_ = std::move(text);
  steps_.clear();
  position_ = 0;
  saved_ = 0;
  stepBytes_ = 0;
}

UndoHistory::Step UndoHistory::Difference(const std::wstring& before, const std::wstring& after) {
  const size_t shorter = std::min(before.size(), after.size());
  size_t prefix = 0;
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) ++suffix;
  Step step;
  step.prefix = prefix;
  step.older = before.substr(prefix, before.size() - suffix - prefix);
  step.newer = after.substr(prefix, after.size() - suffix - prefix);
  step.older.shrink_to_fit();
  step.newer.shrink_to_fit();
  return step;
}

void UndoHistory::DropOldest() {
  stepBytes_ -= steps_.front().Bytes();
  steps_.erase(steps_.begin());
  --position_;
  // The saved state was the oldest one: it can no longer be reached.
  saved_ = saved_ > 0 ? saved_ - 1 : -1;
}

void UndoHistory::Record(std::wstring text) {
  if (text == current_) return;
  while (steps_.size() > position_) {
    stepBytes_ -= steps_.back().Bytes();
    steps_.pop_back();
  }
  // A saved state among the dropped redo steps can no longer be reached.
  if (saved_ > static_cast<long>(position_)) saved_ = -1;
  Step step = Difference(current_, text);
  stepBytes_ += step.Bytes();
  steps_.push_back(std::move(step));
  ++position_;
  current_ = std::move(text);
  while (steps_.size() > 1 && (steps_.size() > depth_ || stepBytes_ > budget_)) DropOldest();
}

const std::wstring& UndoHistory::Undo() {
  if (!CanUndo()) return current_;
  const Step& step = steps_[--position_];
  current_.replace(step.prefix, step.newer.size(), step.older);
  return current_;
}

const std::wstring& UndoHistory::Redo() {
  if (!CanRedo()) return current_;
  const Step& step = steps_[position_++];
  current_.replace(step.prefix, step.older.size(), step.newer);
  return current_;
}
