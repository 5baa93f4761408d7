#pragma once
// What every object editor shares: the name, locked and muted controls of one timeline object,
// and moving them between the controls and the object.
#include <wrl/client.h>

#include <string>

#include "services/EditingServices.h"
#include "ui/WinContainer.h"

class CCheckBox;
class CComboBox;
class CEdit;
class CStaticText;
class CWinCtl;
class CWindow;

class CTLObjEdit {
 public:
  static constexpr int kNoObject = -1;

  // Puts a new control of the editor's window at its place and hands it to the window.
  template <class Control>
  static Control* Place(CWinContainer* container, Control* control, int x, int y, int width, int height) {
    control->Move(x, y);
    control->Resize(width, height);
    container->AddChild(control);
    return control;
  }

  // A one-line label, 15 pixels high.
  static CStaticText* AddLabel(CWinContainer* container, HINSTANCE instance, const wchar_t* text, int x, int y,
                               int width);
  // A drop-down list in the editors' style, 20 pixels high, items in the order added.
  static CComboBox* AddCombo(CWinContainer* container, HINSTANCE instance, int x, int y, int width);
  // The value of the selected item; 0 when nothing is selected.
  static int SelectedData(const CComboBox* combo);
  // Selects the first item whose value is `data`; clears the selection when there is none.
  static bool SelectData(CComboBox* combo, int data);

  // Answers an OK that cannot be carried out: tells the user why and keeps the dialog open.
  // A later close box then cancels instead of trying the same thing again. Returns the
  // close request's refusal.
  static int RefuseClose(CWindow* dialog, const std::wstring& why);

  CTLObjEdit() = default;
  virtual ~CTLObjEdit() = default;
  CTLObjEdit(const CTLObjEdit&) = delete;
  CTLObjEdit& operator=(const CTLObjEdit&) = delete;

  // Adds the name edit and the two check boxes to the container, from (x, y), `width` wide.
  virtual void CreateControls(CWinContainer* container, HINSTANCE instance, int x, int y, int width);
  // Object to controls; kNoObject without an object.
  virtual int LoadFromObject();
  // Controls to object; kNoObject without an object.
  virtual int SaveToObject();
  virtual int SetObject(IAMTimeline* timeline, IAMTimelineObj* object);

  IAMTimeline* Timeline() const { return timeline_; }
  IAMTimelineObj* Object() const { return object_.Get(); }
  CEdit* NameEdit() const { return nameEdit_; }
  CCheckBox* LockedBox() const { return locked_; }
  CCheckBox* MutedBox() const { return muted_; }
  // The control the next one goes below.
  CWinCtl* LastControl() const { return last_; }

 protected:
  static bool IsChecked(const CCheckBox* box);
  static void SetChecked(CCheckBox* box, bool checked);

  IAMTimeline* timeline_ = nullptr;  // not owned: the main window keeps it for the editor's life
  // Held while editing, so that the object outlives a delete elsewhere during the modal run.
  Microsoft::WRL::ComPtr<IAMTimelineObj> object_;
  // Owned by the container they were added to.
  CStaticText* nameLabel_ = nullptr;
  CEdit* nameEdit_ = nullptr;
  CCheckBox* locked_ = nullptr;
  CCheckBox* muted_ = nullptr;
  CWinCtl* last_ = nullptr;
};
