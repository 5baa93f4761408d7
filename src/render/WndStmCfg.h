#pragma once
// "Compressor capabilities": the output formats a compressor offers through IAMStreamConfig,
// one row each, the current one selected; OK sets the selected one.
#include <strmif.h>

#include <vector>

#include "services/MediaTypes.h"
#include "ui/WndDlg.h"

class CListView;
class CStaticText;

class CWndStmCfg : public CWndDlg {
 public:
  CWndStmCfg();
  ~CWndStmCfg() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnClose() override;

  // Lists the capabilities of the compressor (kept, not owned).
  HRESULT LoadCapabilities(IAMStreamConfig* config);

  CListView* List() const { return list_; }
  CStaticText* Status() const { return status_; }
  int RowCount() const;
  int SelectedRow() const;
  void SelectRow(int row);

 private:
  void Free();
  void AddColumns(const wchar_t* const* titles, const int* widths, int count);
  int AddRow(const std::vector<std::wstring>& cells, size_t capability);
  void UpdateStatus();

  IAMStreamConfig* config_ = nullptr;  // borrowed from the opener
  std::vector<OwnedMediaType> capabilities_;
  std::vector<size_t> rowCapability_;  // the capability each row shows
  OwnedMediaType current_;
  bool hasCurrent_ = false;
  int columns_ = 0;
  // Owned through the child list.
  CListView* list_ = nullptr;
  CStaticText* status_ = nullptr;
};
