// A source: a span of a media file placed on a track, possibly with effects of its own.
#pragma once

#include "engine/model/EffectChain.h"

#include <string>

namespace engine {

class SourceNode : public TimelineNode, public EffectChain, public IAMTimelineSrc {
 public:
  static HRESULT Create(ContextPtr context, IAMTimelineObj** obj);

  MRQ_NODE_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  REFERENCE_TIME ContentEnd() const override;
  void ForEachChild(const std::function<void(TimelineNode&)>& visit) const override;
  bool DetachChild(TimelineNode* child) override { return DetachEffect(child); }
  void DropChildren() override { DropEffects(); }

  // IAMTimelineSrc
  STDMETHODIMP GetMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP GetMediaTimes2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP ModifyStopTime(REFERENCE_TIME stop) override;
  STDMETHODIMP ModifyStopTime2(REFTIME stop) override;
  STDMETHODIMP FixMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP FixMediaTimes2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP SetMediaTimes(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP SetMediaTimes2(REFTIME start, REFTIME stop) override;
  STDMETHODIMP SetMediaLength(REFERENCE_TIME length) override;
  STDMETHODIMP SetMediaLength2(REFTIME length) override;
  STDMETHODIMP GetMediaLength(REFERENCE_TIME* length) override;
  STDMETHODIMP GetMediaLength2(REFTIME* length) override;
  STDMETHODIMP GetMediaName(BSTR* name) override;
  STDMETHODIMP SetMediaName(BSTR name) override;
  STDMETHODIMP SpliceWithNext(IAMTimelineObj*) override { return E_NOTIMPL; }
  STDMETHODIMP GetStreamNumber(LONG* num) override;
  STDMETHODIMP SetStreamNumber(LONG num) override;
  STDMETHODIMP IsNormalRate(BOOL* normal) override;
  STDMETHODIMP GetDefaultFPS(double* fps) override;
  STDMETHODIMP SetDefaultFPS(double fps) override;
  STDMETHODIMP GetStretchMode(int* mode) override;
  STDMETHODIMP SetStretchMode(int mode) override;

 private:
  explicit SourceNode(ContextPtr context);

  REFERENCE_TIME mediaStart_ = 0;
  REFERENCE_TIME mediaStop_ = 0;
  REFERENCE_TIME mediaLength_ = 0;
  std::wstring mediaName_;
  LONG stream_ = 0;
  double defaultFps_ = 0.0;
  int stretchMode_ = RESIZEF_STRETCH;
};

}  // namespace engine
