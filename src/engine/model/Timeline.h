// The timeline (CLSID_AMTimeline): its groups, defaults, and the error log it reports to.
#pragma once

#include "engine/base/ComObject.h"
#include "engine/model/TimelineNode.h"

#include <vector>

namespace engine {

class Timeline final : public ComObject<Timeline, IAMTimeline, IAMSetErrorLog> {
 public:
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  // IAMTimeline
  STDMETHODIMP CreateEmptyNode(IAMTimelineObj** obj, TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP AddGroup(IAMTimelineObj* group) override;
  STDMETHODIMP RemGroupFromList(IAMTimelineObj* group) override;
  STDMETHODIMP GetGroup(IAMTimelineObj** group, LONG index) override;
  STDMETHODIMP GetGroupCount(LONG* count) override;
  STDMETHODIMP ClearAllGroups() override;
  STDMETHODIMP GetInsertMode(LONG* mode) override;
  STDMETHODIMP SetInsertMode(LONG mode) override;
  STDMETHODIMP EnableTransitions(BOOL enabled) override;
  STDMETHODIMP TransitionsEnabled(BOOL* enabled) override;
  STDMETHODIMP EnableEffects(BOOL enabled) override;
  STDMETHODIMP EffectsEnabled(BOOL* enabled) override;
  STDMETHODIMP SetInterestRange(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP GetDuration(REFERENCE_TIME* duration) override;
  STDMETHODIMP GetDuration2(double* duration) override;
  STDMETHODIMP SetDefaultFPS(double fps) override;
  STDMETHODIMP GetDefaultFPS(double* fps) override;
  STDMETHODIMP IsDirty(BOOL* dirty) override;
  STDMETHODIMP GetDirtyRange(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP GetCountOfType(LONG group, LONG* value, LONG* valueWithComps, TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP ValidateSourceNames(LONG, IMediaLocator*, LONG_PTR) override { return E_NOTIMPL; }
  STDMETHODIMP SetDefaultTransition(GUID* guid) override;
  STDMETHODIMP GetDefaultTransition(GUID* guid) override;
  STDMETHODIMP SetDefaultEffect(GUID* guid) override;
  STDMETHODIMP GetDefaultEffect(GUID* guid) override;
  STDMETHODIMP SetDefaultTransitionB(BSTR guid) override;
  STDMETHODIMP GetDefaultTransitionB(BSTR* guid) override;
  STDMETHODIMP SetDefaultEffectB(BSTR guid) override;
  STDMETHODIMP GetDefaultEffectB(BSTR* guid) override;

  // IAMSetErrorLog
  STDMETHODIMP get_ErrorLog(IAMErrorLog** log) override;
  STDMETHODIMP put_ErrorLog(IAMErrorLog* log) override;

 private:
  Timeline();
  ~Timeline();
  HRESULT Report(const wchar_t* text, HRESULT hr) const;

  ContextPtr context_;
  std::vector<Microsoft::WRL::ComPtr<TimelineNode>> groups_;
  BOOL transitionsEnabled_ = TRUE;
  BOOL effectsEnabled_ = TRUE;
  GUID defaultTransition_ = GUID_NULL;
  GUID defaultEffect_ = GUID_NULL;
  REFERENCE_TIME interestStart_ = 0;
  REFERENCE_TIME interestStop_ = 0;
};

}  // namespace engine
