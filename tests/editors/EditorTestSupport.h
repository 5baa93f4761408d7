#pragma once
// The editors under test run on the real main window's timeline. Messages and file dialogs are
// answered through the prompt hooks; a fake user acts on a modal window from a timer once the
// window shows; a watchdog cancels any editor still open after a while, so that a dialog that
// refuses to close fails its test instead of waiting for good.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "app/AppInit.h"
#include "app/WndMain.h"
#include "services/ComUtil.h"
#include "timeline/WndTLModel.h"
#include "ui/ComboBox.h"
#include "ui/GridStr.h"
#include "ui/UserPrompts.h"

namespace editortest {

using Microsoft::WRL::ComPtr;

inline std::vector<std::wstring> g_asked;                 // texts of the message boxes shown
inline int g_messageAnswer = IDOK;                        // the button the fake user presses
inline std::vector<std::wstring> g_fileAnswers;           // paths the open dialog hands out, in turn
inline std::function<bool(OPENFILENAMEW*)> g_fileDialog;  // answers the file dialogs when set
inline UINT g_menuChoice = 0;
inline std::function<UINT(HMENU)> g_menuPicker;  // looks at the menu and chooses, when set

inline int AnswerMessage(const MessageRequest& request) {
  g_asked.push_back(request.text);
  return g_messageAnswer;
}
inline bool AnswerFile(OPENFILENAMEW* request, bool) {
  if (g_fileDialog) return g_fileDialog(request);
  if (g_fileAnswers.empty()) return false;
  wcsncpy(request->lpstrFile, g_fileAnswers.front().c_str(), request->nMaxFile - 1);
  g_fileAnswers.erase(g_fileAnswers.begin());
  return true;
}
inline UINT AnswerMenu(HMENU menu, int, int, HWND) { return g_menuPicker ? g_menuPicker(menu) : g_menuChoice; }

inline ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

inline std::wstring NameOf(IAMTimelineObj* object) {
  Bstr name;
  object->GetUserName(name.Out());
  return name.Text();
}

inline std::wstring FixturePath(const std::wstring& name) {
  return testsupport::ExeDir() + L"\\media-fixtures\\" + name;
}

// Runs `action` on the first visible top-level window of `className` (and `title`, when given)
// of this thread, once it shows.
inline std::vector<std::pair<UINT_PTR, std::function<bool()>>> g_pending;
inline void CALLBACK PollPending(HWND, UINT, UINT_PTR timer, DWORD) {
  for (size_t i = 0; i < g_pending.size(); ++i) {
    if (g_pending[i].first != timer) continue;
    auto attempt = g_pending[i].second;
    if (attempt()) {
      KillTimer(nullptr, timer);
      g_pending.erase(g_pending.begin() + static_cast<ptrdiff_t>(i));
    }
    return;
  }
}
inline void ActWhenShown(const wchar_t* className, std::function<void(HWND)> action, const wchar_t* title = nullptr) {
  const std::wstring cls = className;
  const std::wstring text = title ? title : L"";
  auto attempt = [cls, text, action]() {
    HWND window = FindWindowW(cls.c_str(), text.empty() ? nullptr : text.c_str());
    if (!window || !IsWindowVisible(window)) return false;
    action(window);
    return true;
  };
  g_pending.emplace_back(SetTimer(nullptr, 0, 20, &PollPending), attempt);
}

// Posts a notification from a control to its parent, as the control does when the user acts.
inline void Notify(HWND control, UINT code) {
  PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}
// Picks an item, as a click in the drop-down list does, by position or by its text.
inline void Choose(HWND combo, int item) {
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}
inline void Choose(CComboBox* combo, int item) { Choose(combo->Hwnd(), item); }
inline void PickItem(HWND combo, const wchar_t* text) {
  const LRESULT item = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  ASSERT_GE(item, 0) << "no item " << std::string(text, text + wcslen(text));
  Choose(combo, static_cast<int>(item));
}
inline std::vector<std::wstring> ComboItems(const CComboBox* combo) {
  std::vector<std::wstring> items;
  for (int i = 0; i < combo->Count(); ++i) {
    std::wstring text(256, L'\0');
    text.resize(SendMessageW(combo->Hwnd(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data())));
    items.push_back(text);
  }
  return items;
}

inline std::wstring CellText(const CGridStr* grid, int column, int row) {
  const wchar_t* text = grid->GetCellText(column, row);
  return text ? text : L"";
}
// The user's entry in the cell being edited: typed, or chosen where the editor is a list, then
// Enter, which stores it.
inline void EnterInEditor(CGridStr* grid, const wchar_t* text) {
  ASSERT_NE(grid->Editor(), nullptr);
  const HWND editor = grid->Editor()->Hwnd();
  if ((GetWindowLongW(editor, GWL_STYLE) & CBS_DROPDOWNLIST) == CBS_DROPDOWNLIST)
    SendMessageW(editor, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  else
    SetWindowTextW(editor, text);
  SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(grid->Editor(), nullptr);
}
// The same in a given cell, reached from the program.
inline void TypeIntoCell(CGridStr* grid, int column, int row, const wchar_t* text) {
  ASSERT_EQ(grid->SetCurrentCell(column, row), 0);
  ASSERT_EQ(grid->BeginEdit(), 0);
  EnterInEditor(grid, text);
}

inline const wchar_t* const kEditorClasses[] = {L"WndTLGroup", L"WndTLTrack", L"WndTLSource"};
inline void CALLBACK CancelStuckEditors(HWND, UINT, UINT_PTR, DWORD) {
  for (const wchar_t* cls : kEditorClasses)
    if (HWND editor = FindWindowW(cls, nullptr)) PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
}

class EditorTest : public testing::Test {
 protected:
  void SetUp() override {
    watchdog_ = SetTimer(nullptr, 0, 15000, &CancelStuckEditors);
    g_asked.clear();
    g_messageAnswer = IDOK;
    g_fileAnswers.clear();
    g_fileDialog = nullptr;
    g_menuChoice = 0;
    g_menuPicker = nullptr;
    previous_ = SetUserPromptHooks({&AnswerMessage, &AnswerFile, &AnswerMenu});
    main_ = new CWndMain();
    ASSERT_EQ(main_->Create(nullptr, GetModuleHandleW(nullptr)), 0u);
    InitializeApplication(*main_);
    ASSERT_NE(main_->Timeline(), nullptr);
    ASSERT_EQ(GroupCount(), 2);
  }
  void TearDown() override {
    KillTimer(nullptr, watchdog_);
    for (auto& pending : g_pending) KillTimer(nullptr, pending.first);
    g_pending.clear();
    if (IsWindow(main_->Hwnd())) SendMessageW(main_->Hwnd(), WM_CLOSE, 0, 0);
    main_->Destroy(true);
    testsupport::PumpMessages();
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    SetUserPromptHooks(previous_);
  }

  IAMTimeline* Timeline() { return main_->Timeline(); }
  long GroupCount() {
    long count = 0;
    Timeline()->GetGroupCount(&count);
    return count;
  }
  ComPtr<IAMTimelineObj> Group(long index) {
    ComPtr<IAMTimelineObj> group;
    Timeline()->GetGroup(&group, index);
    return group;
  }
  long TrackCount(long group) {
    long count = 0;
    if (auto comp = As<IAMTimelineComp>(Group(group).Get())) comp->VTrackGetCount(&count);
    return count;
  }
  ComPtr<IAMTimelineObj> Track(long group, long index) {
    ComPtr<IAMTimelineObj> track;
    if (auto comp = As<IAMTimelineComp>(Group(group).Get())) comp->GetVTrack(&track, index);
    return track;
  }
  // The sources of a track, in time order.
  std::vector<ComPtr<IAMTimelineObj>> Sources(long group, long track) {
    std::vector<ComPtr<IAMTimelineObj>> sources;
    auto t = As<IAMTimelineTrack>(Track(group, track).Get());
    REFERENCE_TIME at = 0;
    ComPtr<IAMTimelineObj> source;
    while (t && t->GetNextSrc(&source, &at) == S_OK) sources.push_back(std::move(source));
    return sources;
  }
  // A menu command of the main window; an editor it opens runs modally until the fake user ends it.
  void RunMainCommand(UINT command) { SendMessageW(main_->Hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }
  // The object menu's Properties on a node of the view.
  void RunProperties(TLNode* node) {
    g_menuChoice = CWndMain::kProperties;
    main_->OnNodeClick(WM_RBUTTONDOWN, node);
  }

  CWndMain* main_ = nullptr;
  UserPromptHooks previous_;
  UINT_PTR watchdog_ = 0;
};

}  // namespace editortest
