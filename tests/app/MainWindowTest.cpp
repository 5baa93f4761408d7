// The real main window on the editors' fixture; file dialogs answer from a list of paths.
#include "EditorTestSupport.h"

#include <commctrl.h>

#include "app/VersionInfo.h"
#include "app/WndSplash.h"
#include "core/FilterCatalog.h"
#include "timeline/TLNode.h"
#include "ui/StatusBar.h"

using namespace editortest;
using testsupport::TempDir;

namespace {

std::vector<std::wstring> g_paths;       // the file dialogs' answers in order; empty: cancel
std::vector<bool> g_saves;               // per dialog shown: a save (not an open) dialog
std::wstring g_caption;                  // of the last message box
std::vector<std::wstring> g_objectMenu;  // the last object menu shown, described

// A menu as "label=id", a popup as "label=id [item, ...]", a separator as "---" or "--- disabled".
std::vector<std::wstring> Describe(HMENU menu) {
  std::vector<std::wstring> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t label[64] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = label;
    info.cch = 64;
    GetMenuItemInfoW(menu, i, TRUE, &info);
    if (info.fType & MFT_SEPARATOR) {
      items.push_back(info.fState & MFS_DISABLED ? L"--- disabled" : L"---");
    } else {
      std::wstring item = std::wstring(label) + L"=" + std::to_wstring(info.wID);
      if (info.hSubMenu) {
        const std::vector<std::wstring> sub = Describe(info.hSubMenu);
        for (size_t k = 0; k < sub.size(); ++k) item += (k ? L", " : L" [") + sub[k];
        item += L"]";
      }
      items.push_back(item);
    }
  }
  return items;
}

int AnswerCaptioned(const MessageRequest& request) {
  g_caption = request.caption ? request.caption : L"";
  return AnswerMessage(request);
}

bool AnswerDialog(OPENFILENAMEW* request, bool save) {
  g_saves.push_back(save);
  const std::wstring path = g_paths.empty() ? L"" : g_paths.front();
  if (!g_paths.empty()) g_paths.erase(g_paths.begin());
  if (path.empty()) return false;
  wcscpy(request->lpstrFile, path.c_str());
  if (request->lpstrFileTitle) wcscpy(request->lpstrFileTitle, path.substr(path.find_last_of(L'\\') + 1).c_str());
  return true;
}

class MainWindow : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    g_paths.clear();
    g_saves.clear();
    g_menuPicker = [](HMENU menu) {
      g_objectMenu = Describe(menu);
      return 0u;
    };
    SetUserPromptHooks({&AnswerCaptioned, &AnswerDialog, &AnswerMenu});
  }

  std::wstring Title() { return main_->GetText(); }
  std::wstring StatusText(int part) {
    wchar_t text[64] = {};
    SendMessageW(main_->StatusBar()->Hwnd(), SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return text;
  }
};

}  // namespace

// The default project's groups and tracks: the fixture, the New command and the track editor.
TEST_F(MainWindow, StartsUnmarkedWithItsCataloguesBuiltAndShowsTheCursorTime) {
  EXPECT_EQ(StatusText(0), L"");
  EXPECT_EQ(StatusText(1), L"00:00:00");
  main_->OnCursorTime(3723000004LL);
  EXPECT_EQ(StatusText(1), L"01:02:03,000004");
  main_->OnCursorTime(-4);
  EXPECT_EQ(StatusText(1), L"00:00:00,000000");
  // The catalogues were built on the way.
  EXPECT_EQ(FilterCatalog::VideoCompressors()[0].name, L"Uncompressed video");
  EXPECT_EQ(FilterCatalog::AudioCompressors()[0].name, L"Uncompressed audio");
  EXPECT_GE(FilterCatalog::FileTypes().size(), 2u);
}

TEST_F(MainWindow, MenusListEveryCommandWithItsIdInOrder) {
  const std::vector<std::wstring> main = {
      L"Project=10 [New=11, Open...=12, Save=13, Save as...=14, --- disabled, Render to file...=15]",
      L"View=20 [Preview...=21]",
      L"Edit=30 [Add group...=31, Add track...=32, Add source media...=33, Add effect...=34, "
      L"Add transition...=35, ---, Undo=36, Redo=37]",
      L"?=40 [About...=41]",
  };
  EXPECT_EQ(Describe(GetMenu(main_->Hwnd())), main);
  // The object menu, dismissed without a choice: nothing is asked or changed.
  main_->OnNodeClick(WM_RBUTTONDOWN, &main_->View()->Model().Group(0).tracks[0]);
  EXPECT_EQ(g_objectMenu, (std::vector<std::wstring>{L"Delete=101", L"Properties=102"}));
  EXPECT_TRUE(g_asked.empty());
  EXPECT_FALSE(main_->IsModified());
}

TEST_F(MainWindow, MenuCommandsReachTheirHandlers) {
  TempDir dir(L"main-commands");
  const std::wstring first = dir.File(L"first.kdp"), second = dir.File(L"second.kdp");

  // Ids without a command do nothing at all.
  for (UINT id : {0u, 10u, 16u, 40u, 42u, 101u, 102u}) RunMainCommand(id);
  EXPECT_TRUE(g_asked.empty());
  EXPECT_TRUE(g_saves.empty());
  EXPECT_EQ(Title(), L"MRQ");

  // Save of a new project asks for a name; Save as asks again though there is one.
  main_->MarkModified();
  EXPECT_EQ(StatusText(0), L"*");
  g_paths = {first, second};
  RunMainCommand(CWndMain::kSave);
  EXPECT_EQ(Title(), L"MRQ - [first.kdp]");
  EXPECT_EQ(StatusText(0), L"");
  RunMainCommand(CWndMain::kSaveAs);
  EXPECT_EQ(Title(), L"MRQ - [second.kdp]");
  EXPECT_EQ(g_saves, (std::vector<bool>{true, true}));
  EXPECT_TRUE(testsupport::FileExists(second));  // the first is opened below

  // New asks about unsaved changes, then starts over with the two default groups.
  ASSERT_EQ(S_OK, main_->View()->Model().Group(1).object->RemoveAll());
  main_->MarkModified();
  g_messageAnswer = IDNO;
  RunMainCommand(CWndMain::kNew);
  g_messageAnswer = IDOK;
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0], L"Project is modified. Do you want to save it?");
  EXPECT_EQ(NameOf(Group(1).Get()), L"Audio group");
  EXPECT_EQ(Title(), L"MRQ");
  EXPECT_FALSE(main_->IsModified());

  // Open asks for a file through an open dialog.
  g_paths = {first};
  RunMainCommand(CWndMain::kOpen);
  EXPECT_FALSE(g_saves.back());
  EXPECT_EQ(Title(), L"MRQ - [first.kdp]");
  EXPECT_EQ(TrackCount(0), 2);
  // Saving a project that has a path asks for none.
  RunMainCommand(CWndMain::kSave);
  EXPECT_EQ(g_saves.size(), 3u);

  RunMainCommand(CWndMain::kAbout);
  ASSERT_EQ(g_asked.size(), 2u);
  EXPECT_EQ(g_asked[1], AboutText());
  EXPECT_EQ(g_caption, L"About MRQ");

  // Closing an unchanged project asks nothing and ends the window.
  SendMessageW(main_->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(main_->Hwnd()));
  EXPECT_EQ(g_asked.size(), 2u);
}

TEST_F(MainWindow, AFailedOrCancelledSaveKeepsTheModifiedMarkAndTheWindow) {
  TempDir dir(L"main-fail");
  std::wstring bad = dir.File(L"missing folder\\x.kdp");
  main_->MarkModified();
  g_paths = {bad};
  EXPECT_NE(main_->OnSave(true), 0);
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0].rfind(bad + L"\n", 0), 0u);
  EXPECT_EQ(StatusText(0), L"*");
  EXPECT_EQ(Title(), L"MRQ");

  // Closing asks again: Cancel keeps the window; so does Yes with the save dialog cancelled.
  g_messageAnswer = IDCANCEL;
  SendMessageW(main_->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(main_->Hwnd()));
  EXPECT_EQ(g_asked.back(), L"Project is modified. Do you want to save it?");
  g_messageAnswer = IDYES;
  SendMessageW(main_->Hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(main_->Hwnd()));
  EXPECT_EQ(g_saves.size(), 2u);
  EXPECT_TRUE(main_->IsModified());
}

TEST_F(MainWindow, DeleteFromTheObjectMenuAsksAndRemovesTheTrack) {
  TLNode* track = &main_->View()->Model().Group(0).tracks[0];
  PickFromMenus(CWndMain::kDelete);
  g_messageAnswer = IDCANCEL;
  main_->OnNodeClick(WM_RBUTTONDOWN, track);
  EXPECT_EQ(g_asked.back(), L"Delete selected Track from timeline?");
  EXPECT_EQ(TrackCount(0), 2);

  g_messageAnswer = IDOK;
  main_->OnNodeClick(WM_RBUTTONDOWN, track);  // the timeline's track goes: the history test
  EXPECT_EQ(StatusText(0), L"*");
  EXPECT_EQ(main_->View()->Model().Group(0).tracks.size(), 1u);
  // Left clicks and clicks on empty space do nothing.
  size_t asked = g_asked.size();
  main_->OnNodeClick(WM_LBUTTONDOWN, &main_->View()->Model().Group(0));
  main_->OnNodeClick(WM_RBUTTONDOWN, nullptr);
  EXPECT_EQ(g_asked.size(), asked);
}

TEST_F(MainWindow, ADamagedProjectIsRefusedNamingTheLineAndMissingMediaIsShownOnceInOneMessage) {
  TempDir dir(L"main-open");
  std::wstring path = dir.File(L"damaged.kdp");
  testsupport::WriteText(
      path, "<KDP version=\"1\">\n<timeline>\n <group type=\"video\">\n  <track></grup>\n</timeline></KDP>");
  EXPECT_NE(main_->OnOpen(path.c_str()), 0);
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0].rfind(path + L"\n\nInvalid file format\nline 4, column ", 0), 0u) << Narrow(g_asked[0]);
  EXPECT_EQ(main_->View()->Model().GroupCount(), 0);
  EXPECT_EQ(Title(), L"MRQ");
  EXPECT_FALSE(main_->IsModified());

  g_asked.clear();
  path = dir.File(L"problems.kdp");
  testsupport::WriteText(
      path,
      "<KDP version=\"1\">\n<timeline><group type=\"video\" width=\"64\" height=\"48\"><track>"
      "<clip src=\"gone.avi\" start=\"0\" stop=\"1\"/><clip src=\"gone.avi\" start=\"1\" stop=\"2\"/>"
      "</track></group></timeline></KDP>");
  EXPECT_EQ(main_->OnOpen(path.c_str()), 0);
  ASSERT_EQ(g_asked.size(), 1u);
  const std::wstring text = g_asked[0];
  const std::wstring gone = dir.File(L"gone.avi");
  const size_t at = text.find(L"Media file not found: " + gone);
  EXPECT_NE(at, std::wstring::npos) << Narrow(text);
  EXPECT_EQ(text.find(gone, at + gone.size() + 22), std::wstring::npos) << "named twice: " << Narrow(text);
  EXPECT_STREQ(main_->Path(), path.c_str());

  // A project whose media are all there opens without a word.
  g_asked.clear();
  testsupport::WriteText(gone, "not really a video, but there");
  EXPECT_EQ(main_->OnOpen(path.c_str()), 0);
  EXPECT_TRUE(g_asked.empty());
}

TEST(ProgramTexts, CommandLineTakesTheLastArgumentUnquotedAndAboutShowsVersionAndDescription) {
  EXPECT_EQ(CommandLineProject(L"MRQ.exe one two.kdp"), L"two.kdp");
  EXPECT_EQ(CommandLineProject(L"\"C:\\Program Files\\MRQ.exe\""), L"");

  // The About text shows version, width, copyright and description.
  std::wstring text = AboutText();
  EXPECT_EQ(text.rfind(L"MRQ\n\n0.2.0.10434 (64 bit)\n\nCopyright", 0), 0u) << text;
  EXPECT_NE(text.find(L"\nNon-linear video editing tool\n\n"), std::wstring::npos);
  EXPECT_EQ(AboutText(L"no-such-program.exe"), L"MRQ\n\n");
}

TEST(Splash, StatusLinesArePaintedAtOnceWithoutAMessageLoop) {
  auto* splash = new CWndSplash();
  ASSERT_EQ(splash->Create(nullptr, GetModuleHandleW(nullptr)), 0u);
  EXPECT_TRUE(splash->HasPicture());
  ShowWindow(splash->Hwnd(), SW_SHOWNOACTIVATE);
  testsupport::PumpMessages();
  auto topBand = [&]() {
    HDC dc = GetDC(splash->Hwnd());
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 14; ++y)
      for (int x = 300; x < 500; x += 2) pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(splash->Hwnd(), dc);
    return pixels;
  };
  splash->SetStatus(L"Loading...");
  auto before = topBand();
  splash->SetStatus(L"Enumerating DirectShow compressors...");
  auto after = topBand();  // no message was dispatched in between
  EXPECT_NE(before, after);
  splash->Destroy(true);
}
