#include "timeline/ComboFill.h"

#include <wrl/client.h>

#include "core/IntText.h"
#include "core/OwnedText.h"
#include "timeline/GroupHelpers.h"
#include "services/ComUtil.h"

using Microsoft::WRL::ComPtr;

namespace {}  // namespace

int FillGroupCombo(IAMTimeline* timeline, CComboBox* combo, const GUID& majorType) {
  if (!timeline || !combo) return 0;
  long count = 0;
  if (FAILED(timeline->GetGroupCount(&count))) return 0;
  int listed = 0;
  for (long g = 0; g < count; ++g) {
    ComPtr<IAMTimelineObj> object;
    ComPtr<IAMTimelineGroup> group;
    if (FAILED(timeline->GetGroup(&object, g)) || !object || FAILED(object.As(&group))) continue;
    if (majorType != GUID_NULL) {
      AM_MEDIA_TYPE type = {};
      if (FAILED(group->GetMediaType(&type))) continue;
      bool match = type.majortype == majorType;
      FreeMediaTypeContent(&type);
      if (!match) continue;
    }
    Bstr name;
    object->GetUserName(name.Out());
    if (!name.Get()) continue;
    int item = combo->AddString(name.Get());
    if (item < 0) continue;
    combo->SetItemData(item, static_cast<int>(g));
    ++listed;
  }
  return listed;
}

int FillTrackCombo(IAMTimeline* timeline, int groupIndex, CComboBox* combo) {
  if (!combo) return -1;
  combo->Clear();
  if (!timeline || groupIndex < 0) return -1;
  ComPtr<IAMTimelineObj> object;
  ComPtr<IAMTimelineGroup> group;
  if (FAILED(timeline->GetGroup(&object, groupIndex)) || !object || FAILED(object.As(&group))) return -1;
  ComPtr<IAMTimelineComp> comp;
  long count = 0;
  if (FAILED(object.As(&comp)) || FAILED(comp->VTrackGetCount(&count))) return 0;
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> track;
    Bstr name;
    if (SUCCEEDED(comp->GetVTrack(&track, i)) && track) track->GetUserName(name.Out());
    // Editors read combo positions as track indexes, so a track without a name still
    // needs its item; the parentheses tell it from a name.
    OwnedText placeholder(L"(track ", IntText(static_cast<int32_t>(i)).get(), L")");
    combo->AddString(name.Get() && name.Get()[0] ? name.Get() : placeholder.get());
    combo->SetItemData(static_cast<int>(i), static_cast<int>(i));
  }
  return static_cast<int>(count);
}
