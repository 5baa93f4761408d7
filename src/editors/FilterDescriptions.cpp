#include "editors/FilterDescriptions.h"

#include <oleauto.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "core/FilterCatalog.h"
#include "core/LogFile.h"
#include "core/ResolvePath.h"
#include "services/ComUtil.h"
#include "services/XmlDocument.h"
#include "timeline/TimeCode.h"
#include "ui/ComboBox.h"
#include "ui/GridStr.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kFileName[] = L"DSF_desc.xml";
constexpr wchar_t kJump[] = L"Jump";
constexpr wchar_t kInterpolate[] = L"Interpolate";
std::atomic<bool> g_toldMissing{false};

// A row as text and data, for rebuilding the rows of a grid.
struct RowCopy {
  std::wstring cells[4];
  bool hasData = false;
  ParamRowData data;
};

ParamRowData* DataOf(const CGridStr* grid, int row) { return static_cast<ParamRowData*>(grid->GetRowData(row)); }

std::wstring Cell(const CGridStr* grid, int column, int row) {
  const wchar_t* text = grid->GetCellText(column, row);
  return text ? text : L"";
}

std::vector<RowCopy> CopyRows(const CGridStr* grid) {
  std::vector<RowCopy> rows(grid->RowCount());
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < 4; ++c) rows[r].cells[c] = Cell(grid, c, r);
    if (const ParamRowData* data = DataOf(grid, r)) {
      rows[r].hasData = true;
      rows[r].data = *data;
    }
  }
  return rows;
}

// Puts the rows back; the owner frees the old rows' data as they go.
void Refill(CGridStr* grid, const std::vector<RowCopy>& rows, int currentColumn, int currentRow) {
  grid->LockUpdate();
  grid->DeleteAllRows();
  if (!rows.empty()) grid->InsertRows(0, static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    for (int c = 0; c < 4; ++c)
      if (!rows[r].cells[c].empty()) grid->SetCellText(c, r, rows[r].cells[c].c_str());
    if (rows[r].hasData) grid->SetRowData(r, new ParamRowData(rows[r].data));
  }
  grid->UnlockUpdate();
  if (currentRow >= 0 && currentRow < static_cast<int>(rows.size())) grid->SetCurrentCell(currentColumn, currentRow);
}

std::wstring Upper(std::wstring text) {
  RaiseAscii(text);
  return text;
}

// A keyframe's value as the user reads and types it. Numbers are written with a dot, as the
// filters read them, whatever the user's locale.
std::wstring ValueText(const VARIANT& value) {
  if (value.vt == VT_BSTR) return value.bstrVal ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal)) : L"";
  VARIANT text;
  VariantInit(&text);
  std::wstring result;
  if (SUCCEEDED(VariantChangeTypeEx(&text, const_cast<VARIANT*>(&value), LOCALE_INVARIANT, 0, VT_BSTR)) && text.bstrVal)
    result.assign(text.bstrVal, SysStringLen(text.bstrVal));
  VariantClear(&text);
  return result;
}

ComPtr<IPropertySetter> SetterOf(IAMTimelineObj* object) {
  ComPtr<IPropertySetter> setter;
  if (FAILED(object->GetPropertySetter(&setter)) || !setter) {
    if (FAILED(CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                reinterpret_cast<void**>(setter.ReleaseAndGetAddressOf()))))
      return nullptr;
    object->SetPropertySetter(setter.Get());
  }
  return setter;
}

// The rows of the parameter that `row` belongs to: [first, end).
void ParameterBlock(const CGridStr* grid, int row, int* first, int* end) {
  int f = row;
  while (f > 0 && DataOf(grid, f) && DataOf(grid, f)->keyframe) --f;
  int e = f + 1;
  while (e < static_cast<int>(grid->RowCount()) && DataOf(grid, e) && DataOf(grid, e)->keyframe) ++e;
  *first = f;
  *end = e;
}

}  // namespace

FilterDescriptions::FilterDescriptions() {
  wchar_t folder[kPathChars] = {};
  std::wstring path = kFileName;
  if (ExeDirectory(folder, kPathChars)) {
    const std::wstring beside = std::wstring(folder) + L"\\" + kFileName;
    if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) path = beside;
  }
  Load(path);
}

FilterDescriptions::FilterDescriptions(const std::wstring& path) { Load(path); }

void FilterDescriptions::Load(const std::wstring& path) {
  VARIANT_BOOL done = VARIANT_FALSE;
  if (SUCCEEDED(CreateXmlDocument(&document_))) {
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(path.c_str());
    document_->load(name, &done);
    VariantClear(&name);
  }
  loaded_ = done == VARIANT_TRUE && Select(L"DirectShowFilters");
  // Without descriptions the editor still works, with an empty parameter grid.
  if (!loaded_ && LogExists() && !g_toldMissing.exchange(true))
    WriteLog((L"The filter parameter descriptions cannot be read: " + path).c_str());
}

ComPtr<IXMLDOMNode> FilterDescriptions::Select(const std::wstring& query) const {
  ComPtr<IXMLDOMNode> node;
  if (document_) document_->selectSingleNode(Bstr(query), &node);
  return node;
}

std::wstring FilterDescriptions::GetAttribute(IXMLDOMNamedNodeMap* attributes, const wchar_t* name) {
  if (!attributes) return L"";
  ComPtr<IXMLDOMNode> item;
  if (FAILED(attributes->getNamedItem(Bstr(name), &item)) || !item) return L"";
  VARIANT value;
  VariantInit(&value);
  std::wstring text;
  if (SUCCEEDED(item->get_nodeValue(&value)) && value.vt == VT_BSTR && value.bstrVal)
    text.assign(value.bstrVal, SysStringLen(value.bstrVal));
  VariantClear(&value);
  return text;
}

namespace {

// Calls `visit` with each child element of `parent` named `name`, and its attributes.
template <class Visit>
void ForEachChild(IXMLDOMNode* parent, const wchar_t* name, Visit visit) {
  ComPtr<IXMLDOMNode> child;
  parent->get_firstChild(&child);
  while (child) {
    Bstr nodeName;
    child->get_nodeName(nodeName.Out());
    if (nodeName.Text() == name) {
      ComPtr<IXMLDOMNamedNodeMap> attributes;
      child->get_attributes(&attributes);
      visit(attributes.Get());
    }
    ComPtr<IXMLDOMNode> next;
    child->get_nextSibling(&next);
    child = next;
  }
}

}  // namespace

int FilterDescriptions::LoadParameterRows(CGridStr* grid, const GUID& filter, int kind) const {
  if (!loaded_) return -1;
  if (kind != kEffect && kind != kTransition) return 0;
  wchar_t id[40] = {};
  StringFromGUID2(filter, id, 40);
  ComPtr<IXMLDOMNode> match = Select(std::wstring(L"DirectShowFilters/") +
                                     (kind == kEffect ? L"Effect" : L"Transition") + L"[@GUID=\"" + id + L"\"]");
  if (!match) return 0;
  grid->LockUpdate();
  ForEachChild(match.Get(), L"Param", [&](IXMLDOMNamedNodeMap* attributes) {
    const std::wstring name = GetAttribute(attributes, L"Name");
    if (name.empty()) return;
    grid->InsertRows(-1, 1);
    const int row = static_cast<int>(grid->RowCount()) - 1;
    grid->SetCellText(kNameColumn, row, name.c_str());
    grid->SetRowData(row, new ParamRowData{GetAttribute(attributes, L"ValuesList"), false});
  });
  grid->UnlockUpdate();
  return 0;
}

int FilterDescriptions::LoadValueList(const std::wstring& name, CComboBox* combo) const {
  if (!loaded_) return -1;
  ComPtr<IXMLDOMNode> list = Select(L"DirectShowFilters/ValuesList[@Name=\"" + name + L"\"]");
  if (!list) return 0;
  combo->Clear();
  ForEachChild(list.Get(), L"Item", [&](IXMLDOMNamedNodeMap* attributes) {
    const std::wstring value = GetAttribute(attributes, L"Value");
    if (value.empty()) return;
    const std::wstring description = GetAttribute(attributes, L"Name");
    // An item showing a description keeps the value's length, so that choosing it leaves the
    // value alone in the edit part.
    const std::wstring text = description.empty() ? value : value + L": " + description;
    const int item = combo->AddString(text.c_str());
    if (item >= 0) combo->SetItemData(item, description.empty() ? 0 : static_cast<int>(value.size()));
  });
  return 0;
}

void FilterDescriptions::ReadPropertySetter(CGridStr* grid, IAMTimelineObj* object) {
  if (!object) return;
  ComPtr<IPropertySetter> setter = SetterOf(object);
  if (!setter) return;
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  if (FAILED(setter->GetProps(&count, &params, &values))) return;
  std::vector<RowCopy> rows = CopyRows(grid);
  size_t v = 0;
  for (LONG p = 0; p < count; ++p) {
    const LONG n = params[p].nValues;
    const std::wstring name = Upper(params[p].name ? std::wstring(params[p].name, SysStringLen(params[p].name)) : L"");
    auto own = std::find_if(rows.begin(), rows.end(), [&](const RowCopy& r) {
      return r.hasData && !r.data.keyframe && Upper(r.cells[kNameColumn]) == name;
    });
    if (own != rows.end() && n >= 1) {
      std::vector<RowCopy> keyframes;
      for (LONG i = 0; i < n; ++i) {
        const DEXTER_VALUE& value = values[v + static_cast<size_t>(i)];
        RowCopy row = i == 0 ? *own : RowCopy{};
        if (i > 0) {
          row.cells[kNameColumn] = own->cells[kNameColumn];
          row.hasData = true;
          row.data = {own->data.valueList, true};
        }
        row.cells[kValueColumn] = ValueText(value.v);
        row.cells[kTimeColumn] = FormatTimeCode(RefTimeToMicros(value.rt), kTimeCodeEditing);
        row.cells[kInterpolationColumn] = value.dwInterp == DEXTERF_JUMP          ? kJump
                                          : value.dwInterp == DEXTERF_INTERPOLATE ? kInterpolate
                                                                                  : L"";
        keyframes.push_back(std::move(row));
      }
      const size_t at = static_cast<size_t>(own - rows.begin());
      rows[at] = keyframes[0];
      rows.insert(rows.begin() + static_cast<ptrdiff_t>(at + 1), keyframes.begin() + 1, keyframes.end());
    }
    v += static_cast<size_t>(std::max<LONG>(n, 0));
  }
  setter->FreeProps(count, params, values);
  Refill(grid, rows, grid->CurrentColumn(), grid->CurrentRow());
}

void FilterDescriptions::WritePropertySetter(CGridStr* grid, IAMTimelineObj* object) {
  if (!object) return;
  ComPtr<IPropertySetter> setter = SetterOf(object);
  if (!setter) return;
  setter->ClearProps();
  const int rows = static_cast<int>(grid->RowCount());
  for (int r = 0; r < rows;) {
    const ParamRowData* data = DataOf(grid, r);
    if (!data || data->keyframe) {
      ++r;
      continue;
    }
    int first = r, end = r;
    ParameterBlock(grid, r, &first, &end);
    r = end;
    struct Keyframe {
      std::wstring value;
      REFERENCE_TIME time;
      DWORD interpolation;
    };
    std::vector<Keyframe> keyframes;
    for (int k = first; k < end; ++k) {
      // A keyframe without a value is none: the filter keeps its own default there.
      const std::wstring value = Cell(grid, kValueColumn, k);
      if (value.empty()) continue;
      keyframes.push_back(
          {value, MicrosToRefTime(static_cast<int64_t>(ParseTimeCode(grid->GetCellText(kTimeColumn, k)))),
           Cell(grid, kInterpolationColumn, k) == kInterpolate ? DWORD{DEXTERF_INTERPOLATE} : DWORD{DEXTERF_JUMP}});
    }
    if (keyframes.empty()) continue;
    // The property setter takes a parameter's values in time order.
    std::stable_sort(keyframes.begin(), keyframes.end(),
                     [](const Keyframe& a, const Keyframe& b) { return a.time < b.time; });
    std::vector<DEXTER_VALUE> values(keyframes.size());
    for (size_t i = 0; i < keyframes.size(); ++i) {
      VariantInit(&values[i].v);
      values[i].v.vt = VT_BSTR;
      values[i].v.bstrVal = SysAllocStringLen(keyframes[i].value.data(), static_cast<UINT>(keyframes[i].value.size()));
      values[i].rt = keyframes[i].time;
      values[i].dwInterp = keyframes[i].interpolation;
    }
    Bstr name(Cell(grid, kNameColumn, first));
    DEXTER_PARAM param = {name.Get(), 0, static_cast<LONG>(values.size())};
    setter->AddProp(param, values.data());
    for (DEXTER_VALUE& value : values) VariantClear(&value.v);
  }
}

int FilterDescriptions::AddKeyframeRow(CGridStr* grid, int row) {
  if (row < 0 || row >= static_cast<int>(grid->RowCount()) || !DataOf(grid, row)) return -1;
  int first = row, end = row;
  ParameterBlock(grid, row, &first, &end);
  const int last = end - 1;
  const std::wstring name = Cell(grid, kNameColumn, first), value = Cell(grid, kValueColumn, last),
                     time = Cell(grid, kTimeColumn, last);
  const ParamRowData data{DataOf(grid, first)->valueList, true};
  grid->LockUpdate();
  grid->InsertRows(end, 1);
  grid->SetCellText(kNameColumn, end, name.c_str());
  if (!value.empty()) grid->SetCellText(kValueColumn, end, value.c_str());
  if (!time.empty()) grid->SetCellText(kTimeColumn, end, time.c_str());
  grid->SetCellText(kInterpolationColumn, end, kInterpolate);
  grid->SetRowData(end, new ParamRowData(data));
  grid->UnlockUpdate();
  grid->SetCurrentCell(kTimeColumn, end);
  return end;
}

bool FilterDescriptions::RemoveKeyframeRow(CGridStr* grid, int row) {
  if (row < 0 || row >= static_cast<int>(grid->RowCount()) || !DataOf(grid, row)) return false;
  int first = row, end = row;
  ParameterBlock(grid, row, &first, &end);
  if (end - first < 2) return false;  // a parameter keeps its own row
  std::vector<RowCopy> rows = CopyRows(grid);
  // Its own row gone, the next keyframe takes its place.
  if (row == first) rows[static_cast<size_t>(row) + 1].data.keyframe = false;
  rows.erase(rows.begin() + row);
  Refill(grid, rows, kValueColumn, std::min(row, static_cast<int>(rows.size()) - 1));
  return true;
}
