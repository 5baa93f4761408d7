// Effects and transitions set in the editor, as a user does, saved, and rendered by the
// command-line renderer: the frames show what the editor was told.
#include "EditorTestSupport.h"
#include "ToolRun.h"
#include "editors/WndTLEffTrn.h"
#include "timeline/TimeEdit.h"
#include "ui/WindowRegistry.h"

using namespace editortest;

namespace {

constexpr int64_t kSecond = 1000000;

int Red(uint32_t c) { return static_cast<int>(c >> 16 & 0xFF); }
int Green(uint32_t c) { return static_cast<int>(c >> 8 & 0xFF); }
int Blue(uint32_t c) { return static_cast<int>(c & 0xFF); }

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
  EXPECT_NEAR(Green(early), 32, 12) << std::hex << early;
  EXPECT_NEAR(Green(later), 96, 12) << std::hex << later;
  EXPECT_GT(Red(later), Red(early));
  // Half way through the dissolve both clips show; after it, the blue one alone.
  EXPECT_GT(Red(mix), 60) << std::hex << mix;
  EXPECT_GT(Blue(mix), 60) << std::hex << mix;
  EXPECT_LT(Red(end), 16) << std::hex << end;
  EXPECT_NEAR(Blue(end), 0xC0, 8) << std::hex << end;
}
