// Reads an XTL document into a timeline. The groups are built aside and added only when the
// whole document was read: a failure leaves the timeline as it was.
#pragma once

#include "engine/ErrorSink.h"
#include "engine/xml/DomReader.h"

#include <vector>

namespace engine::xtl {

class XtlReader {
public:
  XtlReader(IAMTimeline *timeline, const ErrorSink &errors) : timeline_(timeline), errors_(errors) {}

  // `root` is the `timeline` element.
  HRESULT Read(IXMLDOMNode *root);

private:
  using ObjPtr = Microsoft::WRL::ComPtr<IAMTimelineObj>;

  HRESULT Fail(const std::wstring &why);
  HRESULT Create(TIMELINE_MAJOR_TYPE kind, ObjPtr *obj);
  HRESULT ReadCommon(const DomElement &e, IAMTimelineObj *obj);
  HRESULT ReadGroup(const DomElement &e, ObjPtr *group);
  HRESULT ReadContainer(const DomElement &e, IAMTimelineObj *obj, int depth);
  HRESULT ReadChild(const DomElement &e, IAMTimelineObj *parent, int depth);
  HRESULT ReadClip(const DomElement &e, IAMTimelineObj *track, int depth);
  HRESULT ReadEffect(const DomElement &e, IAMTimelineObj *parent);
  HRESULT ReadTransition(const DomElement &e, IAMTimelineObj *parent);
  HRESULT ReadTimes(const DomElement &e, REFERENCE_TIME *start, REFERENCE_TIME *stop);
  HRESULT ReadParams(const std::vector<Microsoft::WRL::ComPtr<IXMLDOMNode>> &params,
                     IAMTimelineObj *obj);
  HRESULT TimeAttr(const DomElement &e, const wchar_t *name, REFERENCE_TIME *t, bool *present);
  HRESULT BoolAttr(const DomElement &e, const wchar_t *name, BOOL *value, bool *present);
  HRESULT LongAttr(const DomElement &e, const wchar_t *name, LONG *value, bool *present);
  HRESULT DoubleAttr(const DomElement &e, const wchar_t *name, double *value, bool *present);

  IAMTimeline *timeline_;
  const ErrorSink &errors_;
};

}  // namespace engine::xtl
