// What every timeline object has: times, names, flags, the property setter, its place in the
// tree. The kinds (group, composition, track, source, effect, transition) derive from it and
// add the interfaces of their kind.
#pragma once

#include "engine/base/ComObject.h"
#include "engine/model/TimelineContext.h"

#include <functional>
#include <string>
#include <vector>

namespace engine {

// Lets the engine recognise its own objects among the interface pointers callers hand it.
EXTERN_C const IID IID_MrqTimelineNode;

class TimelineNode : public ComObject<TimelineNode, IAMTimelineObj> {
 public:
  // Our node behind an interface pointer, or null for a foreign or null object.
  static Microsoft::WRL::ComPtr<TimelineNode> FromUnknown(IUnknown* unknown);

  TIMELINE_MAJOR_TYPE Kind() const { return kind_; }
  TimelineNode* Parent() const { return parent_; }
  bool IsAttached() const { return parent_ != nullptr || ownerTimeline_ != nullptr; }
  const ContextPtr& Context() const { return context_; }
  REFERENCE_TIME Start() const { return start_; }
  REFERENCE_TIME Stop() const { return stop_; }

  // Tree maintenance, used by the containers and the timeline.
  void AttachTo(TimelineNode* parent) { parent_ = parent; }
  void AttachToTimeline(IAMTimeline* timeline) { ownerTimeline_ = timeline; }
  bool IsSelfOrAncestorOf(const TimelineNode* node) const;
  HRESULT Report(LONG severity, const wchar_t* text, LONG code, HRESULT hr) const;

  // The latest stop time of this object and everything in it, in its parent's time frame.
  virtual REFERENCE_TIME ContentEnd() const { return stop_; }
  virtual void ForEachChild(const std::function<void(TimelineNode&)>& visit) const;
  // Takes a child out of whichever list holds it; false when it is not ours.
  virtual bool DetachChild(TimelineNode* child);
  // Empties this object, recursively: the content leaves with it.
  virtual void DropChildren() {}
  // A child on a list that keeps the non-overlap rule asks before its times change.
  virtual HRESULT ValidateChildTimes(TimelineNode* child, REFERENCE_TIME start, REFERENCE_TIME stop);
  virtual void ChildTimesChanged(TimelineNode* child);

  // IAMTimelineObj
  STDMETHODIMP GetStartStop(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP GetStartStop2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP FixTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP FixTimes2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP SetStartStop2(REFTIME start, REFTIME stop) override;
  STDMETHODIMP GetPropertySetter(IPropertySetter** setter) override;
  STDMETHODIMP SetPropertySetter(IPropertySetter* setter) override;
  STDMETHODIMP GetSubObject(IUnknown** obj) override;
  STDMETHODIMP SetSubObject(IUnknown* obj) override;
  STDMETHODIMP SetSubObjectGUID(GUID guid) override;
  STDMETHODIMP SetSubObjectGUIDB(BSTR guid) override;
  STDMETHODIMP GetSubObjectGUID(GUID* guid) override;
  STDMETHODIMP GetSubObjectGUIDB(BSTR* guid) override;
  STDMETHODIMP GetSubObjectLoaded(BOOL* loaded) override;
  STDMETHODIMP GetTimelineType(TIMELINE_MAJOR_TYPE* type) override;
  STDMETHODIMP SetTimelineType(TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP GetUserID(LONG* id) override;
  STDMETHODIMP SetUserID(LONG id) override;
  STDMETHODIMP GetGenID(LONG* id) override;
  STDMETHODIMP GetUserName(BSTR* name) override;
  STDMETHODIMP SetUserName(BSTR name) override;
  STDMETHODIMP GetUserData(BYTE* data, LONG* size) override;
  STDMETHODIMP SetUserData(BYTE* data, LONG size) override;
  STDMETHODIMP GetMuted(BOOL* muted) override;
  STDMETHODIMP SetMuted(BOOL muted) override;
  STDMETHODIMP GetLocked(BOOL* locked) override;
  STDMETHODIMP SetLocked(BOOL locked) override;
  STDMETHODIMP GetDirtyRange(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP GetDirtyRange2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP SetDirtyRange(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP SetDirtyRange2(REFTIME start, REFTIME stop) override;
  STDMETHODIMP ClearDirty() override;
  STDMETHODIMP Remove() override;
  STDMETHODIMP RemoveAll() override;
  STDMETHODIMP GetTimelineNoRef(IAMTimeline** timeline) override;
  STDMETHODIMP GetGroupIBelongTo(IAMTimelineGroup** group) override;
  STDMETHODIMP GetEmbedDepth(LONG* depth) override;

 protected:
  TimelineNode(TIMELINE_MAJOR_TYPE kind, ContextPtr context);
  ~TimelineNode() override = default;

  // The node as the lists of its children see it (a plain `*this` would also match their
  // copy constructors).
  TimelineNode& AsNode() { return *this; }

  // The answers every kind shares (IUnknown, IAMTimelineObj, our private id).
  bool QueryCommon(REFIID iid, void** out);
  // Containers report 0 .. end of content instead of stored times.
  virtual bool IsContainer() const { return false; }

  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_ = 0;

 private:
  TIMELINE_MAJOR_TYPE kind_;
  ContextPtr context_;
  TimelineNode* parent_ = nullptr;        // not counted: the parent holds us
  IAMTimeline* ownerTimeline_ = nullptr;  // groups only; not counted
  bool hasName_ = false;
  std::wstring name_;
  BOOL muted_ = FALSE;
  BOOL locked_ = FALSE;
  GUID subObjectGuid_ = GUID_NULL;
  Microsoft::WRL::ComPtr<IUnknown> subObject_;
  Microsoft::WRL::ComPtr<IPropertySetter> propertySetter_;
  LONG userId_ = 0;
  LONG genId_ = 0;
  std::vector<BYTE> userData_;
  REFERENCE_TIME dirtyStart_ = 0;
  REFERENCE_TIME dirtyStop_ = 0;
};

// Every kind counts on the node it is (its interfaces share the one count); each declares its
// own QueryInterface.
#define MRQ_NODE_REFCOUNT                                                   \
  STDMETHODIMP_(ULONG) AddRef() override { return TimelineNode::AddRef(); } \
  STDMETHODIMP_(ULONG) Release() override { return TimelineNode::Release(); }

}  // namespace engine
