#include "engine/xml/XtlReader.h"

#include "engine/GuidText.h"
#include "engine/model/MediaTypes.h"
#include "engine/props/ParamXml.h"
#include "engine/props/PropertySetter.h"
#include "engine/xml/XtlText.h"

using Microsoft::WRL::ComPtr;

namespace engine::xtl {

namespace {

// Compositions nest; a document may not nest them deeper than this.
constexpr int kMaxDepth = 32;

#define MRQ_COMMON_ATTRS L"username", L"userid", L"userdata", L"mute", L"lock", L"clsid"

template <class I> ComPtr<I> As(IUnknown *obj, REFIID iid) {
  ComPtr<I> p;
  obj->QueryInterface(iid, reinterpret_cast<void **>(p.GetAddressOf()));
  return p;
}

}  // namespace

HRESULT XtlReader::Fail(const std::wstring &why) {
  return errors_.Report(kSeverityError, (L"Cannot read the timeline document: " + why).c_str(),
                        DEX_IDS_INVALID_XML, VFW_E_INVALID_FILE_FORMAT);
}

HRESULT XtlReader::Create(TIMELINE_MAJOR_TYPE kind, ObjPtr *obj) {
  HRESULT hr = timeline_->CreateEmptyNode(obj->ReleaseAndGetAddressOf(), kind);
  if (FAILED(hr)) return errors_.Report(kSeverityError, L"Cannot create a timeline object",
                                        DEX_IDS_OUTOFMEMORY, hr);
  return S_OK;
}

HRESULT XtlReader::TimeAttr(const DomElement &e, const wchar_t *name, REFERENCE_TIME *t,
                            bool *present) {
  const wchar_t *text = e.Attr(name);
  *present = text != nullptr;
  if (text && !ParseTime(text, t))
    return Fail(L"<" + e.Name() + L"> " + name + L"=\"" + text + L"\" is not a time");
  return S_OK;
}

HRESULT XtlReader::BoolAttr(const DomElement &e, const wchar_t *name, BOOL *value, bool *present) {
  const wchar_t *text = e.Attr(name);
  *present = text != nullptr;
  if (text && !ParseBool(text, value))
    return Fail(L"<" + e.Name() + L"> " + name + L"=\"" + text + L"\" is not a yes/no value");
  return S_OK;
}

HRESULT XtlReader::LongAttr(const DomElement &e, const wchar_t *name, LONG *value, bool *present) {
  const wchar_t *text = e.Attr(name);
  *present = text != nullptr;
  if (text && !ParseLong(text, value))
    return Fail(L"<" + e.Name() + L"> " + name + L"=\"" + text + L"\" is not a whole number");
  return S_OK;
}

HRESULT XtlReader::DoubleAttr(const DomElement &e, const wchar_t *name, double *value,
                              bool *present) {
  const wchar_t *text = e.Attr(name);
  *present = text != nullptr;
  if (text && !ParseDouble(text, value))
    return Fail(L"<" + e.Name() + L"> " + name + L"=\"" + text + L"\" is not a number");
  return S_OK;
}

HRESULT XtlReader::Read(IXMLDOMNode *root) {
  DomElement tl;
  if (!root || FAILED(tl.Load(root))) return Fail(L"the document has no root element");
  if (!tl.NameIs(L"timeline")) return Fail(L"the root element is <" + tl.Name() + L">, not <timeline>");
  std::wstring why;
  if (!tl.OnlyAttributes({L"framerate", L"defaultfx", L"defaulttrans", L"enablefx", L"enabletrans"}, &why))
    return Fail(why);
  double fps = 0;
  bool hasFps, hasFx = false, hasTrans = false, hasEnableFx, hasEnableTrans;
  BOOL enableFx = TRUE, enableTrans = TRUE;
  GUID fx{}, trans{};
  HRESULT hr = DoubleAttr(tl, L"framerate", &fps, &hasFps);
  if (FAILED(hr)) return hr;
  if (hasFps && !(fps > 0 && fps <= 1000)) return Fail(L"<timeline> framerate is out of range");
  if (const wchar_t *t = tl.Attr(L"defaultfx")) {
    if (!ParseGuidText(t, &fx)) return Fail(L"<timeline> defaultfx is not a class id");
    hasFx = true;
  }
  if (const wchar_t *t = tl.Attr(L"defaulttrans")) {
    if (!ParseGuidText(t, &trans)) return Fail(L"<timeline> defaulttrans is not a class id");
    hasTrans = true;
  }
  if (FAILED(hr = BoolAttr(tl, L"enablefx", &enableFx, &hasEnableFx))) return hr;
  if (FAILED(hr = BoolAttr(tl, L"enabletrans", &enableTrans, &hasEnableTrans))) return hr;

  std::vector<ComPtr<IXMLDOMNode>> children;
  if (FAILED(tl.Children(&children, &why))) return Fail(why);
  std::vector<ObjPtr> groups;
  for (const auto &child : children) {
    DomElement e;
    if (FAILED(e.Load(child.Get()))) return Fail(L"an element could not be read");
    if (!e.NameIs(L"group")) return Fail(L"unknown element <" + e.Name() + L"> inside <timeline>");
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
  return S_OK;
}

HRESULT XtlReader::ReadCommon(const DomElement &e, IAMTimelineObj *obj) {
  HRESULT hr;
  if (const wchar_t *name = e.Attr(L"username")) {
    BSTR b = SysAllocString(name);
    hr = obj->SetUserName(b);
    SysFreeString(b);
    if (FAILED(hr)) return hr;
  }
  if (const wchar_t *clsid = e.Attr(L"clsid")) {
    GUID g;
    if (!ParseGuidText(clsid, &g))
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
  if (const wchar_t *data = e.Attr(L"userdata")) {
    std::vector<BYTE> bytes;
    if (!HexDecode(data, &bytes)) return Fail(L"<" + e.Name() + L"> userdata is not hexadecimal");
    BYTE empty = 0;
    obj->SetUserData(bytes.empty() ? &empty : bytes.data(), static_cast<LONG>(bytes.size()));
  }
  return S_OK;
}

HRESULT XtlReader::ReadGroup(const DomElement &e, ObjPtr *group) {
  std::wstring why;
  if (!e.OnlyAttributes({MRQ_COMMON_ATTRS, L"type", L"bitdepth", L"width", L"height", L"framerate",
                         L"samplingrate", L"previewmode", L"buffering"},
                        &why))
    return Fail(why);
  HRESULT hr = Create(TIMELINE_MAJOR_TYPE_GROUP, group);
  if (FAILED(hr) || FAILED(hr = ReadCommon(e, group->Get()))) return hr;
  auto g = As<IAMTimelineGroup>(group->Get(), IID_IAMTimelineGroup);
  if (!g) return E_NOINTERFACE;

  bool present;
  if (const wchar_t *type = e.Attr(L"type")) {
    AM_MEDIA_TYPE mt{};
    if (SameName(type, L"video")) {
      LONG bits = 16, width = 320, height = 240;
      if (FAILED(hr = LongAttr(e, L"bitdepth", &bits, &present)) ||
          FAILED(hr = LongAttr(e, L"width", &width, &present)) ||
          FAILED(hr = LongAttr(e, L"height", &height, &present)))
        return hr;
      if (FAILED(BuildVideoGroupType(&mt, bits, width, height)))
        return Fail(L"<group> needs a bit depth of 16, 24 or 32 and a width and height from 1 to 65535");
    } else if (SameName(type, L"audio")) {
      LONG rate = 44100;
      if (FAILED(hr = LongAttr(e, L"samplingrate", &rate, &present))) return hr;
      if (rate <= 0 || FAILED(BuildAudioGroupType(&mt, static_cast<DWORD>(rate))))
        return Fail(L"<group> samplingrate is out of range");
    } else {
      return Fail(L"<group> type=\"" + std::wstring(type) + L"\" is neither video nor audio");
    }
    hr = g->SetMediaType(&mt);
    FreeMediaTypeContents(mt);
    if (FAILED(hr)) return hr;
  }
  double fps = 0;
  if (FAILED(hr = DoubleAttr(e, L"framerate", &fps, &present))) return hr;
  if (present && FAILED(g->SetOutputFPS(fps))) return Fail(L"<group> framerate is out of range");
  BOOL preview = TRUE;
  if (FAILED(hr = BoolAttr(e, L"previewmode", &preview, &present))) return hr;
  if (present) g->SetPreviewMode(preview);
  LONG buffering = 0;
  if (FAILED(hr = LongAttr(e, L"buffering", &buffering, &present))) return hr;
  if (present && FAILED(g->SetOutputBuffering(buffering)))
    return Fail(L"<group> buffering is out of range");
  return ReadContainer(e, group->Get(), 1);
}

HRESULT XtlReader::ReadContainer(const DomElement &e, IAMTimelineObj *obj, int depth) {
  std::vector<ComPtr<IXMLDOMNode>> children, params;
  std::wstring why;
  if (FAILED(e.Children(&children, &why))) return Fail(why);
  for (const auto &child : children) {
    DomElement c;
    if (FAILED(c.Load(child.Get()))) return Fail(L"an element could not be read");
    if (c.NameIs(L"param")) {
      params.push_back(child);
      continue;
    }
    HRESULT hr = ReadChild(c, obj, depth);
    if (FAILED(hr)) return hr;
  }
  return ReadParams(params, obj);
}

HRESULT XtlReader::ReadParams(const std::vector<ComPtr<IXMLDOMNode>> &params, IAMTimelineObj *obj) {
  if (params.empty()) return S_OK;
  std::vector<Parameter> all;
  for (const auto &node : params) {
    std::vector<Parameter> one;
    std::wstring why;
    if (FAILED(ReadParamsXml(node.Get(), &one, &why))) return Fail(why);
    for (Parameter &p : one) {
      for (const Parameter &q : all)
        if (SameName(q.name.c_str(), p.name.c_str())) return Fail(L"parameter '" + p.name + L"' appears twice");
      all.push_back(std::move(p));
    }
  }
  ComPtr<IPropertySetter> setter;
  HRESULT hr = PropertySetter::Create(IID_IPropertySetter, reinterpret_cast<void **>(setter.GetAddressOf()));
  if (FAILED(hr)) return hr;
  static_cast<PropertySetter *>(static_cast<IPropertySetterW *>(setter.Get()))->Adopt(std::move(all));
  return obj->SetPropertySetter(setter.Get());
}

HRESULT XtlReader::ReadChild(const DomElement &e, IAMTimelineObj *parent, int depth) {
  TIMELINE_MAJOR_TYPE parentKind;
  parent->GetTimelineType(&parentKind);
  bool isComp = parentKind == TIMELINE_MAJOR_TYPE_GROUP || parentKind == TIMELINE_MAJOR_TYPE_COMPOSITE;
  std::wstring why;
  if ((e.NameIs(L"track") || e.NameIs(L"composite")) && isComp) {
    bool track = e.NameIs(L"track");
    if (!track && depth >= kMaxDepth) return Fail(L"compositions are nested too deeply");
    if (!e.OnlyAttributes({MRQ_COMMON_ATTRS}, &why)) return Fail(why);
    ObjPtr obj;
    HRESULT hr = Create(track ? TIMELINE_MAJOR_TYPE_TRACK : TIMELINE_MAJOR_TYPE_COMPOSITE, &obj);
    if (FAILED(hr) || FAILED(hr = ReadCommon(e, obj.Get())) ||
        FAILED(hr = ReadContainer(e, obj.Get(), depth + 1)))
      return hr;
    auto comp = As<IAMTimelineComp>(parent, IID_IAMTimelineComp);
    return comp ? comp->VTrackInsBefore(obj.Get(), -1) : E_NOINTERFACE;
  }
  if (e.NameIs(L"clip") && parentKind == TIMELINE_MAJOR_TYPE_TRACK) return ReadClip(e, parent, depth);
  if (e.NameIs(L"effect") && parentKind != TIMELINE_MAJOR_TYPE_EFFECT &&
      parentKind != TIMELINE_MAJOR_TYPE_TRANSITION)
    return ReadEffect(e, parent);
  if (e.NameIs(L"transition") && (isComp || parentKind == TIMELINE_MAJOR_TYPE_TRACK))
    return ReadTransition(e, parent);
  const wchar_t *parentName = parentKind == TIMELINE_MAJOR_TYPE_TRACK    ? L"track"
                              : parentKind == TIMELINE_MAJOR_TYPE_SOURCE ? L"clip"
                              : isComp                                   ? L"group or composite"
                                                                         : L"effect or transition";
  return Fail(L"element <" + e.Name() + L"> cannot appear inside a " + parentName);
}

HRESULT XtlReader::ReadTimes(const DomElement &e, REFERENCE_TIME *start, REFERENCE_TIME *stop) {
  bool hasStart, hasStop;
  *start = 0;
  HRESULT hr = TimeAttr(e, L"start", start, &hasStart);
  if (FAILED(hr) || FAILED(hr = TimeAttr(e, L"stop", stop, &hasStop))) return hr;
  if (!hasStop) return Fail(L"<" + e.Name() + L"> needs a stop time");
  if (*stop < *start) return Fail(L"<" + e.Name() + L"> stops before it starts");
  return S_OK;
}

HRESULT XtlReader::ReadEffect(const DomElement &e, IAMTimelineObj *parent) {
  std::wstring why;
  if (!e.OnlyAttributes({MRQ_COMMON_ATTRS, L"start", L"stop"}, &why)) return Fail(why);
  REFERENCE_TIME start, stop;
  ObjPtr fx;
  HRESULT hr = ReadTimes(e, &start, &stop);
  if (FAILED(hr) || FAILED(hr = Create(TIMELINE_MAJOR_TYPE_EFFECT, &fx)) ||
      FAILED(hr = ReadCommon(e, fx.Get())) || FAILED(hr = fx->SetStartStop(start, stop)) ||
      FAILED(hr = ReadContainer(e, fx.Get(), 0)))
    return hr;
  auto chain = As<IAMTimelineEffectable>(parent, IID_IAMTimelineEffectable);
  return chain ? chain->EffectInsBefore(fx.Get(), -1) : E_NOINTERFACE;
}

HRESULT XtlReader::ReadTransition(const DomElement &e, IAMTimelineObj *parent) {
  std::wstring why;
  if (!e.OnlyAttributes({MRQ_COMMON_ATTRS, L"start", L"stop", L"swapinputs", L"cutpoint", L"cutsonly"},
                        &why))
    return Fail(why);
  REFERENCE_TIME start, stop, cut = 0;
  ObjPtr obj;
  HRESULT hr = ReadTimes(e, &start, &stop);
  if (FAILED(hr) || FAILED(hr = Create(TIMELINE_MAJOR_TYPE_TRANSITION, &obj)) ||
      FAILED(hr = ReadCommon(e, obj.Get())) || FAILED(hr = obj->SetStartStop(start, stop)))
    return hr;
  auto trans = As<IAMTimelineTrans>(obj.Get(), IID_IAMTimelineTrans);
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
  auto chain = As<IAMTimelineTransable>(parent, IID_IAMTimelineTransable);
  if (!chain) return E_NOINTERFACE;
  if (FAILED(hr = chain->TransAdd(obj.Get()))) return Fail(L"a <transition> overlaps another one");
  return S_OK;
}

HRESULT XtlReader::ReadClip(const DomElement &e, IAMTimelineObj *track, int depth) {
  std::wstring why;
  if (!e.OnlyAttributes({MRQ_COMMON_ATTRS, L"src", L"start", L"stop", L"mstart", L"mstop", L"mlength",
                         L"stream", L"stretchmode", L"framerate"},
                        &why))
    return Fail(why);
  REFERENCE_TIME start = 0, stop = 0, mstart = 0, mstop = 0, mlength = 0;
  bool hasStart, hasStop, hasMStart, hasMStop, hasLength, present;
  HRESULT hr;
  if (FAILED(hr = TimeAttr(e, L"start", &start, &hasStart)) ||
      FAILED(hr = TimeAttr(e, L"stop", &stop, &hasStop)) ||
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
  if (FAILED(hr = Create(TIMELINE_MAJOR_TYPE_SOURCE, &obj)) || FAILED(hr = ReadCommon(e, obj.Get())))
    return hr;
  auto src = As<IAMTimelineSrc>(obj.Get(), IID_IAMTimelineSrc);
  if (!src) return E_NOINTERFACE;
  obj->SetStartStop(start, stop);
  src->SetMediaTimes(mstart, mstop);
  if (hasLength) src->SetMediaLength(mlength);
  if (const wchar_t *name = e.Attr(L"src")) {
    BSTR b = SysAllocString(name);
    src->SetMediaName(b);
    SysFreeString(b);
  }
  LONG stream = 0;
  if (FAILED(hr = LongAttr(e, L"stream", &stream, &present))) return hr;
  if (present && (stream < 0 || FAILED(src->SetStreamNumber(stream))))
    return Fail(L"<clip> stream is out of range");
  if (const wchar_t *mode = e.Attr(L"stretchmode")) {
    static const wchar_t *kModes[] = {L"stretch", L"crop", L"preserveaspectratio",
                                      L"preserveaspectratio_noletterbox"};
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
  auto t = As<IAMTimelineTrack>(track, IID_IAMTimelineTrack);
  if (!t) return E_NOINTERFACE;
  if (FAILED(hr = t->SrcAdd(obj.Get())))
    return Fail(L"a <clip> overlaps another clip on its track");
  return S_OK;
}

}  // namespace engine::xtl
