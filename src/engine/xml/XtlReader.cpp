#include "engine/xml/XtlReader.h"

#include "engine/base/GuidText.h"
#include "services/ComUtil.h"
#include "services/MediaTypes.h"
#include "engine/props/ParamXml.h"
#include "engine/props/PropertySetter.h"
#include "engine/dom/XtlText.h"

#include <cstring>

using Microsoft::WRL::ComPtr;

namespace engine::xtl {

namespace {

// Compositions nest; a document may not nest them deeper than this.
constexpr int kMaxDepth = 32;

#define MRQ_COMMON_ATTRS L"username", L"userid", L"userdata", L"mute", L"lock", L"clsid"

// The warning names this many of the things passed over, and counts the rest.
constexpr size_t kPassedOverNamed = 5;

// Elements of the XTL form itself: one of them in a place where XTL has none is a damaged
// document, not another tool's addition.
bool IsXtlElement(const DomElement& e) {
  for (const wchar_t* name :
       {L"timeline", L"group", L"composite", L"track", L"clip", L"effect", L"transition", L"param", L"at", L"linear"})
    if (e.NameIs(name)) return true;
  return false;
}

}  // namespace

HRESULT XtlReader::Fail(const std::wstring& why) {
  return errors_.Report(kSeverityError, (L"Cannot read the timeline document: " + why).c_str(), DEX_IDS_INVALID_XML,
                        VFW_E_INVALID_FILE_FORMAT);
}

void XtlReader::PassOver(const std::wstring& what) {
  if (passedOver_.size() < kPassedOverNamed) passedOver_.push_back(what);
  ++passedOverCount_;
}

void XtlReader::PassOver(const DomElement& e, std::initializer_list<const wchar_t*> known) {
  for (const std::wstring& name : e.OtherAttributes(known)) PassOver(L"'" + name + L"' on <" + e.Name() + L">");
}

HRESULT XtlReader::Create(TIMELINE_MAJOR_TYPE kind, ObjPtr* obj) {
  HRESULT hr = timeline_->CreateEmptyNode(obj->ReleaseAndGetAddressOf(), kind);
  if (FAILED(hr)) return errors_.Report(kSeverityError, L"Cannot create a timeline object", DEX_IDS_OUTOFMEMORY, hr);
  return S_OK;
}

HRESULT XtlReader::TimeAttr(const DomElement& e, const wchar_t* name, REFERENCE_TIME* t, bool* present) {
  const wchar_t* text = e.Attr(name);
  *present = text != nullptr;
  if (text && !ParseTime(text, t)) return Fail(L"<" + e.Name() + L"> " + name + L"=\"" + text + L"\" is not a time");
  return S_OK;
}

HRESULT XtlReader::BoolAttr(const DomElement& e, const wchar_t* name, BOOL* value, bool* present) {
  const wchar_t* text = e.Attr(name);
  *present = text != nullptr;
  if (text && !ParseBool(text, value))
    return Fail(L"<" + e.Name() + L"> " + name + L"=\"" + text + L"\" is not a yes/no value");
  return S_OK;
}

HRESULT XtlReader::LongAttr(const DomElement& e, const wchar_t* name, LONG* value, bool* present) {
  const wchar_t* text = e.Attr(name);
  *present = text != nullptr;
  if (text && !ParseLong(text, value))
    return Fail(L"<" + e.Name() + L"> " + name + L"=\"" + text + L"\" is not a whole number");
  return S_OK;
}

HRESULT XtlReader::DoubleAttr(const DomElement& e, const wchar_t* name, double* value, bool* present) {
  const wchar_t* text = e.Attr(name);
  *present = text != nullptr;
  if (text && !ParseDouble(text, value))
    return Fail(L"<" + e.Name() + L"> " + name + L"=\"" + text + L"\" is not a number");
  return S_OK;
}

HRESULT XtlReader::Read(IXMLDOMNode* root) {
  DomElement tl;
  if (!root || FAILED(tl.Load(root))) return Fail(L"the document has no root element");
  if (!tl.NameIs(L"timeline")) return Fail(L"the root element is <" + tl.Name() + L">, not <timeline>");
  std::wstring why;
  passedOver_.clear();
  passedOverCount_ = 0;
  PassOver(tl, {L"framerate", L"defaultfx", L"defaulttrans", L"enablefx", L"enabletrans"});
  double fps = 0;
  bool hasFps, hasFx = false, hasTrans = false, hasEnableFx, hasEnableTrans;
  BOOL enableFx = TRUE, enableTrans = TRUE;
  GUID fx{}, trans{};
  HRESULT hr = DoubleAttr(tl, L"framerate", &fps, &hasFps);
  if (FAILED(hr)) return hr;
  if (hasFps && !(fps > 0 && fps <= 1000)) return Fail(L"<timeline> framerate is out of range");
  if (const wchar_t* t = tl.Attr(L"defaultfx")) {
    if (!ParseGuidText(TrimBlanks(t).c_str(), &fx)) return Fail(L"<timeline> defaultfx is not a class id");
    hasFx = true;
  }
  if (const wchar_t* t = tl.Attr(L"defaulttrans")) {
    if (!ParseGuidText(TrimBlanks(t).c_str(), &trans)) return Fail(L"<timeline> defaulttrans is not a class id");
    hasTrans = true;
  }
  if (FAILED(hr = BoolAttr(tl, L"enablefx", &enableFx, &hasEnableFx))) return hr;
  if (FAILED(hr = BoolAttr(tl, L"enabletrans", &enableTrans, &hasEnableTrans))) return hr;

  // A group without its own rate takes the document's, not whatever the timeline had before.
  documentFps_ = hasFps ? fps : 0;
  std::vector<ComPtr<IXMLDOMNode>> children;
  if (FAILED(tl.Children(&children, &why))) return Fail(why);
  std::vector<ObjPtr> groups;
  for (const auto& child : children) {
    DomElement e;
    if (FAILED(e.Load(child.Get()))) return Fail(L"an element could not be read");
    if (!e.NameIs(L"group")) {
      if (IsXtlElement(e)) return Fail(L"element <" + e.Name() + L"> cannot appear inside a timeline");
      PassOver(L"<" + e.Name() + L"> inside <timeline>");
      continue;
    }
    ObjPtr group;
    if (FAILED(hr = ReadGroup(e, &group))) return hr;
    groups.push_back(std::move(group));
  }

  // Everything was read: only now does the timeline change.
  if (hasFps) timeline_->SetDefaultFPS(fps);
  if (hasFx) timeline_->SetDefaultEffect(&fx);
  if (hasTrans) timeline_->SetDefaultTransition(&trans);
  if (hasEnableFx) timeline_->EnableEffects(enableFx);
  if (hasEnableTrans) timeline_->EnableTransitions(enableTrans);
  for (size_t i = 0; i < groups.size(); ++i) {
    hr = timeline_->AddGroup(groups[i].Get());
    if (FAILED(hr)) {
      for (size_t j = 0; j < i; ++j) timeline_->RemGroupFromList(groups[j].Get());
      return hr;
    }
  }
  if (passedOverCount_) {
    std::wstring text = L"Passed over what this program does not know in the timeline document:";
    for (size_t i = 0; i < passedOver_.size(); ++i) text += (i ? L", " : L" ") + passedOver_[i];
    if (passedOverCount_ > passedOver_.size())
      text += L" and " + std::to_wstring(passedOverCount_ - passedOver_.size()) + L" more";
    errors_.Report(kSeverityWarning, text.c_str(), DEX_IDS_INVALID_XML, S_OK);
  }
  return S_OK;
}

HRESULT XtlReader::ReadCommon(const DomElement& e, IAMTimelineObj* obj) {
  HRESULT hr;
  if (const wchar_t* name = e.Attr(L"username")) {
    BSTR b = SysAllocString(name);
    hr = obj->SetUserName(b);
    SysFreeString(b);
    if (FAILED(hr)) return hr;
  }
  if (const wchar_t* clsid = e.Attr(L"clsid")) {
    GUID g;
    if (!ParseGuidText(TrimBlanks(clsid).c_str(), &g))
      return Fail(L"<" + e.Name() + L"> clsid=\"" + clsid + L"\" is not a class id");
    obj->SetSubObjectGUID(g);
  }
  BOOL flag = FALSE;
  bool present;
  if (FAILED(hr = BoolAttr(e, L"mute", &flag, &present))) return hr;
  if (present) obj->SetMuted(flag);
  if (FAILED(hr = BoolAttr(e, L"lock", &flag, &present))) return hr;
  if (present) obj->SetLocked(flag);
  LONG id = 0;
  if (FAILED(hr = LongAttr(e, L"userid", &id, &present))) return hr;
  if (present) obj->SetUserID(id);
  if (const wchar_t* data = e.Attr(L"userdata")) {
    std::vector<BYTE> bytes;
    if (!HexDecode(data, &bytes)) return Fail(L"<" + e.Name() + L"> userdata is not hexadecimal");
    BYTE empty = 0;
    obj->SetUserData(bytes.empty() ? &empty : bytes.data(), static_cast<LONG>(bytes.size()));
  }
  return S_OK;
}

HRESULT XtlReader::ReadGroup(const DomElement& e, ObjPtr* group) {
  PassOver(e, {MRQ_COMMON_ATTRS, L"name", L"type", L"subtype", L"bitdepth", L"width", L"height", L"palette",
               L"channels", L"framerate", L"samplingrate", L"previewmode", L"buffering"});
  HRESULT hr = Create(TIMELINE_MAJOR_TYPE_GROUP, group);
  if (FAILED(hr) || FAILED(hr = ReadCommon(e, group->Get()))) return hr;
  auto g = As<IAMTimelineGroup>(group->Get());
  if (!g) return E_NOINTERFACE;
  // Other tools name a group with `name`; ours writes `username`, which wins when both are there.
  const wchar_t* name = e.Attr(L"name");
  if (name && !e.Attr(L"username")) {
    BSTR b = SysAllocString(name);
    hr = g->SetGroupName(b);
    SysFreeString(b);
    if (FAILED(hr)) return hr;
  }
  if (FAILED(hr = ReadGroupType(e, g.Get()))) return hr;

  bool present;
  double fps = 0;
  if (FAILED(hr = DoubleAttr(e, L"framerate", &fps, &present))) return hr;
  if (present && FAILED(g->SetOutputFPS(fps))) return Fail(L"<group> framerate is out of range");
  if (!present && documentFps_ > 0) g->SetOutputFPS(documentFps_);
  BOOL preview = TRUE;
  if (FAILED(hr = BoolAttr(e, L"previewmode", &preview, &present))) return hr;
  if (present) g->SetPreviewMode(preview);
  LONG buffering = 0;
  if (FAILED(hr = LongAttr(e, L"buffering", &buffering, &present))) return hr;
  if (present && FAILED(g->SetOutputBuffering(buffering))) return Fail(L"<group> buffering is out of range");
  return ReadContainer(e, group->Get(), 1);
}

HRESULT XtlReader::ReadGroupType(const DomElement& e, IAMTimelineGroup* group) {
  const wchar_t* type = e.Attr(L"type");
  if (!type) return S_OK;
  const std::wstring kind = TrimBlanks(type);
  GroupTypeFields fields;
  bool present;
  HRESULT hr;
  // Missing values take what a document without them always meant.
  if (SameName(kind.c_str(), L"video")) {
    LONG bits = 16, width = 320, height = 240;
    if (FAILED(hr = LongAttr(e, L"bitdepth", &bits, &present)) ||
        FAILED(hr = LongAttr(e, L"width", &width, &present)) || FAILED(hr = LongAttr(e, L"height", &height, &present)))
      return hr;
    fields.bitDepth = bits;
    fields.width = width;
    fields.height = height;
    if (const wchar_t* subtype = e.Attr(L"subtype")) {
      if (!ParseSubtype(subtype, &fields.subtype))
        return Fail(L"<group> subtype=\"" + std::wstring(subtype) + L"\" is not a video subtype");
    }
    if (const wchar_t* palette = e.Attr(L"palette")) {
      std::vector<BYTE> bytes;
      if (!HexDecode(TrimBlanks(palette).c_str(), &bytes) || bytes.size() % sizeof(RGBQUAD))
        return Fail(L"<group> palette is not a list of colours in hexadecimal");
      fields.palette.resize(bytes.size() / sizeof(RGBQUAD));
      if (!bytes.empty()) memcpy(fields.palette.data(), bytes.data(), bytes.size());
    }
  } else if (SameName(kind.c_str(), L"audio")) {
    LONG rate = 44100, bits = 16, channels = 2;
    if (FAILED(hr = LongAttr(e, L"samplingrate", &rate, &present)) ||
        FAILED(hr = LongAttr(e, L"bitdepth", &bits, &present)) ||
        FAILED(hr = LongAttr(e, L"channels", &channels, &present)))
      return hr;
    if (rate <= 0 || channels <= 0 || channels > 0xFFFF)
      return Fail(L"<group> samplingrate or channels is out of range");
    fields.video = false;
    fields.samplesPerSecond = static_cast<DWORD>(rate);
    fields.bitDepth = bits;
    fields.channels = static_cast<WORD>(channels);
  } else {
    return Fail(L"<group> type=\"" + std::wstring(type) + L"\" is neither video nor audio");
  }
  AM_MEDIA_TYPE mt;
  const wchar_t* why = nullptr;
  if (FAILED(hr = BuildGroupType(fields, &mt, &why))) {
    if (hr != VFW_E_INVALIDMEDIATYPE) return hr;
    return Fail(L"the media type of a <group> cannot be used: " + std::wstring(why ? why : L""));
  }
  hr = group->SetMediaType(&mt);
  FreeMediaTypeContents(mt);
  return hr;
}

HRESULT XtlReader::ReadContainer(const DomElement& e, IAMTimelineObj* obj, int depth) {
  std::vector<ComPtr<IXMLDOMNode>> children, params, timed;
  std::wstring why;
  if (FAILED(e.Children(&children, &why))) return Fail(why);
  // Content first: an effect or transition without a stop lasts to the end of what its
  // parent holds, which is known only once the tracks and clips are in. Effects keep their
  // document order among themselves, and so their priorities.
  for (const auto& child : children) {
    DomElement c;
    if (FAILED(c.Load(child.Get()))) return Fail(L"an element could not be read");
    if (c.NameIs(L"param")) {
      params.push_back(child);
      continue;
    }
    if (c.NameIs(L"effect") || c.NameIs(L"transition")) {
      timed.push_back(child);
      continue;
    }
    HRESULT hr = ReadChild(c, obj, depth, 0);
    if (FAILED(hr)) return hr;
  }
  REFERENCE_TIME start = 0, end = 0;
  obj->GetStartStop(&start, &end);
  TIMELINE_MAJOR_TYPE kind;
  // The times of effects on a clip count from the clip's start.
  if (SUCCEEDED(obj->GetTimelineType(&kind)) && kind == TIMELINE_MAJOR_TYPE_SOURCE) end -= start;
  for (const auto& child : timed) {
    DomElement c;
    if (FAILED(c.Load(child.Get()))) return Fail(L"an element could not be read");
    HRESULT hr = ReadChild(c, obj, depth, end);
    if (FAILED(hr)) return hr;
  }
  return ReadParams(params, obj);
}

HRESULT XtlReader::ReadParams(const std::vector<ComPtr<IXMLDOMNode>>& params, IAMTimelineObj* obj) {
  if (params.empty()) return S_OK;
  std::vector<Parameter> all;
  for (const auto& node : params) {
    std::vector<Parameter> one;
    std::wstring why;
    if (FAILED(ReadParamsXml(node.Get(), &one, &why))) return Fail(why);
    for (Parameter& p : one) {
      for (const Parameter& q : all)
        if (SameName(q.name.c_str(), p.name.c_str())) return Fail(L"parameter '" + p.name + L"' appears twice");
      all.push_back(std::move(p));
    }
  }
  ComPtr<IPropertySetter> setter;
  HRESULT hr = PropertySetter::Create(IID_IPropertySetter, reinterpret_cast<void**>(setter.GetAddressOf()));
  if (FAILED(hr)) return hr;
  static_cast<PropertySetter*>(static_cast<IPropertySetterW*>(setter.Get()))->Adopt(std::move(all));
  return obj->SetPropertySetter(setter.Get());
}

HRESULT XtlReader::ReadChild(const DomElement& e, IAMTimelineObj* parent, int depth, REFERENCE_TIME parentEnd) {
  TIMELINE_MAJOR_TYPE parentKind;
  parent->GetTimelineType(&parentKind);
  bool isComp = parentKind == TIMELINE_MAJOR_TYPE_GROUP || parentKind == TIMELINE_MAJOR_TYPE_COMPOSITE;
  if ((e.NameIs(L"track") || e.NameIs(L"composite")) && isComp) {
    bool track = e.NameIs(L"track");
    if (!track && depth >= kMaxDepth) return Fail(L"compositions are nested too deeply");
    PassOver(e, {MRQ_COMMON_ATTRS});
    ObjPtr obj;
    HRESULT hr = Create(track ? TIMELINE_MAJOR_TYPE_TRACK : TIMELINE_MAJOR_TYPE_COMPOSITE, &obj);
    if (FAILED(hr) || FAILED(hr = ReadCommon(e, obj.Get())) || FAILED(hr = ReadContainer(e, obj.Get(), depth + 1)))
      return hr;
    auto comp = As<IAMTimelineComp>(parent);
    return comp ? comp->VTrackInsBefore(obj.Get(), -1) : E_NOINTERFACE;
  }
  if (e.NameIs(L"clip") && parentKind == TIMELINE_MAJOR_TYPE_TRACK) return ReadClip(e, parent, depth);
  if (e.NameIs(L"effect") && parentKind != TIMELINE_MAJOR_TYPE_EFFECT && parentKind != TIMELINE_MAJOR_TYPE_TRANSITION)
    return ReadEffect(e, parent, parentEnd);
  if (e.NameIs(L"transition") && (isComp || parentKind == TIMELINE_MAJOR_TYPE_TRACK))
    return ReadTransition(e, parent, parentEnd);
  if (!IsXtlElement(e)) {
    PassOver(L"<" + e.Name() + L">");
    return S_OK;
  }
  const wchar_t* parentName = parentKind == TIMELINE_MAJOR_TYPE_TRACK    ? L"track"
                              : parentKind == TIMELINE_MAJOR_TYPE_SOURCE ? L"clip"
                              : isComp                                   ? L"group or composite"
                                                                         : L"effect or transition";
  return Fail(L"element <" + e.Name() + L"> cannot appear inside a " + parentName);
}

HRESULT XtlReader::ReadTimes(const DomElement& e, REFERENCE_TIME parentEnd, REFERENCE_TIME* start,
                             REFERENCE_TIME* stop) {
  bool hasStart, hasStop;
  *start = 0;
  HRESULT hr = TimeAttr(e, L"start", start, &hasStart);
  if (FAILED(hr) || FAILED(hr = TimeAttr(e, L"stop", stop, &hasStop))) return hr;
  if (!hasStop) {
    // Other tools leave the stop out for "to the end".
    if (parentEnd <= *start)
      return Fail(L"<" + e.Name() + L"> has no stop time and starts where its parent's content ends or later");
    *stop = parentEnd;
  }
  if (*stop < *start) return Fail(L"<" + e.Name() + L"> stops before it starts");
  return S_OK;
}

HRESULT XtlReader::ReadEffect(const DomElement& e, IAMTimelineObj* parent, REFERENCE_TIME parentEnd) {
  PassOver(e, {MRQ_COMMON_ATTRS, L"start", L"stop"});
  REFERENCE_TIME start, stop;
  ObjPtr fx;
  HRESULT hr = ReadTimes(e, parentEnd, &start, &stop);
  if (FAILED(hr) || FAILED(hr = Create(TIMELINE_MAJOR_TYPE_EFFECT, &fx)) || FAILED(hr = ReadCommon(e, fx.Get())) ||
      FAILED(hr = fx->SetStartStop(start, stop)) || FAILED(hr = ReadContainer(e, fx.Get(), 0)))
    return hr;
  auto chain = As<IAMTimelineEffectable>(parent);
  return chain ? chain->EffectInsBefore(fx.Get(), -1) : E_NOINTERFACE;
}

HRESULT XtlReader::ReadTransition(const DomElement& e, IAMTimelineObj* parent, REFERENCE_TIME parentEnd) {
  PassOver(e, {MRQ_COMMON_ATTRS, L"start", L"stop", L"swapinputs", L"cutpoint", L"cutsonly"});
  REFERENCE_TIME start, stop, cut = 0;
  ObjPtr obj;
  HRESULT hr = ReadTimes(e, parentEnd, &start, &stop);
  if (FAILED(hr) || FAILED(hr = Create(TIMELINE_MAJOR_TYPE_TRANSITION, &obj)) ||
      FAILED(hr = ReadCommon(e, obj.Get())) || FAILED(hr = obj->SetStartStop(start, stop)))
    return hr;
  auto trans = As<IAMTimelineTrans>(obj.Get());
  if (!trans) return E_NOINTERFACE;
  bool present;
  BOOL flag = FALSE;
  if (FAILED(hr = TimeAttr(e, L"cutpoint", &cut, &present))) return hr;
  if (present && FAILED(trans->SetCutPoint(cut))) return Fail(L"<transition> cutpoint is out of range");
  if (FAILED(hr = BoolAttr(e, L"swapinputs", &flag, &present))) return hr;
  if (present) trans->SetSwapInputs(flag);
  if (FAILED(hr = BoolAttr(e, L"cutsonly", &flag, &present))) return hr;
  if (present) trans->SetCutsOnly(flag);
  if (FAILED(hr = ReadContainer(e, obj.Get(), 0))) return hr;
  auto chain = As<IAMTimelineTransable>(parent);
  if (!chain) return E_NOINTERFACE;
  if (FAILED(hr = chain->TransAdd(obj.Get()))) return Fail(L"a <transition> overlaps another one");
  return S_OK;
}

HRESULT XtlReader::ReadClip(const DomElement& e, IAMTimelineObj* track, int depth) {
  PassOver(e, {MRQ_COMMON_ATTRS, L"src", L"start", L"stop", L"mstart", L"mstop", L"mlength", L"stream", L"stretchmode",
               L"framerate"});
  REFERENCE_TIME start = 0, stop = 0, mstart = 0, mstop = 0, mlength = 0;
  bool hasStart, hasStop, hasMStart, hasMStop, hasLength, present;
  HRESULT hr;
  if (FAILED(hr = TimeAttr(e, L"start", &start, &hasStart)) || FAILED(hr = TimeAttr(e, L"stop", &stop, &hasStop)) ||
      FAILED(hr = TimeAttr(e, L"mstart", &mstart, &hasMStart)) ||
      FAILED(hr = TimeAttr(e, L"mstop", &mstop, &hasMStop)) ||
      FAILED(hr = TimeAttr(e, L"mlength", &mlength, &hasLength)))
    return hr;
  if (!hasStop && !hasMStop) return Fail(L"<clip> needs a stop or an mstop time");
  // One missing stop follows from the other at normal speed; with both, the speed adapts.
  if (!hasStop) stop = start + (mstop - mstart);
  if (!hasMStop) mstop = mstart + (stop - start);
  if (stop < start) return Fail(L"<clip> stops before it starts");
  if (mstart < 0 || mstop < mstart) return Fail(L"<clip> media times are out of order");
  if (mlength < 0) return Fail(L"<clip> mlength is negative");

  ObjPtr obj;
  if (FAILED(hr = Create(TIMELINE_MAJOR_TYPE_SOURCE, &obj)) || FAILED(hr = ReadCommon(e, obj.Get()))) return hr;
  auto src = As<IAMTimelineSrc>(obj.Get());
  if (!src) return E_NOINTERFACE;
  obj->SetStartStop(start, stop);
  src->SetMediaTimes(mstart, mstop);
  if (hasLength) src->SetMediaLength(mlength);
  if (const wchar_t* name = e.Attr(L"src")) {
    BSTR b = SysAllocString(name);
    src->SetMediaName(b);
    SysFreeString(b);
  }
  LONG stream = 0;
  if (FAILED(hr = LongAttr(e, L"stream", &stream, &present))) return hr;
  if (present && (stream < 0 || FAILED(src->SetStreamNumber(stream)))) return Fail(L"<clip> stream is out of range");
  if (const wchar_t* modeText = e.Attr(L"stretchmode")) {
    const std::wstring trimmed = TrimBlanks(modeText);
    const wchar_t* mode = trimmed.c_str();
    static const wchar_t* kModes[] = {L"stretch", L"crop", L"preserveaspectratio", L"preserveaspectratio_noletterbox"};
    LONG m = -1;
    for (LONG i = 0; i < 4; ++i)
      if (SameName(mode, kModes[i])) m = i;
    if (m < 0 && !ParseLong(mode, &m)) m = -1;
    if (m < 0 || m > 3 || FAILED(src->SetStretchMode(static_cast<int>(m))))
      return Fail(L"<clip> stretchmode=\"" + std::wstring(mode) + L"\" is not a stretch mode");
  }
  double fps = 0;
  if (FAILED(hr = DoubleAttr(e, L"framerate", &fps, &present))) return hr;
  if (present && (fps < 0 || FAILED(src->SetDefaultFPS(fps)))) return Fail(L"<clip> framerate is out of range");
  if (FAILED(hr = ReadContainer(e, obj.Get(), depth))) return hr;
  auto t = As<IAMTimelineTrack>(track);
  if (!t) return E_NOINTERFACE;
  if (FAILED(hr = t->SrcAdd(obj.Get()))) return Fail(L"a <clip> overlaps another clip on its track");
  return S_OK;
}

}  // namespace engine::xtl
