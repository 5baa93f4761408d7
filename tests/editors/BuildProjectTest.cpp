// A project built in MRQ from its menus, as a user does it on the real windows: a group, a track
// in it, and a source whose file is picked in the real Open dialog; saved through the real Save
// dialog and opened again; and the editor each kind of node opens from the view's object menu.
#include "EditorTestSupport.h"
#include "timeline/TLNode.h"

using namespace editortest;

namespace {

constexpr int64_t kSecond = 1000000;

// Types a path into the common file dialog's name box and presses its OK button.
void AnswerFileDialog(const std::wstring& path) {
  ActWhenShown(L"#32770", [path](HWND dialog) {
    HWND name = GetDlgItem(dialog, 1148);  // the file name combo box of the Explorer-style dialog
    if (!name) name = GetDlgItem(dialog, 1152);
    SetWindowTextW(name, path.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  });
}

}  // namespace

TEST_F(EditorTest, GroupTrackAndSourceMadeInTheEditorsAreSavedAndOpenedAgain) {
  SetUserPromptHooks({&AnswerMessage, nullptr, &AnswerMenu});  // the real file dialogs
  testsupport::TempDir dir(L"build-project");
  const std::wstring project = dir.File(L"made.kdp");

  ActWhenShown(L"WndTLGroup", [](HWND editor) {
    SetWindowTextW(NthChild(editor, L"Edit", 0), L"Clips");
    SetWindowTextW(NthChild(editor, L"Edit", 1), L"320");
    SetWindowTextW(NthChild(editor, L"Edit", 2), L"240");
    PostMessageW(editor, WM_COMMAND, IDOK, 0);
  });
  RunMainCommand(CWndMain::kAddGroup);

  ActWhenShown(L"WndTLTrack", [](HWND editor) {
    PickItem(NthChild(editor, L"ComboBox", 0), L"Clips");
    SetWindowTextW(NthChild(editor, L"Edit", 0), L"Main");
    PostMessageW(editor, WM_COMMAND, IDOK, 0);
  });
  RunMainCommand(CWndMain::kAddTrack);

  main_->View()->SetCursorTime(3 * kSecond);
  const std::wstring clip = FixturePath(L"clip.mp4");
  ActWhenShown(L"WndTLSource", [&](HWND editor) {
    PickItem(NthChild(editor, L"ComboBox", 0), L"Clips");
    PickItem(NthChild(editor, L"ComboBox", 1), L"Main");
    AnswerFileDialog(clip);
    PostMessageW(FindWindowExW(editor, nullptr, L"Button", L"..."), BM_CLICK, 0, 0);
    // Once the file's streams are listed (the third combo box), the user confirms.
    ActWhen([editor]() { return SendMessageW(NthChild(editor, L"ComboBox", 2), CB_GETCOUNT, 0, 0) > 0; },
            [editor]() { PostMessageW(editor, WM_COMMAND, IDOK, 0); });
  });
  RunMainCommand(CWndMain::kAddSource);
  EXPECT_TRUE(g_asked.empty()) << (g_asked.empty() ? "" : Narrow(g_asked[0]));
  ASSERT_EQ(GroupCount(), 3);
  ASSERT_EQ(Sources(2, 1).size(), 1u);  // a new group comes with a track of its own
  EXPECT_TRUE(main_->IsModified());

  AnswerFileDialog(project);
  RunMainCommand(CWndMain::kSaveAs);
  EXPECT_FALSE(main_->IsModified());
  const std::string saved = testsupport::ReadText(project);
  for (const char* expected : {"username=\"Clips\"", "width=\"320\"", "height=\"240\"", "username=\"Main\"", "clip.mp4",
                               "start=\"3\"", "mstart=\"0\""})
    EXPECT_NE(saved.find(expected), std::string::npos) << expected << "\n" << saved;

  ASSERT_EQ(main_->OnOpen(project.c_str()), 0);
  CTLModel& model = main_->View()->Model();
  ASSERT_EQ(model.GroupCount(), 3);
  const TLNode& group = model.Group(2);
  ASSERT_EQ(group.tracks.size(), 2u);
  ASSERT_EQ(group.tracks[1].sources.size(), 1u);
  const TLNode& source = group.tracks[1].sources[0];
  EXPECT_EQ(source.start, 3 * kSecond);
  // The clip lasts two seconds (within a frame, by the detector's reading of the file).
  EXPECT_NEAR(static_cast<double>(source.stop), 5.0 * kSecond, 0.1 * kSecond);
  EXPECT_EQ(source.name, clip);  // a source without a name shows its file
}

TEST_F(EditorTest, EveryKindOfNodeOpensItsEditorFromTheObjectMenu) {
  // A source, an effect and a transition on the video group's first track.
  ComPtr<IAMTimelineObj> track = Track(0, 0), effect, transition;
  AddClip(track, FixturePath(L"clip.mp4"), 0, 20000000);
  Timeline()->CreateEmptyNode(&effect, TIMELINE_MAJOR_TYPE_EFFECT);
  effect->SetStartStop(0, 10000000);
  ASSERT_EQ(As<IAMTimelineEffectable>(track.Get())->EffectInsBefore(effect.Get(), -1), S_OK);
  Timeline()->CreateEmptyNode(&transition, TIMELINE_MAJOR_TYPE_TRANSITION);
  transition->SetStartStop(0, 10000000);
  ASSERT_EQ(As<IAMTimelineTransable>(track.Get())->TransAdd(transition.Get()), S_OK);
  main_->MarkModified();
  const size_t steps = main_->History().Steps();

  TLNode& group = main_->View()->Model().Group(0);
  TLNode& first = group.tracks[0];
  ASSERT_EQ(first.sources.size(), 1u);
  const struct {
    TLNode* node;
    const wchar_t* window;
    const wchar_t* title;
  } kinds[] = {{&group, L"WndTLGroup", L"Timeline group"},
               {&first, L"WndTLTrack", L"Timeline track"},
               {&first.sources[0], L"WndTLSource", L"Timeline source"},
               {&first.effects.at(0), L"WndTLEffectTransition", L"Timeline effect"},
               {&first.transitions.at(0), L"WndTLEffectTransition", L"Timeline transition"}};
  PickFromMenus(CWndMain::kProperties);
  for (const auto& kind : kinds) {
    std::wstring title(64, L'\0');
    ActWhenShown(kind.window, [&](HWND editor) {
      title.resize(GetWindowTextW(editor, title.data(), 64));
      PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
    });
    main_->OnNodeClick(WM_RBUTTONDOWN, kind.node);
    EXPECT_EQ(title, kind.title);
  }
  // Cancelled everywhere: nothing changed.
  EXPECT_EQ(main_->History().Steps(), steps);
}
