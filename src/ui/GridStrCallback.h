#pragma once
#include <windows.h>

class CGridStr;
class CWinCtl;

// How the owner of a grid takes part in it. The grid calls only the operations whose flag the
// owner has set in `flags`, so an owner overrides just what it needs.
class CGridStrCallback {
 public:
  enum Flags : DWORD {
    kNotifyCurrentCell = 1,
    kBeginEditBefore = 2,  // OnBeginEdit before the grid makes its own editor
    kBeginEditAfter = 4,   // OnBeginEdit again once the grid's editor exists
    kNotifyEndEdit = 8,
    kNotifyDeleteRow = 16,
  };

  virtual void OnCurrentCellChanged(CGridStr* /*grid*/) {}
  // The owner may create an editor over the current cell and store it in the slot (the grid
  // then owns it); a negative result vetoes the edit.
  virtual int OnBeginEdit(CGridStr* /*grid*/, CWinCtl** /*editor*/) { return 0; }
  // Called before the editor is destroyed; with commit set the cell already holds its text.
  virtual void OnEndEdit(CGridStr* /*grid*/, CWinCtl* /*editor*/, bool /*commit*/) {}
  // The row's user data is the owner's to free.
  virtual void OnDeleteRow(CGridStr* /*grid*/, unsigned /*row*/) {}

  DWORD flags = 0;

 protected:
  CGridStrCallback() = default;
  CGridStrCallback(const CGridStrCallback&) = default;
  CGridStrCallback& operator=(const CGridStrCallback&) = default;
  virtual ~CGridStrCallback() = default;
};
