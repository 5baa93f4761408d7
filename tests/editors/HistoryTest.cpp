// Undo and redo, and media files dropped onto the view, on the real main window.
#include <shlobj.h>

#include "EditorTestSupport.h"
#include "app/MessageLoop.h"
#include "timeline/TLNode.h"
#include "timeline/TimelineSnapshot.h"

using namespace editortest;

namespace {

constexpr int64_t kSecond = 1000000;

class History : public EditorTest {
 protected:
  std::wstring Snapshot() {
    std::wstring text;
    EXPECT_EQ(SnapshotTimeline(Timeline(), &text), S_OK);
    return text;
  }
  bool MenuEnabled(UINT command) {
    return !(GetMenuState(GetMenu(main_->Hwnd()), command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
  }
  void AddGroupNamed(const std::wstring& name) {
    ActWhenShown(L"WndTLGroup", [name](HWND editor) {
      SetWindowTextW(NthChild(editor, L"Edit", 0), name.c_str());
      PostMessageW(editor, WM_COMMAND, IDOK, 0);
    });
    RunMainCommand(CWndMain::kAddGroup);
  }
  // Saved as `path`, the project's text.
  std::string SaveAs(const std::wstring& path) {
    AnswerFilesWith(path);
    RunMainCommand(CWndMain::kSaveAs);
    return testsupport::ReadText(path);
  }
  // Drops a file onto the main window as the shell does, at a point of the view.
  void Drop(const std::wstring& path, POINT viewPoint) {
    MapWindowPoints(main_->View()->Hwnd(), main_->Hwnd(), &viewPoint, 1);
    const std::wstring names = path + L'\0' + L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = viewPoint;
    drop->fWide = TRUE;
    memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    SendMessageW(main_->Hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  }
  // A point of the view on the source row of a group's track, at a time.
  POINT PointAt(int group, int track, int64_t time) {
    CWndTLModel* view = main_->View();
    for (int y = view->RulerHeight(); y < view->ClientHeight(); ++y) {
      TLNode* node = view->HitTest(view->TimeToX(time), y);
      int g = -1, t = -1;
      if (node && node->type == kTLTrack && FindNodePosition(view->Model(), node, &g, &t) == 0 && g == group &&
          t == track)
        return {view->TimeToX(time), y + view->TrackPitch() / 2};
    }
    ADD_FAILURE() << "no row for group " << group << " track " << track;
    return {0, 0};
  }
  // A key pressed with Ctrl held, in `window`, through the program's message loop.
  void CtrlKey(HWND window, WPARAM key) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostQuitMessage(0);
    RunMessageLoop();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  }
};

}  // namespace

TEST_F(History, UndoAndRedoOfAnAddedGroupShowInTheSavedFileTheModifiedMarkAndTheirKeys) {
  testsupport::TempDir dir(L"history-save");
  const std::wstring project = dir.File(L"history.kdp");
  EXPECT_FALSE(MenuEnabled(CWndMain::kUndo));
  EXPECT_FALSE(MenuEnabled(CWndMain::kRedo));
  AddGroupNamed(L"Titles");
  ASSERT_EQ(GroupCount(), 3);
  EXPECT_TRUE(MenuEnabled(CWndMain::kUndo));
  // Ctrl+Z and Ctrl+Y work from the view, but a window of its own (an editor's field) keeps them.
  CtrlKey(main_->View()->Hwnd(), 'Z');
  EXPECT_EQ(GroupCount(), 2);
  CtrlKey(main_->View()->Hwnd(), 'Y');
  EXPECT_EQ(GroupCount(), 3);
  HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
  CtrlKey(other, 'Z');
  EXPECT_EQ(GroupCount(), 3);
  DestroyWindow(other);
  SaveAs(project);
  EXPECT_FALSE(main_->IsModified());

  RunMainCommand(CWndMain::kUndo);
  EXPECT_EQ(main_->View()->Model().GroupCount(), 2);
  EXPECT_TRUE(main_->IsModified());  // the saved project has the group
  EXPECT_TRUE(MenuEnabled(CWndMain::kRedo));
  EXPECT_FALSE(MenuEnabled(CWndMain::kUndo));
  EXPECT_EQ(SaveAs(project).find("Titles"), std::string::npos);

  RunMainCommand(CWndMain::kRedo);
  EXPECT_TRUE(main_->IsModified());
  EXPECT_NE(SaveAs(project).find("Titles"), std::string::npos);
  // Undone back to the state last saved, the mark goes.
  RunMainCommand(CWndMain::kUndo);
  RunMainCommand(CWndMain::kRedo);
  EXPECT_FALSE(main_->IsModified());

  // New starts the history over.
  RunMainCommand(CWndMain::kNew);
  EXPECT_FALSE(MenuEnabled(CWndMain::kUndo));
  EXPECT_FALSE(MenuEnabled(CWndMain::kRedo));
}

TEST_F(History, EveryStateOfASeriesOfEditsComesBackExactly) {
  std::vector<std::wstring> states = {Snapshot()};
  AddGroupNamed(L"Extra");
  states.push_back(Snapshot());
  Drop(FixturePath(L"clip-mjpeg.avi"), PointAt(0, 1, 2 * kSecond));
  states.push_back(Snapshot());
  // Deleting a track through the view's object menu.
  PickFromMenus(CWndMain::kDelete);
  main_->OnNodeClick(WM_RBUTTONDOWN, &main_->View()->Model().Group(0).tracks[0]);
  ASSERT_EQ(TrackCount(0), 1);
  states.push_back(Snapshot());
  ASSERT_EQ(main_->History().Steps(), 3u);

  for (size_t i = states.size() - 1; i-- > 0;) {
    ASSERT_TRUE(main_->OnUndo()) << i;
    EXPECT_EQ(Snapshot(), states[i]) << i;
  }
  EXPECT_FALSE(main_->OnUndo());
  for (size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(main_->OnRedo()) << i;
    EXPECT_EQ(Snapshot(), states[i]) << i;
  }
  EXPECT_FALSE(main_->OnRedo());
}

TEST_F(History, DroppedMediaLandsUnderThePointerAndUnreadableFilesAreRefused) {
  const std::wstring clip = FixturePath(L"clip-mjpeg.avi");
  Drop(clip, PointAt(0, 1, 3 * kSecond));
  EXPECT_TRUE(g_asked.empty());
  // The picture on the track under the pointer, the sound on the first sound track, both at
  // the time under the pointer (within a pixel) and whole.
  ASSERT_EQ(Sources(0, 1).size(), 1u);
  ASSERT_EQ(Sources(1, 0).size(), 1u);
  const int64_t scale = main_->View()->Scale();
  for (const auto& source : {Sources(0, 1)[0], Sources(1, 0)[0]}) {
    REFERENCE_TIME start = 0, stop = 0, mediaStop = 0, mediaStart = -1;
    source->GetStartStop(&start, &stop);
    As<IAMTimelineSrc>(source.Get())->GetMediaTimes(&mediaStart, &mediaStop);
    EXPECT_NEAR(static_cast<double>(start / 10), 3.0 * kSecond, static_cast<double>(scale));
    EXPECT_NEAR(static_cast<double>((stop - start) / 10), 2.0 * kSecond, 0.1 * kSecond);
    EXPECT_EQ(mediaStart, 0);
    EXPECT_EQ(mediaStop, stop - start);
  }
  EXPECT_TRUE(main_->IsModified());
  ASSERT_EQ(main_->History().Steps(), 1u);  // one step for the whole drop

  // The same place again: the track has no room, so the clip gets a new track of its own.
  Drop(clip, PointAt(0, 1, 3 * kSecond));
  EXPECT_EQ(TrackCount(0), 3);
  EXPECT_EQ(Sources(0, 2).size(), 1u);

  testsupport::TempDir dir(L"history-drop");
  const std::wstring bad = dir.File(L"notes.avi");
  const char text[] = "no pictures here";
  ASSERT_TRUE(testsupport::WriteBytes(bad, text, sizeof text));
  const std::wstring before = Snapshot();
  const size_t steps = main_->History().Steps();
  Drop(bad, PointAt(0, 0, kSecond));
  ASSERT_EQ(g_asked.size(), 1u);
  EXPECT_EQ(g_asked[0].rfind(bad + L"\nCan't recognize media", 0), 0u) << Narrow(g_asked[0]);
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(main_->History().Steps(), steps);
}
