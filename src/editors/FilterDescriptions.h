#pragma once
// The parameters of the effect and transition filters, as the description file DSF_desc.xml
// lists them, and the keyframes of a timeline object's property setter shown in a grid of four
// columns: name, value, start time, interpolation. A parameter takes one row per keyframe: its
// own row first, then one further row (its name repeated) for each further keyframe.
#include <msxml2.h>
#include <wrl/client.h>

#include <string>

#include "services/EditingServices.h"

class CComboBox;
class CGridStr;

// The user data of a parameter's rows.
struct ParamRowData {
  std::wstring valueList;  // the ValuesList offered when the value is edited; empty for none
  bool keyframe = false;   // a further keyframe of the parameter above, not the parameter's own row
};

class FilterDescriptions {
 public:
  enum Kind { kEffect = 1, kTransition = 2 };
  enum Column { kNameColumn = 0, kValueColumn, kTimeColumn, kInterpolationColumn };

  // Loads the description file: beside the program, else in the current folder. A file that is
  // missing or unreadable leaves no description (said once in the log).
  FilterDescriptions();
  // Loads a given file, for tests and other callers that keep their own.
  explicit FilterDescriptions(const std::wstring& path);

  bool Loaded() const { return loaded_; }

  // One row per described parameter of the filter; -1 without a description document.
  int LoadParameterRows(CGridStr* grid, const GUID& filter, int kind) const;
  // The items of a named value list; -1 without a description document.
  int LoadValueList(const std::wstring& name, CComboBox* combo) const;
  // The object's keyframes into the rows of the parameters they belong to (names compared
  // without regard to the case of ASCII letters); further keyframes get rows of their own.
  static void ReadPropertySetter(CGridStr* grid, IAMTimelineObj* object);
  // Replaces the object's keyframes with the rows. A parameter whose value cells are all empty
  // writes nothing, so that the filter keeps its own default for it.
  static void WritePropertySetter(CGridStr* grid, IAMTimelineObj* object);
  // Adds a keyframe row to the parameter of `row`, after its last, with that keyframe's value
  // and interpolation; returns the new row, or -1.
  static int AddKeyframeRow(CGridStr* grid, int row);
  // Removes a keyframe row; a parameter keeps at least its own row. False when nothing went.
  static bool RemoveKeyframeRow(CGridStr* grid, int row);

  // An attribute's value as text; empty when it is missing, not text or empty.
  static std::wstring GetAttribute(IXMLDOMNamedNodeMap* attributes, const wchar_t* name);

 private:
  void Load(const std::wstring& path);
  Microsoft::WRL::ComPtr<IXMLDOMNode> Select(const std::wstring& query) const;

  Microsoft::WRL::ComPtr<IXMLDOMDocument> document_;
  bool loaded_ = false;
};
