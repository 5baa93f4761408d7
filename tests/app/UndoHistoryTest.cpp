// The project history's bookkeeping: states back and forth, the saved state, and its limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/UndoHistory.h"

namespace {

// A state of a large project where one record changes between steps.
std::wstring State(int changed, int value, int records = 2000) {
  std::wstring text = L"<timeline>";
  for (int i = 0; i < records; ++i)
    text += L"<clip n=\"" + std::to_wstring(i) + L"\" v=\"" + std::to_wstring(i == changed ? value : 0) + L"\"/>";
  return text + L"</timeline>";
}

}  // namespace

TEST(UndoHistory, StepsThroughEveryStateAndKnowsTheSavedOneWhileItCanBeReached) {
  UndoHistory history;
  std::vector<std::wstring> states = {L"", L"a", L"ab", L"xab", L"xb", L"xbbbb", L"", L"tail"};
  history.Reset(states[0]);
  EXPECT_FALSE(history.CanUndo());
  for (size_t i = 1; i < states.size(); ++i) history.Record(states[i]);
  EXPECT_EQ(history.Steps(), states.size() - 1);
  for (size_t i = states.size() - 1; i-- > 0;) EXPECT_EQ(history.Undo(), states[i]) << i;
  EXPECT_FALSE(history.CanUndo());
  EXPECT_EQ(history.Undo(), states[0]);  // nothing more to undo: the state stays
  for (size_t i = 1; i < states.size(); ++i) EXPECT_EQ(history.Redo(), states[i]) << i;
  EXPECT_FALSE(history.CanRedo());

  // A change after undoing drops what could have been redone; an unchanged state adds nothing.
  history.Undo();
  history.Undo();
  history.Record(L"new");
  EXPECT_FALSE(history.CanRedo());
  history.Record(L"new");
  EXPECT_EQ(history.Steps(), states.size() - 2);
  EXPECT_EQ(history.Undo(), states[states.size() - 3]);

  // The saved state is known until it can no longer be reached.
  history.Reset(L"opened");
  EXPECT_TRUE(history.AtSaved());
  history.Record(L"one");
  EXPECT_FALSE(history.AtSaved());
  history.MarkSaved();
  history.Record(L"two");
  history.Undo();
  EXPECT_TRUE(history.AtSaved());
  // Undone past the saved state and changed: the saved state is gone for good.
  history.Undo();
  history.Record(L"other");
  history.Undo();
  history.Redo();
  EXPECT_FALSE(history.AtSaved());
}

TEST(UndoHistory, KeepsOnlyTheChangedPartOfEachStepWithinItsDepthAndBudget) {
  UndoHistory history(100, 64u << 20);
  history.Reset(State(0, 0));
  for (int i = 1; i <= 150; ++i) history.Record(State(i, i));
  EXPECT_EQ(history.Steps(), 100u);
  // Each step holds a few characters, not the whole text of some 60,000.
  EXPECT_LT(history.StepBytes(), 100u * 400);
  for (int i = 149; i >= 50; --i) EXPECT_EQ(history.Undo(), State(i, i)) << i;
  EXPECT_FALSE(history.CanUndo());
  // The text it was opened with is beyond the depth: that state is no longer the saved one.
  EXPECT_FALSE(history.AtSaved());

  UndoHistory small(100, 1000);
  small.Reset(L"");
  for (int i = 0; i < 10; ++i) small.Record(std::wstring(static_cast<size_t>(100 * (i + 1)), L'x'));
  EXPECT_LE(small.StepBytes(), 1000u + 200);
  EXPECT_GE(small.Steps(), 1u);
  EXPECT_LT(small.Steps(), 10u);
}
