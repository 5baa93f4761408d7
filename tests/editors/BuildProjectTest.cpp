// Projects built from MRQ's menus and real dialogs, saved and rendered; each node's editor.
#include "EditorTestSupport.h"
#include "ToolRun.h"
#include "editors/WndTLEffTrn.h"
#include "timeline/TLNode.h"
#include "timeline/TimeEdit.h"
#include "ui/WindowRegistry.h"

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

// Runs a main window command that opens the effect editor, and acts on the editor once shown.
void Edit(CWndMain* main, UINT command, std::function<void(CWndTLEffTrn*)> act) {
  ActWhenShown(L"WndTLEffectTransition", [act](HWND window) {
    auto* editor = dynamic_cast<CWndTLEffTrn*>(WindowRegistry::Find(window));
    if (editor) act(editor);
    PostMessageW(window, WM_COMMAND, IDOK, 0);
  });
  SendMessageW(main->Hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

}  // namespace

TEST_F(EditorTest, GroupTrackAndSourceMadeInTheEditorsAreSaved) {
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
  // The clip lasts two seconds (within a frame, by the detector's reading of the file).
  for (const char* expected : {"username=\"Clips\"", "width=\"320\"", "height=\"240\"", "username=\"Main\"", "clip.mp4",
                               "start=\"3\"", "stop=\"5", "mstart=\"0\""})
    EXPECT_NE(saved.find(expected), std::string::npos) << expected << "\n" << saved;
}

TEST_F(EditorTest, EveryKindOfNodeOpensItsEditorFromTheObjectMenu) {
  // A source, an effect and a transition on the video group's first track.
  AddClip(Track(0, 0), FixturePath(L"clip.mp4"), 0, 20000000);
  AddEffect(true, GUID_NULL, 0, 10000000);
  AddEffect(false, GUID_NULL, 0, 10000000);
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

TEST_F(EditorTest, ADissolveAndABrightnessRampSetInTheEditorRenderSo) {
  testsupport::TempDir dir(L"effect-render");
  const std::wstring red = dir.File(L"red.avi"), blue = dir.File(L"blue.avi");
  ASSERT_TRUE(enginetest::WriteColourAvi(red, 160, 120, 75, 25, [](int) { return 0xC00000u; }));
  ASSERT_TRUE(enginetest::WriteColourAvi(blue, 160, 120, 75, 25, [](int) { return 0x0000C0u; }));
  // Two clips overlapping by a second: red on the lower track from 0 to 3 s, blue above from 2 s.
  Timeline()->ClearAllGroups();
  TLGroupDesc desc = TLGroupDesc::DefaultVideo(2);
  desc.format = TLGroupDesc::VideoFormat(160, 120);
  AddGroup(desc);
  AddClip(Track(0, 0), red, 0, 30000000);
  AddClip(Track(0, 1), blue, 20000000, 50000000);
  main_->MarkModified();

  Edit(main_, CWndMain::kAddTransition, [](CWndTLEffTrn* editor) {
    editor->TrackList()->SetCurSel(1);
    editor->StartEdit()->SetTime(2 * kSecond);
    editor->StopEdit()->SetTime(3 * kSecond);
    PickItem(editor->FilterList()->Hwnd(), L"Dissolve");
  });
  Edit(main_, CWndMain::kAddEffect, [](CWndTLEffTrn* editor) {
    editor->TrackList()->SetCurSel(0);
    editor->StartEdit()->SetTime(0);
    editor->StopEdit()->SetTime(3 * kSecond);
    PickItem(editor->FilterList()->Hwnd(), L"Brightness and contrast");
    CGridStr* grid = editor->Grid();
    // Brightness from 0 at the start to 0.5 at two seconds, interpolated.
    TypeIntoCell(grid, 1, 0, L"0");
    TypeIntoCell(grid, 2, 0, L"000:00:00,000000");
    grid->SetCurrentCell(1, 0);
    FilterDescriptions::AddKeyframeRow(grid, 0);
    TypeIntoCell(grid, 1, 1, L"0.5");
    TypeIntoCell(grid, 2, 1, L"000:00:02,000000");
  });
  EXPECT_TRUE(g_asked.empty());

  const std::wstring project = dir.File(L"effects.kdp"), out = dir.File(L"effects.avi");
  AnswerFilesWith(project);
  RunMainCommand(CWndMain::kSaveAs);
  const toolrun::Outcome run = toolrun::Render(toolrun::Quoted(project) + L" " + toolrun::Quoted(out) + L" --quiet");
  ASSERT_EQ(run.code, 0u) << run.err;

  enginetest::AviReadBack avi(out);
  // The project plays at the group's 30 frames a second.
  ASSERT_GE(avi.VideoLength(), 150);
  const uint32_t early = avi.Pixel(15, 80, 60), later = avi.Pixel(45, 80, 60), mix = avi.Pixel(75, 80, 60),
                 end = avi.Pixel(120, 80, 60);
  // The red clip brightens along the ramp: about +32 at 0.5 s, +96 at 1.5 s on every channel.
  EXPECT_TRUE(enginetest::Near(early, 0xE02020, 12)) << std::hex << early;
  EXPECT_TRUE(enginetest::Near(later, 0xFF6060, 12)) << std::hex << later;
  // Half way through the dissolve both clips show; after it, the blue one alone.
  EXPECT_GT(mix >> 16 & 0xFF, 60u) << std::hex << mix;
  EXPECT_GT(mix & 0xFF, 60u) << std::hex << mix;
  EXPECT_TRUE(enginetest::Near(end, 0x0000C0, 8)) << std::hex << end;
}
