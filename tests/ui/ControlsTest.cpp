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

int ListWidth(const CComboBox& combo) {
  RECT r;
  GetWindowRect(combo.ListWindow(), &r);
  return r.right - r.left;
}

int ListHeight(const CComboBox& combo) {
  RECT r;
  GetWindowRect(combo.ListWindow(), &r);
  return r.bottom - r.top;
}

}  // namespace

TEST(ComboBox, WidensItsListOncePerNewWidestItem) {
  Owned<CWindow> window(MakeTopLevel(0, 0, 400, 300));
  auto* combo =
      new CComboBox(window->Hwnd(), Instance(), WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS);
  window->AddChild(combo);
  ASSERT_NE(combo->ListWindow(), nullptr);

  EXPECT_EQ(combo->AddString(L"Jump"), 0);
  int jump = combo->WidestItem();
  EXPECT_GT(jump, 0);
  // The platform rounds list heights down to whole items.
  int widenedHeight = ListHeight(*combo);
  EXPECT_LE(widenedHeight, combo->ListHeight() - 10);

  const wchar_t* longText = L"An item far wider than the one hundred and twenty pixel box";
  EXPECT_EQ(combo->AddString(longText), 1);
  int widest = combo->WidestItem();
  EXPECT_GT(widest, 120);
  EXPECT_EQ(ListWidth(*combo), widest);
  EXPECT_EQ(SendMessageW(combo->Hwnd(), CB_GETDROPPEDWIDTH, 0, 0), widest);

  EXPECT_EQ(combo->AddString(L"x"), 2);
  EXPECT_EQ(combo->WidestItem(), widest);
  EXPECT_EQ(combo->AddString(nullptr), -1);

  // Moving or resizing the box gives the list its full height again.
  combo->Resize(150, 20);
  EXPECT_GT(ListHeight(*combo), widenedHeight);
  EXPECT_LE(ListHeight(*combo), combo->ListHeight());
  EXPECT_EQ(ListWidth(*combo), widest);

  combo->Clear();
  EXPECT_EQ(combo->Count(), 0);
  EXPECT_EQ(combo->WidestItem(), 0);
}

TEST(ComboBox, ItemDataOfMissingItemsIsZeroOrRefused) {
  Owned<CWindow> window(MakeTopLevel(0, 0, 400, 300));
  auto* combo = new CComboBox(window->Hwnd(), Instance(), WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_HASSTRINGS);
  window->AddChild(combo);
  combo->AddString(L"first");
  combo->AddString(L"second");
  EXPECT_TRUE(combo->SetItemData(1, -42));
  EXPECT_EQ(combo->GetItemData(1), -42);
  EXPECT_EQ(combo->GetItemData(2), 0);
  EXPECT_EQ(combo->GetItemData(-1), 0);
  EXPECT_FALSE(combo->SetItemData(2, 5));
  combo->SetCurSel(1);
  EXPECT_EQ(combo->GetCurSel(), 1);

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
    wchar_t cls[64];
    GetClassNameW(list->Hwnd(), cls, 64);
    EXPECT_STREQ(cls, WC_LISTVIEWW);
    GetClassNameW(status->Hwnd(), cls, 64);
    EXPECT_STREQ(cls, STATUSCLASSNAMEW);
    GetClassNameW(track->Hwnd(), cls, 64);
    EXPECT_STREQ(cls, TRACKBAR_CLASSW);
  }
  EXPECT_TRUE(EnsureCommonControls(ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES));
}
