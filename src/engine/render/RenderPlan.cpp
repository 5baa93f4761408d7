#include "engine/render/RenderPlan.h"

#include "engine/base/GuidText.h"
#include "engine/base/TimeUnits.h"
#include "engine/effects/EffectTable.h"
#include "engine/render/Palette.h"
#include "engine/base/SlimMutex.h"
#include "services/ComUtil.h"

#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>

#include <cmath>
#include <cwchar>
#include <mutex>

using Microsoft::WRL::ComPtr;

namespace engine::render {

namespace {

bool Muted(IAMTimelineObj* obj) {
  BOOL muted = FALSE;
  return SUCCEEDED(obj->GetMuted(&muted)) && muted;
}

HRESULT ReadClip(IAMTimelineObj* obj, ClipPlan* clip) {
  auto src = As<IAMTimelineSrc>(obj);
  if (!src) return E_NOINTERFACE;
  HRESULT hr = obj->GetStartStop(&clip->start, &clip->stop);
  if (SUCCEEDED(hr)) hr = src->GetMediaTimes(&clip->mediaStart, &clip->mediaStop);
  if (FAILED(hr)) return hr;
  BSTR name = nullptr;
  if (SUCCEEDED(src->GetMediaName(&name)) && name) clip->path.assign(name, SysStringLen(name));
  SysFreeString(name);
  src->GetStreamNumber(&clip->stream);
  src->GetStretchMode(&clip->stretchMode);
  return S_OK;
}

// The keyframed parameters an effect's or transition's property setter holds.
std::vector<Parameter> ReadParams(IAMTimelineObj* obj) {
  std::vector<Parameter> out;
  ComPtr<IPropertySetter> setter;
  if (FAILED(obj->GetPropertySetter(&setter)) || !setter) return out;
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  if (FAILED(setter->GetProps(&count, &params, &values))) return out;
  const DEXTER_VALUE* value = values;
  for (LONG i = 0; i < count; ++i) {
    Parameter param;
    if (params[i].name) param.name.assign(params[i].name, SysStringLen(params[i].name));
    param.dispId = params[i].dispID;
    for (LONG k = 0; k < params[i].nValues; ++k, ++value) {
      Keyframe frame;
      VariantCopy(&frame.value.v, const_cast<VARIANT*>(&value->v));
      frame.time = value->rt;
      frame.interp = value->dwInterp;
      param.keyframes.push_back(std::move(frame));
    }
    out.push_back(std::move(param));
  }
  setter->FreeProps(count, params, values);
  return out;
}

// The unmuted effects of an effectable object; `offset` turns their times into timeline times.
std::vector<EffectPlan> ReadEffects(IAMTimelineObj* obj, REFERENCE_TIME offset) {
  std::vector<EffectPlan> out;
  auto effectable = As<IAMTimelineEffectable>(obj);
  LONG count = 0;
  if (!effectable || FAILED(effectable->EffectGetCount(&count))) return out;
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> fx;
    if (FAILED(effectable->GetEffect(&fx, i)) || !fx || Muted(fx.Get())) continue;
    EffectPlan plan;
    if (FAILED(fx->GetStartStop(&plan.start, &plan.stop)) || plan.stop <= plan.start) continue;
    plan.start += offset;
    plan.stop += offset;
    fx->GetSubObjectGUID(&plan.clsid);
    plan.params = ReadParams(fx.Get());
    out.push_back(std::move(plan));
  }
  return out;
}

// The unmuted transitions of a track or composition, in time order.
std::vector<TransitionPlan> ReadTransitions(IAMTimelineObj* obj) {
  std::vector<TransitionPlan> out;
  auto transable = As<IAMTimelineTransable>(obj);
  if (!transable) return out;
  REFERENCE_TIME t = 0;
  ComPtr<IAMTimelineObj> trans;
  while (transable->GetNextTrans(trans.ReleaseAndGetAddressOf(), &t) == S_OK && trans) {
    TransitionPlan plan;
    if (FAILED(trans->GetStartStop(&plan.start, &plan.stop))) break;
    trans->GetSubObjectGUID(&plan.clsid);
    BOOL swap = FALSE, cutsOnly = FALSE;
    if (auto t2 = As<IAMTimelineTrans>(trans.Get())) {
      t2->GetSwapInputs(&swap);
      t2->GetCutsOnly(&cutsOnly);
      t2->GetCutPoint(&plan.cutPoint);
    }
    plan.swapInputs = swap != FALSE;
    plan.cutsOnly = cutsOnly != FALSE;
    plan.params = ReadParams(trans.Get());
    if (!Muted(trans.Get()) && plan.stop > plan.start) out.push_back(std::move(plan));
    if (t <= plan.start) break;  // a chain that does not move forward would never end
  }
  return out;
}

HRESULT ReadTrack(IAMTimelineObj* obj, LayerPlan* layer) {
  auto track = As<IAMTimelineTrack>(obj);
  if (!track) return E_NOINTERFACE;
  ComPtr<IAMTimelineObj> last, next;
  while (track->GetNextSrcEx(last.Get(), next.ReleaseAndGetAddressOf()) == S_OK && next) {
    if (!Muted(next.Get())) {
      ClipPlan clip;
      HRESULT hr = ReadClip(next.Get(), &clip);
      if (FAILED(hr)) return hr;
      clip.effects = ReadEffects(next.Get(), clip.start);
      if (clip.stop > clip.start) layer->clips.push_back(std::move(clip));
    }
    last = next;
  }
  layer->effects = ReadEffects(obj, 0);
  layer->transitions = ReadTransitions(obj);
  return S_OK;
}

// Appends the tracks of a composition in priority order, descending into nested ones.
HRESULT ReadComp(IAMTimelineObj* obj, std::vector<LayerPlan>* layers, std::vector<CompTransitions>* comps, int depth) {
  auto comp = As<IAMTimelineComp>(obj);
  if (!comp) return E_NOINTERFACE;
  if (depth > 64) return E_UNEXPECTED;
  LONG count = 0;
  HRESULT hr = comp->VTrackGetCount(&count);
  if (FAILED(hr)) return hr;
  for (LONG p = 0; p < count; ++p) {
    ComPtr<IAMTimelineObj> vtrack;
    if (FAILED(hr = comp->GetVTrack(&vtrack, p))) return hr;
    if (Muted(vtrack.Get())) continue;
    TIMELINE_MAJOR_TYPE type;
    if (FAILED(hr = vtrack->GetTimelineType(&type))) return hr;
    if (type == TIMELINE_MAJOR_TYPE_COMPOSITE) {
      // A composition's effects reach its picture through each of its tracks, after their own.
      const size_t first = layers->size();
      hr = ReadComp(vtrack.Get(), layers, comps, depth + 1);
      const std::vector<EffectPlan> effects = ReadEffects(vtrack.Get(), 0);
      for (size_t i = first; SUCCEEDED(hr) && i < layers->size(); ++i)
        (*layers)[i].effects.insert((*layers)[i].effects.end(), effects.begin(), effects.end());
      CompTransitions own;
      own.firstLayer = first;
      own.endLayer = layers->size();
      own.transitions = ReadTransitions(vtrack.Get());
      if (!own.transitions.empty() && own.endLayer > first) comps->push_back(std::move(own));
    } else {
      LayerPlan layer;
      hr = ReadTrack(vtrack.Get(), &layer);
      layers->push_back(std::move(layer));
    }
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

// Binds each effect and transition to the engine's own, once per plan, and reports those the
// engine has nothing to apply with: rendering on as if they were there would hand the user a
// file that differs from the project without a word. Such effects are left out. A transition
// of another kind still blends its track in, as one naming no filter does (a dissolve, or a
// crossfade of sound), and says so.
template <class List>
void BindEffects(List& list, EffectKind kind, IAMErrorLog* log) {
  const bool transitions = kind == kVideoTransition || kind == kAudioTransition;
  const bool video = kind == kVideoEffect || kind == kVideoTransition;
  for (auto it = list.begin(); it != list.end();) {
    it->effect = FindBuiltInEffect(it->clsid, kind);
    if (it->effect || (transitions && it->clsid == GUID_NULL)) {
      ++it;
      continue;
    }
    const std::wstring what = std::wstring(video ? L"Video " : L"Audio ") + (transitions ? L"transition " : L"effect ");
    const std::wstring id = it->clsid == GUID_NULL ? std::wstring(L"without a class id") : GuidToText(it->clsid);
    const std::wstring instead = !transitions ? L"it is left out"
                                 : video      ? L"it renders as a dissolve"
                                              : L"it renders as a crossfade";
    LogTo(log, DEX_IDS_INSTALL_PROBLEM, REGDB_E_CLASSNOTREG,
          what + id + L" from " + SecondsText(it->start) + L" to " + SecondsText(it->stop) +
              L" cannot be applied: the engine has no such " + (transitions ? L"transition" : L"effect") + L"; " +
              instead);
    it = transitions ? it + 1 : list.erase(it);
  }
}

}  // namespace

double EffectPlan::Number(const wchar_t* name, REFERENCE_TIME t, double fallback) const {
  for (const Parameter& param : params) {
    if (lstrcmpiW(param.name.c_str(), name) != 0 || param.keyframes.empty()) continue;
    VARIANT v;
    VariantInit(&v);
    double number = fallback;
    if (SUCCEEDED(EvaluateKeyframes(param.keyframes, t - start, &v))) {
      if (v.vt == VT_BSTR && v.bstrVal && (v.bstrVal[0] == L'0') && (v.bstrVal[1] == L'x' || v.bstrVal[1] == L'X')) {
        wchar_t* end = nullptr;
        const unsigned long hex = wcstoul(v.bstrVal + 2, &end, 16);
        if (end && !*end && end != v.bstrVal + 2) number = static_cast<double>(hex);
      } else if (!VariantNumber(v, &number) || !std::isfinite(number)) {
        number = fallback;
      }
    }
    VariantClear(&v);
    return number;
  }
  return fallback;
}

double EffectPlan::Elapsed(REFERENCE_TIME t) const {
  return stop > start ? static_cast<double>(t - start) / static_cast<double>(stop - start) : 0.0;
}

REFERENCE_TIME ClipPlan::MediaTimeAt(REFERENCE_TIME t) const {
  const REFERENCE_TIME span = stop - start;
  if (span <= 0) return mediaStart;
  const long double offset = static_cast<long double>(t - start) * (mediaStop - mediaStart) / span;
  return mediaStart + static_cast<REFERENCE_TIME>(offset);
}

bool CanProduce(const AM_MEDIA_TYPE& mt) {
  if (mt.majortype == MEDIATYPE_Video) {
    if (mt.formattype != FORMAT_VideoInfo || !mt.pbFormat || mt.cbFormat < sizeof(VIDEOINFOHEADER)) return false;
    const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    if (bih.biWidth <= 0 || bih.biHeight == 0 || bih.biWidth > 16384 || bih.biHeight > 16384 || bih.biHeight < -16384 ||
        bih.biCompression != BI_RGB)
      return false;
    return (mt.subtype == MEDIASUBTYPE_RGB555 && bih.biBitCount == 16) ||
           (mt.subtype == MEDIASUBTYPE_RGB24 && bih.biBitCount == 24) ||
           ((mt.subtype == MEDIASUBTYPE_RGB32 || mt.subtype == MEDIASUBTYPE_ARGB32) && bih.biBitCount == 32) ||
           (mt.subtype == MEDIASUBTYPE_RGB8 && bih.biBitCount == 8 && UsesRenderPalette(mt));
  }
  if (mt.majortype == MEDIATYPE_Audio) {
    if (mt.formattype != FORMAT_WaveFormatEx || !mt.pbFormat || mt.cbFormat < 16) return false;
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
    return wfx->wFormatTag == WAVE_FORMAT_PCM && wfx->wBitsPerSample == 16 && wfx->nChannels >= 1 &&
           wfx->nChannels <= 2 && wfx->nSamplesPerSec > 0 && wfx->nSamplesPerSec <= 1000000 &&
           wfx->nBlockAlign == wfx->nChannels * 2;
  }
  return false;
}

HRESULT ReadGroupPlan(IAMTimeline* timeline, LONG index, GroupPlan* plan) {
  ComPtr<IAMTimelineObj> obj;
  HRESULT hr = timeline->GetGroup(&obj, index);
  if (FAILED(hr)) return hr;
  auto group = As<IAMTimelineGroup>(obj.Get());
  if (!group) return E_NOINTERFACE;
  AM_MEDIA_TYPE mt{};
  if (FAILED(hr = group->GetMediaType(&mt))) return hr;
  plan->type.Adopt(mt);
  plan->kind = media::KindOf(plan->type.Get().majortype);
  group->GetOutputFPS(&plan->fps);
  BOOL preview = FALSE;
  group->GetPreviewMode(&preview);
  plan->preview = preview != FALSE;
  if (!(plan->fps > 0)) plan->fps = 15.0;
  timeline->GetDuration(&plan->duration);
  obj.As(&plan->identity);
  if (auto setLog = As<IAMSetErrorLog>(timeline)) setLog->get_ErrorLog(&plan->log);
  plan->layers.clear();
  if (Muted(obj.Get())) return S_OK;  // a muted group renders black or silence
  plan->effects = ReadEffects(obj.Get(), 0);
  if (FAILED(hr = ReadComp(obj.Get(), &plan->layers, &plan->compTransitions, 0))) return hr;
  // Effects and transitions that name no filter are the timeline's default ones.
  GUID defaultEffect = GUID_NULL, defaultTransition = GUID_NULL;
  timeline->GetDefaultEffect(&defaultEffect);
  timeline->GetDefaultTransition(&defaultTransition);
  auto fill = [](auto& list, const GUID& fallback) {
    for (auto& item : list)
      if (item.clsid == GUID_NULL) item.clsid = fallback;
  };
  fill(plan->effects, defaultEffect);
  for (LayerPlan& layer : plan->layers) {
    fill(layer.effects, defaultEffect);
    fill(layer.transitions, defaultTransition);
    for (ClipPlan& clip : layer.clips) fill(clip.effects, defaultEffect);
  }
  for (CompTransitions& comp : plan->compTransitions) fill(comp.transitions, defaultTransition);
  // The timeline may switch all effects or all transitions off, for a quicker preview.
  BOOL effects = TRUE, transitions = TRUE;
  timeline->EffectsEnabled(&effects);
  timeline->TransitionsEnabled(&transitions);
  if (!effects) {
    plan->effects.clear();
    for (LayerPlan& layer : plan->layers) {
      layer.effects.clear();
      for (ClipPlan& clip : layer.clips) clip.effects.clear();
    }
  }
  if (!transitions) {
    for (LayerPlan& layer : plan->layers) layer.transitions.clear();
    plan->compTransitions.clear();
  }
  // What is switched off is neither bound nor reported.
  const bool video = plan->kind == media::StreamKind::Video;
  const EffectKind effectKind = video ? kVideoEffect : kAudioEffect;
  const EffectKind transitionKind = video ? kVideoTransition : kAudioTransition;
  BindEffects(plan->effects, effectKind, plan->log.Get());
  for (LayerPlan& layer : plan->layers) {
    BindEffects(layer.effects, effectKind, plan->log.Get());
    BindEffects(layer.transitions, transitionKind, plan->log.Get());
    for (ClipPlan& clip : layer.clips) BindEffects(clip.effects, effectKind, plan->log.Get());
  }
  for (CompTransitions& comp : plan->compTransitions) BindEffects(comp.transitions, transitionKind, plan->log.Get());
  return S_OK;
}

void LogTo(IAMErrorLog* log, LONG code, HRESULT hr, const std::wstring& text) {
  if (!log) return;
  // Every group streams on its own thread; the application's log expects one caller at a time.
  static SlimMutex one;
  std::lock_guard<SlimMutex> hold(one);
  BSTR message = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  log->LogError(2, message, code, hr, nullptr);
  SysFreeString(message);
}

}  // namespace engine::render
