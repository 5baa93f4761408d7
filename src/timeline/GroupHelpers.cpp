#include "timeline/GroupHelpers.h"

#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>
#include <wrl/client.h>

#include <cstring>

#include "core/IntText.h"
#include "core/OwnedText.h"
#include "services/GroupMediaTypes.h"
#include "services/MediaTypes.h"

using Microsoft::WRL::ComPtr;

namespace {

const GroupSubtype* FindSubtype(const TLGroupDesc& desc) {
  // Editors pass positions taken from the table's own lists; anything else is refused
  // rather than read past the table.
  if (desc.majorIndex < 0 || desc.subtypeIndex < 0) return nullptr;
  if (static_cast<size_t>(desc.majorIndex) >= kGroupMediaTypeCount) return nullptr;
  const GroupMediaType& entry = GroupMediaTypes[desc.majorIndex];
  if (desc.subtypeIndex >= entry.subtypeCount) return nullptr;
  return &entry.subtypes[desc.subtypeIndex];
}

}  // namespace

void FreeMediaTypeContent(AM_MEDIA_TYPE* type) {
  if (type) FreeMediaTypeContents(*type);
}

int BuildGroupMediaType(const TLGroupDesc& desc, AM_MEDIA_TYPE* type) {
  if (!type) return -1;
  std::memset(type, 0, sizeof *type);
  const GroupSubtype* subtype = FindSubtype(desc);
  if (!subtype) return -1;
  // The one builder of group types, which the model also checks against: a size of 0 or one
  // the model refuses is no type.
  GroupTypeFields fields;
  fields.video = *GroupMediaTypes[desc.majorIndex].major == MEDIATYPE_Video;
  fields.subtype = *subtype->subtype;
  if (fields.video) {
    fields.bitDepth = subtype->bitCount;
    fields.width = static_cast<LONG>(desc.format >> 16);
    fields.height = static_cast<LONG>(desc.format & 0xFFFF);
  } else {
    fields.bitDepth = 16;
    fields.channels = 2;
    fields.samplesPerSecond = desc.format;
  }
  return SUCCEEDED(BuildGroupType(fields, type)) ? 0 : -1;
}

HRESULT CreateGroup(IAMTimeline* timeline, IAMTimelineObj** group, const TLGroupDesc& desc) {
  if (!group) return E_POINTER;
  AM_MEDIA_TYPE type;
  if (BuildGroupMediaType(desc, &type) != 0) return E_INVALIDARG;

  ComPtr<IAMTimelineObj> object = *group;
  bool added = false;
  HRESULT hr = S_OK;
  if (!object) {
    if (!timeline) {
      FreeMediaTypeContent(&type);
      return E_POINTER;
    }
    hr = timeline->CreateEmptyNode(&object, TIMELINE_MAJOR_TYPE_GROUP);
    if (SUCCEEDED(hr)) hr = timeline->AddGroup(object.Get());
    added = SUCCEEDED(hr);
    ComPtr<IAMTimelineGroup> newGroup;
    if (SUCCEEDED(hr)) hr = object.As(&newGroup);
    if (SUCCEEDED(hr)) newGroup->SetPreviewMode(TRUE);
    ComPtr<IAMTimelineComp> comp;
    if (SUCCEEDED(hr)) hr = object.As(&comp);
    for (int i = 0; SUCCEEDED(hr) && i < desc.trackCount; ++i) {
      ComPtr<IAMTimelineObj> track;
      hr = timeline->CreateEmptyNode(&track, TIMELINE_MAJOR_TYPE_TRACK);
      if (FAILED(hr)) break;
      OwnedText name(L"Track_", IntText(i).get());
      BSTR text = SysAllocString(name);
      track->SetUserName(text);
      SysFreeString(text);
      hr = comp->VTrackInsBefore(track.Get(), -1);
    }
  }

  ComPtr<IAMTimelineGroup> groupPart;
  if (SUCCEEDED(hr)) hr = object.As(&groupPart);
  if (SUCCEEDED(hr)) hr = groupPart->SetMediaType(&type);
  FreeMediaTypeContent(&type);
  if (FAILED(hr)) {
    // Nobody would own a half-made group: take it out of the timeline again.
    if (added) object->RemoveAll();
    return hr;
  }

  BSTR name = desc.name.empty() ? nullptr : SysAllocString(desc.name.c_str());
  object->SetUserName(name);
  SysFreeString(name);
  object->SetLocked(desc.locked ? TRUE : FALSE);
  object->SetMuted(desc.muted ? TRUE : FALSE);

  if (!*group) *group = object.Detach();
  return S_OK;
}

GUID GetGroupMajorType(IAMTimeline* timeline, int groupIndex) {
  if (!timeline || groupIndex < 0) return GUID_NULL;
  ComPtr<IAMTimelineObj> object;
  ComPtr<IAMTimelineGroup> group;
  if (FAILED(timeline->GetGroup(&object, groupIndex)) || !object || FAILED(object.As(&group))) return GUID_NULL;
  AM_MEDIA_TYPE type = {};
  if (FAILED(group->GetMediaType(&type))) return GUID_NULL;
  GUID major = type.majortype;
  FreeMediaTypeContent(&type);
  return major;
}
