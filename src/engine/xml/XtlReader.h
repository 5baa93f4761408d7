// Reads an XTL document into a timeline. The groups are built aside and added only when the
// whole document was read: a failure leaves the timeline as it was. Attributes and elements
// that are not XTL (other tools add their own) are passed over, and one warning names them.
#pragma once

#include "engine/base/ErrorSink.h"
#include "engine/dom/DomReader.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace engine::xtl {

class XtlReader {
 public:
  XtlReader(IAMTimeline* timeline, const ErrorSink& errors) : timeline_(timeline), errors_(errors) {}

  // `root` is the `timeline` element.
  HRESULT Read(IXMLDOMNode* root);

 private:
  using ObjPtr = Microsoft::WRL::ComPtr<IAMTimelineObj>;

  HRESULT Fail(const std::wstring& why);
  HRESULT Create(TIMELINE_MAJOR_TYPE kind, ObjPtr* obj);
  HRESULT ReadCommon(const DomElement& e, IAMTimelineObj* obj);
  HRESULT ReadGroup(const DomElement& e, ObjPtr* group);
  HRESULT ReadGroupType(const DomElement& e, IAMTimelineGroup* group);
  HRESULT ReadContainer(const DomElement& e, IAMTimelineObj* obj, int depth);
  HRESULT ReadChild(const DomElement& e, IAMTimelineObj* parent, int depth, REFERENCE_TIME parentEnd);
  HRESULT ReadClip(const DomElement& e, IAMTimelineObj* track, int depth);
  HRESULT ReadEffect(const DomElement& e, IAMTimelineObj* parent, REFERENCE_TIME parentEnd);
  HRESULT ReadTransition(const DomElement& e, IAMTimelineObj* parent, REFERENCE_TIME parentEnd);
  HRESULT ReadTimes(const DomElement& e, REFERENCE_TIME parentEnd, REFERENCE_TIME* start, REFERENCE_TIME* stop);
  // Notes the attributes of `e` that are not among `known`, to be named in the warning.
  void PassOver(const DomElement& e, std::initializer_list<const wchar_t*> known);
  void PassOver(const std::wstring& what);
  HRESULT ReadParams(const std::vector<Microsoft::WRL::ComPtr<IXMLDOMNode>>& params, IAMTimelineObj* obj);
  HRESULT TimeAttr(const DomElement& e, const wchar_t* name, REFERENCE_TIME* t, bool* present);
  HRESULT BoolAttr(const DomElement& e, const wchar_t* name, BOOL* value, bool* present);
  HRESULT LongAttr(const DomElement& e, const wchar_t* name, LONG* value, bool* present);
  HRESULT DoubleAttr(const DomElement& e, const wchar_t* name, double* value, bool* present);

  IAMTimeline* timeline_;
  const ErrorSink& errors_;
  double documentFps_ = 0;                // the document's <timeline> framerate; 0 without one
  std::vector<std::wstring> passedOver_;  // the first few, for the warning
  size_t passedOverCount_ = 0;
};

}  // namespace engine::xtl
