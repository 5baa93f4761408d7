// Writes a timeline of this engine as XTL text: every property its objects hold, so that
// reading the text back gives the same timeline.
#pragma once

#include "services/EditingServices.h"

#include <string>

namespace engine::xtl {

class XtlWriter {
 public:
  // The document text, root element `timeline`, without an XML declaration (callers embed it).
  // On failure *why says what could not be written.
  HRESULT Write(IAMTimeline* timeline, std::wstring* text, std::wstring* why);

 private:
  HRESULT WriteObject(IAMTimelineObj* obj, int depth);
  HRESULT WriteCommon(IAMTimelineObj* obj);
  HRESULT WriteGroupAttributes(IAMTimelineObj* obj);
  HRESULT WriteClipAttributes(IAMTimelineObj* obj);
  HRESULT WriteTransAttributes(IAMTimelineObj* obj);
  HRESULT WriteParams(IAMTimelineObj* obj, int depth, bool* any);
  HRESULT Attr(const wchar_t* name, const std::wstring& value);
  HRESULT Attr(const wchar_t* name, const wchar_t* value, size_t length);
  void Open(bool* any);
  void Indent(int depth);

  std::wstring out_;
  std::wstring why_;
};

}  // namespace engine::xtl
