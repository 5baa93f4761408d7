// What the engine's tests share: COM with the engine registered, a recording error log, media types, builders.
#pragma once

#include "services/ComUtil.h"
#include "services/EditingServices.h"

#include <gtest/gtest.h>
#include <amvideo.h>
#include <control.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// The platform's XML headers name no interface ids for __uuidof.
__CRT_UUID_DECL(IXMLDOMDocument, 0x2933bf81, 0x7b36, 0x11d2, 0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60)

namespace enginetest {

using Microsoft::WRL::ComPtr;

constexpr REFERENCE_TIME kSecond = 10000000;
using Span = std::pair<REFERENCE_TIME, REFERENCE_TIME>;

// An object's interface I, or null.
using ::As;
template <class I, class T>
ComPtr<I> As(const ComPtr<T>& obj) {
  return ::As<I>(obj.Get());
}

// A new object of a class registered for the process.
template <class I>
ComPtr<I> Create(REFCLSID clsid) {
  ComPtr<I> p;
  EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I),
                                   reinterpret_cast<void**>(p.GetAddressOf())));
  return p;
}

// What a getter of one out-parameter on the object's interface I gives; T{} and a failure if none.
template <class T, class I, class P>
T Get(const P& obj, HRESULT (I::*getter)(T*)) {
  T value{};
  auto i = As<I>(obj);
  EXPECT_TRUE(i && SUCCEEDED((i.Get()->*getter)(&value)));
  return value;
}

// An object's children of one kind in the model's order, and the timeline's groups.
using Nodes = std::vector<ComPtr<IAMTimelineObj>>;
Nodes GroupsOf(IAMTimeline* timeline);
Nodes VTracksOf(IAMTimelineObj* comp);
Nodes EffectsOf(IAMTimelineObj* obj);
Nodes TransitionsOf(IAMTimelineObj* obj);
Nodes SourcesOf(IAMTimelineObj* track);

inline Span Times(IAMTimelineObj* obj) {
  Span s{-1, -1};
  if (obj) obj->GetStartStop(&s.first, &s.second);
  return s;
}

// A media type that owns its format block.
struct TestType {
  AM_MEDIA_TYPE mt{};
  std::vector<BYTE> format;
  AM_MEDIA_TYPE* Get() {
    mt.pbFormat = format.data();
    mt.cbFormat = static_cast<ULONG>(format.size());
    return &mt;
  }
  BITMAPINFOHEADER& Bih() { return reinterpret_cast<VIDEOINFOHEADER*>(format.data())->bmiHeader; }
  WAVEFORMATEX& Wfx() { return *reinterpret_cast<WAVEFORMATEX*>(format.data()); }
};

// Video in a VIDEOINFOHEADER, followed by `colours` palette entries; no sample size given.
inline TestType VideoType(const GUID& subtype, WORD bits, LONG width, LONG height, DWORD compression = BI_RGB,
                          int colours = 0) {
  TestType t;
  t.mt = {MEDIATYPE_Video, subtype, FALSE, FALSE, 0, FORMAT_VideoInfo, nullptr, 0, nullptr};
  t.format.resize(sizeof(VIDEOINFOHEADER) + colours * sizeof(RGBQUAD));
  t.Bih() = {sizeof(BITMAPINFOHEADER), width, height, 1, bits, compression, 0, 0, 0, 0, 0};
  return t;
}

// Audio in a WAVEFORMATEX; the alignment and byte rate follow from the rest unless given.
inline TestType PcmType(WORD channels, DWORD rate, WORD bits = 16, WORD tag = WAVE_FORMAT_PCM, WORD align = 0,
                        DWORD bytes = 0) {
  TestType t;
  t.mt.majortype = MEDIATYPE_Audio;
  t.mt.subtype = MEDIASUBTYPE_PCM;
  t.mt.formattype = FORMAT_WaveFormatEx;
  t.format.resize(sizeof(WAVEFORMATEX));
  if (!align) align = static_cast<WORD>(channels * bits / 8);
  t.Wfx() = {tag, channels, rate, bytes ? bytes : rate * align, align, bits, 0};
  return t;
}

// A group's media type, copied; empty when it has none.
template <class P>
TestType GroupType(const P& group) {
  TestType t;
  auto g = As<IAMTimelineGroup>(group);
  if (g && SUCCEEDED(g->GetMediaType(&t.mt))) {
    t.format.assign(t.mt.pbFormat, t.mt.pbFormat + t.mt.cbFormat);
    CoTaskMemFree(t.mt.pbFormat);
  }
  return t;
}

// A parameter's keyframe: a number or a text at a time.
struct Key {
  Key(double number, REFERENCE_TIME at, DWORD how = DEXTERF_JUMP) : value(number), time(at), interp(how) {}
  Key(const wchar_t* text, REFERENCE_TIME at, DWORD how = DEXTERF_JUMP) : text(text), time(at), interp(how) {}
  double value = 0;
  const wchar_t* text = nullptr;
  REFERENCE_TIME time;
  DWORD interp;
};
// What a setter holds, as GetProps hands it out.
struct PropValue {
  VARTYPE type;
  std::wstring text;  // a text value
  double number;      // a number value
  REFERENCE_TIME time;
  DWORD interp;
};
struct Prop {
  std::wstring name;
  DISPID dispID;
  std::vector<PropValue> values;
};
std::vector<Prop> Props(IPropertySetter* setter);
// Every value of every parameter, one row each: name, type, text, number, time, interpolation.
using PropRow = std::tuple<std::wstring, VARTYPE, std::wstring, double, REFERENCE_TIME, DWORD>;
std::vector<PropRow> PropRows(IPropertySetter* setter);
std::vector<PropRow> PropRows(IAMTimelineObj* obj);  // of its setter; none without one
// Adds a parameter to a setter; the values given are the caller's, the setter keeps copies.
HRESULT AddParam(IPropertySetter* setter, const wchar_t* name, const std::vector<Key>& keys, DISPID dispID = 0);
// The same on an object's own setter, which is made when it has none.
void AddParam(IAMTimelineObj* obj, const wchar_t* name, const std::vector<Key>& keys);

// Runs a graph until it completes or aborts, calling `tick` between waits, and stops it; returns
// the code of that event, 0 when neither came in time.
inline long RunGraph(IUnknown* graph, DWORD timeoutMs = 60000, const std::function<void()>& tick = {}) {
  auto control = As<IMediaControl>(graph);
  ComPtr<IMediaEvent> events;  // control.h gives it no id for __uuidof
  graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf()));
  EXPECT_TRUE(SUCCEEDED(control->Run()));
  long code = 0;
  for (DWORD waited = 0; waited < timeoutMs && !code; waited += 20) {
    if (tick) tick();
    long ev = 0;
    LONG_PTR p1 = 0, p2 = 0;
    // Events as the render window reads them: the first that ends a run.
    if (events->GetEvent(&ev, &p1, &p2, 20) == S_OK) {
      events->FreeEventParams(ev, p1, p2);
      if (ev == EC_COMPLETE || ev == EC_ERRORABORT || ev == EC_USERABORT) code = ev;
    }
  }
  if (tick) tick();
  control->Stop();
  return code;
}

struct LoggedError {
  LONG severity;
  std::wstring text;
  LONG code;
  HRESULT hr;
};

class RecordingLog final : public IAMErrorLog {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }  // lives on the test's stack
  STDMETHODIMP LogError(LONG severity, BSTR text, LONG code, LONG hr, VARIANT* extra) override;

  std::wstring LastText() const { return entries.empty() ? L"" : entries.back().text; }
  std::vector<LoggedError> entries;

 private:
  ULONG refs_ = 1;
};

// Base fixture: a fresh timeline reporting to `log`.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;

  ComPtr<IAMTimelineObj> Node(TIMELINE_MAJOR_TYPE kind);
  ComPtr<IAMTimelineObj> Item(TIMELINE_MAJOR_TYPE kind, REFERENCE_TIME start, REFERENCE_TIME stop);
  // A group added to the timeline, of `type` when one is given.
  ComPtr<IAMTimelineObj> AddGroup(AM_MEDIA_TYPE* type = nullptr);
  ComPtr<IAMTimelineObj> AddTrack(IAMTimelineObj* comp);
  // A source added to a track, its media played from `mstart` to `mstop`.
  ComPtr<IAMTimelineObj> AddSource(IAMTimelineObj* track, REFERENCE_TIME start, REFERENCE_TIME stop,
                                   const std::wstring& media, REFERENCE_TIME mstart, REFERENCE_TIME mstop);
  ComPtr<IAMTimeline> NewTimeline();
  // Two groups holding every kind of object with every property the model keeps set, and names,
  // media and parameters outside ASCII or with markup characters in them.
  void BuildRichTimeline();

  RecordingLog log;
  ComPtr<IAMTimeline> timeline;
};

}  // namespace enginetest
