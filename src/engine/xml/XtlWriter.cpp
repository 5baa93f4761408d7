#include "engine/xml/XtlWriter.h"

#include "engine/base/GuidText.h"
#include "services/MediaTypes.h"
#include "engine/model/TimelineNode.h"
#include "engine/props/ParamXml.h"
#include "engine/dom/XtlText.h"

#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>

#include <vector>

using Microsoft::WRL::ComPtr;

namespace engine::xtl {

namespace {

const wchar_t* ElementName(TIMELINE_MAJOR_TYPE kind) {
  switch (kind) {
    case TIMELINE_MAJOR_TYPE_GROUP: return L"group";
    case TIMELINE_MAJOR_TYPE_COMPOSITE: return L"composite";
    case TIMELINE_MAJOR_TYPE_TRACK: return L"track";
    case TIMELINE_MAJOR_TYPE_SOURCE: return L"clip";
    case TIMELINE_MAJOR_TYPE_EFFECT: return L"effect";
    case TIMELINE_MAJOR_TYPE_TRANSITION: return L"transition";
    default: return nullptr;
  }
}

std::wstring Bool(BOOL b) { return b ? L"1" : L"0"; }

}  // namespace

void XtlWriter::Indent(int depth) { out_.append(static_cast<size_t>(depth) * 2, L' '); }

void XtlWriter::Open(bool* any) {
  if (!*any) out_ += L">\n";
  *any = true;
}

HRESULT XtlWriter::Attr(const wchar_t* name, const wchar_t* value, size_t length) {
  out_ += L' ';
  out_ += name;
  out_ += L"=\"";
  if (!AppendEscaped(out_, value, length)) {
    why_ = std::wstring(L"the value of '") + name + L"' holds a character XML cannot carry";
    return E_INVALIDARG;
  }
  out_ += L'"';
  return S_OK;
}

HRESULT XtlWriter::Attr(const wchar_t* name, const std::wstring& value) {
  return Attr(name, value.data(), value.size());
}

HRESULT XtlWriter::Write(IAMTimeline* timeline, std::wstring* text, std::wstring* why) {
  out_.clear();
  why_.clear();
  HRESULT hr = S_OK;
  if (!timeline) {
    *why = L"no timeline to write";
    return E_POINTER;
  }
  out_.reserve(4096);
  out_ += L"<timeline";
  double fps = 0;
  timeline->GetDefaultFPS(&fps);
  hr = Attr(L"framerate", FormatDouble(fps));
  GUID fx = GUID_NULL, trans = GUID_NULL;
  timeline->GetDefaultEffect(&fx);
  timeline->GetDefaultTransition(&trans);
  if (SUCCEEDED(hr) && fx != GUID_NULL) hr = Attr(L"defaultfx", GuidToText(fx));
  if (SUCCEEDED(hr) && trans != GUID_NULL) hr = Attr(L"defaulttrans", GuidToText(trans));
  BOOL enabled = TRUE;
  if (SUCCEEDED(hr) && SUCCEEDED(timeline->EffectsEnabled(&enabled)) && !enabled) hr = Attr(L"enablefx", Bool(enabled));
  if (SUCCEEDED(hr) && SUCCEEDED(timeline->TransitionsEnabled(&enabled)) && !enabled)
    hr = Attr(L"enabletrans", Bool(enabled));
  LONG groups = 0;
  timeline->GetGroupCount(&groups);
  out_ += groups ? L">\n" : L"/>\n";
  for (LONG g = 0; SUCCEEDED(hr) && g < groups; ++g) {
    ComPtr<IAMTimelineObj> group;
    hr = timeline->GetGroup(&group, g);
    if (SUCCEEDED(hr)) hr = WriteObject(group.Get(), 1);
  }
  if (groups) out_ += L"</timeline>\n";
  if (FAILED(hr)) {
    *why = why_.empty() ? L"the timeline could not be read" : why_;
    out_.clear();
    return hr;
  }
  text->swap(out_);
  return S_OK;
}

HRESULT XtlWriter::WriteObject(IAMTimelineObj* obj, int depth) {
  auto node = TimelineNode::FromUnknown(obj);
  if (!node) {
    why_ = L"the timeline holds an object not made by this engine";
    return E_INVALIDARG;
  }
  const wchar_t* name = ElementName(node->Kind());
  if (!name) return E_UNEXPECTED;
  Indent(depth);
  out_ += L'<';
  out_ += name;
  HRESULT hr = WriteCommon(obj);
  if (SUCCEEDED(hr)) {
    switch (node->Kind()) {
      case TIMELINE_MAJOR_TYPE_GROUP: hr = WriteGroupAttributes(obj); break;
      case TIMELINE_MAJOR_TYPE_SOURCE: hr = WriteClipAttributes(obj); break;
      case TIMELINE_MAJOR_TYPE_TRANSITION: hr = WriteTransAttributes(obj); break;
      case TIMELINE_MAJOR_TYPE_EFFECT: {
        REFERENCE_TIME start = 0, stop = 0;
        obj->GetStartStop(&start, &stop);
        hr = Attr(L"start", FormatTime(start));
        if (SUCCEEDED(hr)) hr = Attr(L"stop", FormatTime(stop));
        break;
      }
      default: break;
    }
  }
  bool any = false;
  if (SUCCEEDED(hr)) hr = WriteParams(obj, depth + 1, &any);
  // Children in list order: priorities for tracks and effects, time for sources and
  // transitions, so reading them back in document order rebuilds the same lists.
  node->ForEachChild([&](TimelineNode& child) {
    if (FAILED(hr)) return;
    Open(&any);
    hr = WriteObject(static_cast<IAMTimelineObj*>(&child), depth + 1);
  });
  if (FAILED(hr)) return hr;
  if (any) {
    Indent(depth);
    out_ += L"</";
    out_ += name;
    out_ += L">\n";
  } else {
    out_ += L"/>\n";
  }
  return S_OK;
}

HRESULT XtlWriter::WriteCommon(IAMTimelineObj* obj) {
  HRESULT hr = S_OK;
  BSTR name = nullptr;
  if (SUCCEEDED(obj->GetUserName(&name)) && name) {
    hr = Attr(L"username", name, SysStringLen(name));
    SysFreeString(name);
  }
  GUID clsid = GUID_NULL;
  obj->GetSubObjectGUID(&clsid);
  if (SUCCEEDED(hr) && clsid != GUID_NULL) hr = Attr(L"clsid", GuidToText(clsid));
  BOOL flag = FALSE;
  if (SUCCEEDED(hr) && SUCCEEDED(obj->GetMuted(&flag)) && flag) hr = Attr(L"mute", Bool(flag));
  if (SUCCEEDED(hr) && SUCCEEDED(obj->GetLocked(&flag)) && flag) hr = Attr(L"lock", Bool(flag));
  LONG id = 0;
  if (SUCCEEDED(hr) && SUCCEEDED(obj->GetUserID(&id)) && id) hr = Attr(L"userid", std::to_wstring(id));
  LONG size = 0;
  if (SUCCEEDED(hr) && SUCCEEDED(obj->GetUserData(nullptr, &size)) && size > 0) {
    std::vector<BYTE> data(static_cast<size_t>(size));
    if (SUCCEEDED(obj->GetUserData(data.data(), &size))) hr = Attr(L"userdata", HexEncode(data));
  }
  return hr;
}

HRESULT XtlWriter::WriteGroupAttributes(IAMTimelineObj* obj) {
  ComPtr<IAMTimelineGroup> group;
  HRESULT hr = obj->QueryInterface(IID_IAMTimelineGroup, reinterpret_cast<void**>(group.GetAddressOf()));
  if (FAILED(hr)) return hr;
  // The type's describing fields; those a document without them would read differently are
  // written only where they differ, so that plain types stay written as they always were.
  AM_MEDIA_TYPE mt{};
  GroupTypeFields f;
  if (SUCCEEDED(group->GetMediaType(&mt)) && SUCCEEDED(DescribeGroupType(mt, &f))) {
    if (f.video) {
      hr = Attr(L"type", L"video", 5);
      if (SUCCEEDED(hr)) hr = Attr(L"bitdepth", std::to_wstring(f.bitDepth));
      if (SUCCEEDED(hr)) hr = Attr(L"width", std::to_wstring(f.width));
      if (SUCCEEDED(hr)) hr = Attr(L"height", std::to_wstring(f.height));
      if (SUCCEEDED(hr) && f.subtype != DefaultVideoSubtype(f.bitDepth)) hr = Attr(L"subtype", SubtypeText(f.subtype));
      if (SUCCEEDED(hr) && !f.palette.empty()) {
        const auto* bytes = reinterpret_cast<const BYTE*>(f.palette.data());
        hr = Attr(L"palette", HexEncode(std::vector<BYTE>(bytes, bytes + f.palette.size() * sizeof(RGBQUAD))));
      }
    } else {
      hr = Attr(L"type", L"audio", 5);
      if (SUCCEEDED(hr)) hr = Attr(L"samplingrate", std::to_wstring(f.samplesPerSecond));
      if (SUCCEEDED(hr) && f.bitDepth != 16) hr = Attr(L"bitdepth", std::to_wstring(f.bitDepth));
      if (SUCCEEDED(hr) && f.channels != 2) hr = Attr(L"channels", std::to_wstring(f.channels));
    }
  }
  FreeMediaTypeContents(mt);
  double fps = 0;
  if (SUCCEEDED(hr) && SUCCEEDED(group->GetOutputFPS(&fps))) hr = Attr(L"framerate", FormatDouble(fps));
  BOOL preview = TRUE;
  if (SUCCEEDED(hr) && SUCCEEDED(group->GetPreviewMode(&preview))) hr = Attr(L"previewmode", Bool(preview));
  int buffering = 0;
  if (SUCCEEDED(hr) && SUCCEEDED(group->GetOutputBuffering(&buffering)))
    hr = Attr(L"buffering", std::to_wstring(buffering));
  return hr;
}

HRESULT XtlWriter::WriteClipAttributes(IAMTimelineObj* obj) {
  ComPtr<IAMTimelineSrc> src;
  HRESULT hr = obj->QueryInterface(IID_IAMTimelineSrc, reinterpret_cast<void**>(src.GetAddressOf()));
  if (FAILED(hr)) return hr;
  REFERENCE_TIME start = 0, stop = 0, mstart = 0, mstop = 0, mlength = 0;
  obj->GetStartStop(&start, &stop);
  src->GetMediaTimes(&mstart, &mstop);
  src->GetMediaLength(&mlength);
  BSTR media = nullptr;
  if (SUCCEEDED(src->GetMediaName(&media)) && media) {
    hr = Attr(L"src", media, SysStringLen(media));
    SysFreeString(media);
  }
  if (SUCCEEDED(hr)) hr = Attr(L"start", FormatTime(start));
  if (SUCCEEDED(hr)) hr = Attr(L"stop", FormatTime(stop));
  if (SUCCEEDED(hr)) hr = Attr(L"mstart", FormatTime(mstart));
  if (SUCCEEDED(hr)) hr = Attr(L"mstop", FormatTime(mstop));
  if (SUCCEEDED(hr) && mlength) hr = Attr(L"mlength", FormatTime(mlength));
  LONG stream = 0;
  if (SUCCEEDED(hr) && SUCCEEDED(src->GetStreamNumber(&stream)) && stream)
    hr = Attr(L"stream", std::to_wstring(stream));
  int stretch = 0;
  if (SUCCEEDED(hr) && SUCCEEDED(src->GetStretchMode(&stretch)) && stretch)
    hr = Attr(L"stretchmode", std::to_wstring(stretch));
  double fps = 0;
  if (SUCCEEDED(hr) && SUCCEEDED(src->GetDefaultFPS(&fps)) && fps != 0) hr = Attr(L"framerate", FormatDouble(fps));
  return hr;
}

HRESULT XtlWriter::WriteTransAttributes(IAMTimelineObj* obj) {
  ComPtr<IAMTimelineTrans> trans;
  HRESULT hr = obj->QueryInterface(IID_IAMTimelineTrans, reinterpret_cast<void**>(trans.GetAddressOf()));
  if (FAILED(hr)) return hr;
  REFERENCE_TIME start = 0, stop = 0, cut = 0;
  obj->GetStartStop(&start, &stop);
  trans->GetCutPoint(&cut);
  BOOL swap = FALSE, cutsOnly = FALSE;
  trans->GetSwapInputs(&swap);
  trans->GetCutsOnly(&cutsOnly);
  hr = Attr(L"start", FormatTime(start));
  if (SUCCEEDED(hr)) hr = Attr(L"stop", FormatTime(stop));
  if (SUCCEEDED(hr)) hr = Attr(L"cutpoint", FormatTime(cut));
  if (SUCCEEDED(hr) && swap) hr = Attr(L"swapinputs", Bool(swap));
  if (SUCCEEDED(hr) && cutsOnly) hr = Attr(L"cutsonly", Bool(cutsOnly));
  return hr;
}

HRESULT XtlWriter::WriteParams(IAMTimelineObj* obj, int depth, bool* any) {
  ComPtr<IPropertySetter> setter;
  if (FAILED(obj->GetPropertySetter(&setter)) || !setter) return S_OK;
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  HRESULT hr = setter->GetProps(&count, &params, &values);
  if (FAILED(hr)) {
    why_ = L"the keyframes of an object could not be read";
    return hr;
  }
  std::vector<Parameter> list(static_cast<size_t>(count));
  LONG v = 0;
  for (LONG i = 0; i < count; ++i) {
    Parameter& p = list[static_cast<size_t>(i)];
    if (params[i].name) p.name.assign(params[i].name, SysStringLen(params[i].name));
    p.dispId = params[i].dispID;
    for (LONG k = 0; k < params[i].nValues; ++k, ++v) {
      Keyframe key;
      VariantCopy(&key.value.v, &values[v].v);
      key.time = values[v].rt;
      key.interp = values[v].dwInterp;
      p.keyframes.push_back(key);
    }
  }
  setter->FreeProps(count, params, values);
  if (list.empty()) return S_OK;
  Open(any);
  if (!AppendParamsXml(out_, list, depth)) {
    why_ = L"a keyframe holds a character XML cannot carry";
    return E_INVALIDARG;
  }
  return S_OK;
}

}  // namespace engine::xtl
