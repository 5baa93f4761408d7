#pragma once
// The project's history for undo and redo: the text of each state (the timeline's XML), kept as
// the current text and, per step, only the part that differs from its neighbour. A step that
// changes one source of a large project therefore costs about that source's text.
#include <cstddef>
#include <string>
#include <vector>

class UndoHistory {
 public:
  static constexpr size_t kDefaultDepth = 200;
  static constexpr size_t kDefaultBudget = 64u << 20;  // bytes of steps kept

  explicit UndoHistory(size_t depth = kDefaultDepth, size_t budget = kDefaultBudget);

  // Forgets every step: `text` is the state from now on, and counts as saved.
  void Reset(std::wstring text);
  // A new state after a change: redo steps are dropped; a text equal to the current one adds no
  // step. The oldest steps go when the depth or the memory budget is exceeded.
  void Record(std::wstring text);
  bool CanUndo() const { return position_ > 0; }
  bool CanRedo() const { return position_ < steps_.size(); }
  // Moves one step back or forward and returns the state's text (the current one when there is
  // no such step).
  const std::wstring& Undo();
  const std::wstring& Redo();

  const std::wstring& Current() const { return current_; }
  // The current state is the one last saved (or last reset to).
  void MarkSaved() { saved_ = static_cast<long>(position_); }
  bool AtSaved() const { return saved_ == static_cast<long>(position_); }
  size_t Steps() const { return steps_.size(); }
  size_t Position() const { return position_; }
  // Memory the steps hold, without the current text.
  size_t StepBytes() const { return stepBytes_; }

 private:
  // From `before` to `after`: both share `prefix` leading characters, then `before` has
  // `older` where `after` has `newer`, and the rest is the same again.
  struct Step {
    size_t prefix = 0;
    std::wstring older;
    std::wstring newer;
    size_t Bytes() const { return (older.capacity() + newer.capacity()) * sizeof(wchar_t) + sizeof(Step); }
  };
  static Step Difference(const std::wstring& before, const std::wstring& after);
  void DropOldest();

  std::wstring current_;
  std::vector<Step> steps_;
  size_t position_ = 0;  // steps_[0, position_) lead up to current_; the rest are redo steps
  long saved_ = 0;       // the position of the saved state; -1 once it can no longer be reached
  size_t depth_;
  size_t budget_;
  size_t stepBytes_ = 0;
};
