#pragma once
// Editors on the real main window, prompts answered through hooks, a fake user acting from a timer.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Before the program's COM helpers, whose As it would otherwise meet in its own inline code.
#include "EngineTestSupport.h"

#include "MediaTestFiles.h"
#include "TestSupport.h"
#include "app/AppInit.h"
#include "app/WndMain.h"
#include "services/ComUtil.h"
#include "timeline/GroupHelpers.h"
#include "timeline/WndTLModel.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/GridStr.h"
#include "ui/UserPrompts.h"

namespace editortest {

using enginetest::FixturePath;
using Microsoft::WRL::ComPtr;

inline std::vector<std::wstring> g_asked;                 // texts of the message boxes shown
inline int g_messageAnswer = IDOK;                        // the button the fake user presses
inline std::function<bool(OPENFILENAMEW*)> g_fileDialog;  // answers the file dialogs when set
inline std::function<UINT(HMENU)> g_menuPicker;           // chooses from the pop-up menus when set

inline int AnswerMessage(const MessageRequest& request) {
  g_asked.push_back(request.text);
  return g_messageAnswer;
}
inline bool AnswerFile(OPENFILENAMEW* request, bool) { return g_fileDialog && g_fileDialog(request); }
inline UINT AnswerMenu(HMENU menu, int, int, HWND) { return g_menuPicker ? g_menuPicker(menu) : 0; }
// Every file dialog hands out `path`; every menu chooses `command`.
inline void AnswerFilesWith(const std::wstring& path) {
  g_fileDialog = [path](OPENFILENAMEW* request) {
    wcsncpy(request->lpstrFile, path.c_str(), request->nMaxFile - 1);
    return true;
  };
}
inline void PickFromMenus(UINT command) {
  g_menuPicker = [command](HMENU) { return command; };
}

inline ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

inline std::wstring NameOf(IAMTimelineObj* object) {
  Bstr name;
  object->GetUserName(name.Out());
  return name.Text();
}
inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Runs `action` once `ready` holds, from the message loop of whichever modal window runs then.
inline std::map<UINT_PTR, std::function<bool()>> g_pending;  // by timer
inline void CALLBACK PollPending(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!g_pending.count(timer) || !g_pending[timer]()) return;
  KillTimer(nullptr, timer);
  g_pending.erase(timer);
}
inline void ActWhen(std::function<bool()> ready, std::function<void()> action) {
  g_pending[SetTimer(nullptr, 0, 20, &PollPending)] = [ready, action]() {
    if (!ready()) return false;
    action();
    return true;
  };
}
// The same on the first visible top-level window of `className` of this thread, once it shows.
inline void ActWhenShown(const wchar_t* className, std::function<void(HWND)> action) {
  const std::wstring cls = className;
  auto shown = [cls]() {
    HWND window = FindWindowW(cls.c_str(), nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
  };
  ActWhen([shown]() { return shown() != nullptr; }, [shown, action]() { action(shown()); });
}
inline HWND NthChild(HWND parent, const wchar_t* cls, int n) {
  HWND child = nullptr;
  for (int i = 0; i <= n; ++i) child = FindWindowExW(parent, child, cls, nullptr);
  return child;
}
inline void Click(CButton* button) { SendMessageW(button->Hwnd(), BM_CLICK, 0, 0); }
// Dispatches this thread's messages until `done` holds (when given) or `ms` have passed.
inline void PumpUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!(done && done()) && GetTickCount() - start < ms) {
    testsupport::PumpMessages();
    Sleep(5);
  }
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
  ASSERT_GE(item, 0) << "no item " << Narrow(text);
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

// A grid row's cells, joined by '|'.
inline std::wstring RowText(const CGridStr* grid, int row) {
  std::wstring text;
  for (int column = 0; column < static_cast<int>(grid->ColumnCount()); ++column) {
    const wchar_t* cell = grid->GetCellText(column, row);
    text += (column ? L"|" : L"") + std::wstring(cell ? cell : L"");
  }
  return text;
}
// The user's entry in the cell being edited, typed or chosen from its list, then Enter.
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

inline void CALLBACK CancelStuckEditors(HWND, UINT, UINT_PTR, DWORD) {
  for (const wchar_t* cls : {L"WndTLGroup", L"WndTLTrack", L"WndTLSource"})
    if (HWND editor = FindWindowW(cls, nullptr)) PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
}

class EditorTest : public testing::Test {
 protected:
  void SetUp() override {
    watchdog_ = SetTimer(nullptr, 0, 15000, &CancelStuckEditors);
    g_asked.clear();
    g_messageAnswer = IDOK;
    g_fileDialog = nullptr;
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
  long TrackCount(long group) { return enginetest::Get(Group(group), &IAMTimelineComp::VTrackGetCount); }
  ComPtr<IAMTimelineObj> Track(long group, long index) {
    ComPtr<IAMTimelineObj> track;
    if (auto comp = As<IAMTimelineComp>(Group(group).Get())) comp->GetVTrack(&track, index);
    return track;
  }
  enginetest::Nodes Sources(long group, long track) { return enginetest::SourcesOf(Track(group, track).Get()); }
  ComPtr<IAMTimelineObj> AddGroup(const TLGroupDesc& desc) {
    ComPtr<IAMTimelineObj> group;
    EXPECT_EQ(CreateGroup(Timeline(), group.GetAddressOf(), desc), S_OK);
    return group;
  }
  // A source on a track from `start` to `stop`, playing its media from the media's start.
  ComPtr<IAMTimelineObj> AddClip(const ComPtr<IAMTimelineObj>& track, const std::wstring& media, REFERENCE_TIME start,
                                 REFERENCE_TIME stop) {
    ComPtr<IAMTimelineObj> source;
    Timeline()->CreateEmptyNode(&source, TIMELINE_MAJOR_TYPE_SOURCE);
    source->SetStartStop(start, stop);
    As<IAMTimelineSrc>(source.Get())->SetMediaName(Bstr(media));
    As<IAMTimelineSrc>(source.Get())->SetMediaTimes(0, stop - start);
    EXPECT_EQ(As<IAMTimelineTrack>(track.Get())->SrcAdd(source.Get()), S_OK);
    return source;
  }
  // An effect or transition of a filter on a group's first track, from the start to `stop`.
  ComPtr<IAMTimelineObj> AddEffect(bool effect, const GUID& filter, long group, REFERENCE_TIME stop) {
    ComPtr<IAMTimelineObj> object;
    Timeline()->CreateEmptyNode(&object, effect ? TIMELINE_MAJOR_TYPE_EFFECT : TIMELINE_MAJOR_TYPE_TRANSITION);
    object->SetSubObjectGUID(filter);
    object->SetStartStop(0, stop);
    ComPtr<IAMTimelineObj> t = Track(group, 0);
    EXPECT_EQ(effect ? As<IAMTimelineEffectable>(t.Get())->EffectInsBefore(object.Get(), -1)
                     : As<IAMTimelineTransable>(t.Get())->TransAdd(object.Get()),
              S_OK);
    return object;
  }
  // A menu command of the main window; an editor it opens runs modally until the fake user ends it.
  void RunMainCommand(UINT command) { SendMessageW(main_->Hwnd(), WM_COMMAND, MAKEWPARAM(command, 0), 0); }

  CWndMain* main_ = nullptr;
  UserPromptHooks previous_;
  UINT_PTR watchdog_ = 0;
};

// An editor window of class E, owned by the main window and destroyed with the test.
template <class E>
class EditorWindowTest : public EditorTest {
 protected:
  void TearDown() override {
    Forget();
    EditorTest::TearDown();
  }
  template <class... Args>
  E* Make(Args&&... args) {
    Forget();
    editor_ = new E(std::forward<Args>(args)...);
    EXPECT_EQ(editor_->Create(main_->Hwnd(), GetModuleHandleW(nullptr)), 0u);
    return editor_;
  }
  void Forget() {
    if (editor_) editor_->Destroy(true);
    editor_ = nullptr;
  }
  // The modal run ended by `command`, or by Cancel when the editor refuses it.
  int Close(UINT command = IDOK) {
    PostMessageW(editor_->Hwnd(), WM_COMMAND, command, 0);
    PostMessageW(editor_->Hwnd(), WM_COMMAND, IDCANCEL, 0);
    return editor_->RunModal();
  }
  bool OkEnabled() { return IsWindowEnabled(editor_->OkButton()->Hwnd()) != FALSE; }

  E* editor_ = nullptr;
};

}  // namespace editortest
