#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "UiTestSupport.h"
#include "ui/ComboBox.h"
#include "ui/CommonControls.h"
#include "ui/ListView.h"
#include "ui/StatusBar.h"
#include "ui/TrackBar.h"

using uitest::Instance;
using uitest::MakeTopLevel;
using uitest::Owned;

namespace {

// The drop-down list's size on screen.
SIZE ListSize(const CComboBox& combo) {
  RECT r;
  GetWindowRect(combo.ListWindow(), &r);
  return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

TEST(ComboBox, WidensItsListOncePerNewWidestItemAndRefusesDataOfMissingItems) {
  Owned<CWindow> window(MakeTopLevel(0, 0, 400, 300));
  auto* combo =
      new CComboBox(window->Hwnd(), Instance(), WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS);
  window->AddChild(combo);
  ASSERT_NE(combo->ListWindow(), nullptr);

  EXPECT_EQ(combo->AddString(L"Jump"), 0);
  EXPECT_GT(combo->WidestItem(), 0);
  // The platform rounds list heights down to whole items.
  int widenedHeight = ListSize(*combo).cy;
  EXPECT_LE(widenedHeight, combo->ListHeight() - 10);

  const wchar_t* longText = L"An item far wider than the one hundred and twenty pixel box";
  EXPECT_EQ(combo->AddString(longText), 1);
  int widest = combo->WidestItem();
  EXPECT_GT(widest, 120);
  EXPECT_EQ(ListSize(*combo).cx, widest);

  EXPECT_EQ(combo->AddString(L"x"), 2);
  EXPECT_EQ(combo->WidestItem(), widest);
  EXPECT_EQ(combo->AddString(nullptr), -1);

  // Moving or resizing the box gives the list its full height again.
  combo->Resize(150, 20);
  EXPECT_GT(ListSize(*combo).cy, widenedHeight);
  EXPECT_LE(ListSize(*combo).cy, combo->ListHeight());
  EXPECT_EQ(ListSize(*combo).cx, widest);

  // Item data of missing items is zero or refused (item values: the combo-fill and editor tests).
  EXPECT_EQ(combo->GetItemData(3), 0);
  EXPECT_EQ(combo->GetItemData(-1), 0);
  EXPECT_FALSE(combo->SetItemData(3, 5));

  combo->Clear();
  EXPECT_EQ(combo->WidestItem(), 0);

  CComboBox unmade(nullptr, Instance(), WS_CHILD);  // a child without a parent fails
  EXPECT_EQ(unmade.Hwnd(), nullptr);
  EXPECT_EQ(unmade.AddString(L"x"), -1);
  EXPECT_EQ(unmade.GetItemData(0), 0);
  EXPECT_FALSE(unmade.SetItemData(0, 1));
}

TEST(CommonControls, ControlsOfEachClassSetAreCreatedAgainAndAgain) {
  Owned<CWindow> window(MakeTopLevel(0, 0, 400, 300));
  // A second control of a set must not depend on the first having initialised it.
  for (int round = 0; round < 2; ++round) {
    auto* list = new CListView();
    ASSERT_EQ(list->Create(window->Hwnd(), Instance()), 0u) << round;
    window->AddChild(list);
    auto* status = new CStatusBar();
    ASSERT_EQ(status->Create(window->Hwnd(), Instance()), 0u) << round;
    window->AddChild(status);
    auto* track = new CTrackBar(window->Hwnd(), Instance());
    window->AddChild(track);
    ASSERT_NE(track->Hwnd(), nullptr) << round;
  }
  EXPECT_TRUE(EnsureCommonControls(ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES));
}
