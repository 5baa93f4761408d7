#include "OutputTestSource.h"

#include "EngineTestSupport.h"
#include "core/FilterCatalog.h"
#include "services/ComUtil.h"
#include "services/MediaTypes.h"

#include <cstring>

namespace outputtest {

ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION dir) {
  ComPtr<IPin> pin;
  FirstPin(filter, dir, pin.GetAddressOf());
  return pin;
}

ComPtr<IBaseFilter> Catalogued(const wchar_t* name, REFCLSID category) {
  std::vector<FilterEntry> catalog;
  EnumerateCategory(catalog, category, 0);
  ComPtr<IBaseFilter> filter;
  for (const FilterEntry& e : catalog)
    if (e.name == name && SUCCEEDED(BindFilter(e.displayName.c_str(), &filter))) break;
  EXPECT_TRUE(filter) << testing::PrintToString(std::wstring(name)) << " is not in the catalogue";
  return filter;
}

TestSink* TestSink::New(const GUID& major, ComPtr<IBaseFilter>* filter) {
  auto* sink = new TestSink(major);
  Adopt(*filter, static_cast<IBaseFilter*>(sink));
  return sink;
}

SourceSetup VideoSetup(LONG width, LONG height, WORD bits, REFERENCE_TIME frameTime, int frames) {
  SourceSetup s;
  s.sampleBytes = ((width * bits + 31) / 32) * 4 * height;
  const int colours = bits == 8 ? 256 : 0;
  enginetest::TestType t = enginetest::VideoType(bits == 32   ? MEDIASUBTYPE_RGB32
                                                 : bits == 24 ? MEDIASUBTYPE_RGB24
                                                 : bits == 16 ? MEDIASUBTYPE_RGB555
                                                              : MEDIASUBTYPE_RGB8,
                                                 bits, width, height, BI_RGB, colours);
  t.Bih().biClrUsed = colours;
  for (int i = 0; i < colours; ++i) reinterpret_cast<RGBQUAD*>(&t.Bih() + 1)[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
  reinterpret_cast<VIDEOINFOHEADER*>(t.format.data())->AvgTimePerFrame = frameTime;
  t.mt.bFixedSizeSamples = TRUE;
  t.mt.lSampleSize = t.Bih().biSizeImage = static_cast<DWORD>(s.sampleBytes);
  CopyMediaType(&s.type, *t.Get());
  s.samples = frames;
  s.sampleTime = frameTime;
  return s;
}

SourceSetup AudioSetup(DWORD rate, WORD channels, int chunks, DWORD framesPerChunk) {
  SourceSetup s;
  enginetest::TestType t = enginetest::PcmType(channels, rate);
  t.mt.bFixedSizeSamples = TRUE;
  t.mt.lSampleSize = t.Wfx().nBlockAlign;
  CopyMediaType(&s.type, *t.Get());
  s.sampleBytes = static_cast<long>(framesPerChunk * t.Wfx().nBlockAlign);
  s.samples = chunks;
  s.sampleTime = static_cast<REFERENCE_TIME>(framesPerChunk) * 10000000 / rate;
  return s;
}

TestSourceOut::TestSourceOut(TestSource* source) : OutputPin(source, L"Out"), source_(source) {}

HRESULT TestSourceOut::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  const AM_MEDIA_TYPE& own = source_->Setup().type;
  return mt.majortype == own.majortype && mt.subtype == own.subtype && mt.formattype == own.formattype &&
                 mt.cbFormat == own.cbFormat && memcmp(mt.pbFormat, own.pbFormat, own.cbFormat) == 0
             ? S_OK
             : S_FALSE;
}

HRESULT TestSourceOut::GetMediaType(int index, AM_MEDIA_TYPE* mt) {
  if (index != 0) return VFW_S_NO_MORE_ITEMS;
  return CopyMediaType(mt, source_->Setup().type);
}

void TestSourceOut::BufferNeeds(ALLOCATOR_PROPERTIES& props) {
  props.cBuffers = 2;
  props.cbBuffer = source_->Setup().sampleBytes;
  props.cbAlign = 1;
  props.cbPrefix = 0;
}

TestSource::TestSource(SourceSetup setup) : FilterBase(GUID_NULL), setup_(setup) {
  out_ = std::make_unique<TestSourceOut>(this);
}

TestSource::~TestSource() {
  OnStop();
  out_.reset();
  FreeMediaTypeContents(setup_.type);
}

ComPtr<IBaseFilter> TestSource::New(SourceSetup setup) {
  ComPtr<IBaseFilter> filter;
  Adopt(filter, static_cast<IBaseFilter*>(new TestSource(setup)));
  return filter;
}

HRESULT TestSource::OnStart() {
  HRESULT hr = out_->Active();
  if (FAILED(hr)) return hr;
  stop_ = false;
  thread_ = std::thread([this] { Stream(); });
  return S_OK;
}

void TestSource::OnStop() {
  stop_ = true;
  out_->Inactive();
  if (thread_.joinable()) thread_.join();
}

void TestSource::Stream() {
  for (int i = 0; i < setup_.samples && !stop_; ++i) {
    IMediaSample* sample = nullptr;
    if (FAILED(out_->GetDeliveryBuffer(&sample))) return;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    memset(data, (i * setup_.step) & 0xFF, static_cast<size_t>(setup_.sampleBytes));
    sample->SetActualDataLength(setup_.sampleBytes);
    REFERENCE_TIME start = i * setup_.sampleTime, stop = start + setup_.sampleTime;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    const HRESULT hr = out_->Deliver(sample);
    sample->Release();
    if (hr != S_OK) return;
    if (setup_.pauseMs) Sleep(setup_.pauseMs);
  }
  if (!stop_) out_->DeliverEndOfStream();
}

}  // namespace outputtest
