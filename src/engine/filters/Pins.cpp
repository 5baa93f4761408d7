#include "engine/filters/Pins.h"

#include "engine/filters/SlimAllocator.h"

#include "services/MediaTypes.h"

#include <uuids.h>

#include <vector>

namespace engine::filters {

namespace {

// A snapshot of a pin's preferred types.
class MediaTypeEnum final : public ComObject<MediaTypeEnum, IEnumMediaTypes> {
 public:
  explicit MediaTypeEnum(std::vector<AM_MEDIA_TYPE> types, size_t pos = 0) : types_(std::move(types)), pos_(pos) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IEnumMediaTypes, this}});
  }
  STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) override {
    if (!out || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < count && pos_ < types_.size()) {
      auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
      if (!mt || FAILED(CopyMediaType(mt, types_[pos_]))) {
        CoTaskMemFree(mt);
        break;
      }
      out[n++] = mt;
      ++pos_;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    pos_ += count;
    if (pos_ > types_.size()) {
      pos_ = types_.size();
      return S_FALSE;
    }
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    pos_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumMediaTypes** out) override {
    if (!out) return E_POINTER;
    std::vector<AM_MEDIA_TYPE> copies(types_.size());
    for (size_t i = 0; i < types_.size(); ++i) CopyMediaType(&copies[i], types_[i]);
    *out = new (std::nothrow) MediaTypeEnum(std::move(copies), pos_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~MediaTypeEnum() {
    for (auto& mt : types_) FreeMediaTypeContents(mt);
  }
  std::vector<AM_MEDIA_TYPE> types_;
  size_t pos_;
};

bool FullySpecified(const AM_MEDIA_TYPE& mt) {
  return mt.majortype != GUID_NULL && mt.subtype != GUID_NULL && mt.formattype != GUID_NULL;
}

}  // namespace

bool MatchesPartialType(const AM_MEDIA_TYPE& partial, const AM_MEDIA_TYPE& full) {
  return (partial.majortype == GUID_NULL || partial.majortype == full.majortype) &&
         (partial.subtype == GUID_NULL || partial.subtype == full.subtype) &&
         (partial.formattype == GUID_NULL || partial.formattype == full.formattype);
}

// ---- PinBase ----

PinBase::PinBase(FilterBase* filter, PIN_DIRECTION dir, std::wstring name)
    : filter_(filter), dir_(dir), name_(std::move(name)) {}

PinBase::~PinBase() { ClearConnection(); }

STDMETHODIMP PinBase::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPin) {
    *out = static_cast<IPin*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

bool PinBase::IsConnected() {
  Locked hold(filter_->Lock());
  return peer_ != nullptr;
}

HRESULT PinBase::SetConnection(IPin* peer, const AM_MEDIA_TYPE& mt) {
  HRESULT hr = CopyMediaType(&mt_, mt);
  if (FAILED(hr)) return hr;
  peer_ = peer;
  peer_->AddRef();
  return S_OK;
}

void PinBase::ClearConnection() {
  if (peer_) peer_->Release();
  peer_ = nullptr;
  FreeMediaTypeContents(mt_);
  mt_ = AM_MEDIA_TYPE{};
}

STDMETHODIMP PinBase::Disconnect() {
  Locked hold(filter_->Lock());
  if (!peer_) return S_FALSE;
  // A graph whose Run failed part-way believes it is stopped while some filters were paused,
  // and keeps asking to disconnect them when it is released: stop here rather than refuse.
  if (filter_->State() != State_Stopped) filter_->Stop();
  BreakConnect();
  ClearConnection();
  return S_OK;
}

STDMETHODIMP PinBase::ConnectedTo(IPin** pin) {
  if (!pin) return E_POINTER;
  Locked hold(filter_->Lock());
  *pin = peer_;
  if (!peer_) return VFW_E_NOT_CONNECTED;
  peer_->AddRef();
  return S_OK;
}

STDMETHODIMP PinBase::ConnectionMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  Locked hold(filter_->Lock());
  if (!peer_) {
    *mt = AM_MEDIA_TYPE{};
    return VFW_E_NOT_CONNECTED;
  }
  return CopyMediaType(mt, mt_);
}

STDMETHODIMP PinBase::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = dir_;
  lstrcpynW(info->achName, name_.c_str(), MAX_PIN_NAME);
  return S_OK;
}

STDMETHODIMP PinBase::QueryDirection(PIN_DIRECTION* dir) {
  if (!dir) return E_POINTER;
  *dir = dir_;
  return S_OK;
}

STDMETHODIMP PinBase::QueryId(LPWSTR* id) {
  if (!id) return E_POINTER;
  size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*id) return E_OUTOFMEMORY;
  memcpy(*id, name_.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP PinBase::QueryAccept(const AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return CheckMediaType(*mt) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP PinBase::EnumMediaTypes(IEnumMediaTypes** types) {
  if (!types) return E_POINTER;
  std::vector<AM_MEDIA_TYPE> list;
  for (int i = 0;; ++i) {
    AM_MEDIA_TYPE mt{};
    if (GetMediaType(i, &mt) != S_OK) break;
    list.push_back(mt);
  }
  *types = new (std::nothrow) MediaTypeEnum(std::move(list));
  return *types ? S_OK : E_OUTOFMEMORY;
}

// ---- InputPin ----

InputPin::InputPin(FilterBase* filter, std::wstring name) : PinBase(filter, PINDIR_INPUT, std::move(name)) {}

InputPin::~InputPin() {
  if (allocator_) allocator_->Release();
}

STDMETHODIMP InputPin::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IMemInputPin) {
    *out = static_cast<IMemInputPin*>(this);
    AddRef();
    return S_OK;
  }
  return PinBase::QueryInterface(iid, out);
}

STDMETHODIMP InputPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
  if (!connector || !mt) return E_POINTER;
  Locked hold(filter_->Lock());
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  PIN_DIRECTION dir = PINDIR_INPUT;
  if (FAILED(connector->QueryDirection(&dir)) || dir != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
  if (CheckMediaType(*mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  HRESULT hr = SetConnection(connector, *mt);
  if (FAILED(hr)) return hr;
  hr = CompleteConnect(connector);
  if (FAILED(hr)) {
    BreakConnect();
    ClearConnection();
  }
  return hr;
}

STDMETHODIMP InputPin::GetAllocator(IMemAllocator** allocator) {
  if (!allocator) return E_POINTER;
  *allocator = nullptr;
  Locked hold(filter_->Lock());
  if (!allocator_) {
    HRESULT hr = SlimAllocator::Create(&allocator_);
    if (FAILED(hr)) return hr;
  }
  *allocator = allocator_;
  allocator_->AddRef();
  return S_OK;
}

STDMETHODIMP InputPin::NotifyAllocator(IMemAllocator* allocator, BOOL) {
  if (!allocator) return E_POINTER;
  Locked hold(filter_->Lock());
  allocator->AddRef();
  if (allocator_) allocator_->Release();
  allocator_ = allocator;
  return S_OK;
}

STDMETHODIMP InputPin::Receive(IMediaSample* sample) {
  if (!sample) return E_POINTER;
  if (filter_->State() == State_Stopped) return VFW_E_WRONG_STATE;
  if (flushing_) return S_FALSE;
  if (endOfStream_) return VFW_E_SAMPLE_REJECTED_EOS;
  return OnReceive(sample);
}

STDMETHODIMP InputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (!samples || !processed) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

STDMETHODIMP InputPin::EndOfStream() {
  if (filter_->State() == State_Stopped) return VFW_E_WRONG_STATE;
  if (flushing_ || endOfStream_) return S_OK;
  endOfStream_ = true;
  return OnEndOfStream();
}

STDMETHODIMP InputPin::BeginFlush() {
  flushing_ = true;
  OnFlush();
  return S_OK;
}

STDMETHODIMP InputPin::EndFlush() {
  flushing_ = false;
  endOfStream_ = false;
  return S_OK;
}

void InputPin::ResetStream() {
  flushing_ = false;
  endOfStream_ = false;
}

// ---- OutputPin ----

OutputPin::OutputPin(FilterBase* filter, std::wstring name) : PinBase(filter, PINDIR_OUTPUT, std::move(name)) {}

OutputPin::~OutputPin() { BreakConnect(); }

void OutputPin::BreakConnect() {
  if (allocator_) {
    allocator_->Decommit();
    allocator_->Release();
  }
  allocator_ = nullptr;
  if (input_) input_->Release();
  input_ = nullptr;
}

STDMETHODIMP OutputPin::Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) {
  if (!receiver) return E_POINTER;
  Locked hold(filter_->Lock());
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  if (filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (mt && FullySpecified(*mt)) return TryConnect(receiver, *mt);

  AM_MEDIA_TYPE any{};
  const AM_MEDIA_TYPE& partial = mt ? *mt : any;
  for (int i = 0;; ++i) {
    AM_MEDIA_TYPE own{};
    if (GetMediaType(i, &own) != S_OK) break;
    HRESULT hr = MatchesPartialType(partial, own) ? TryConnect(receiver, own) : E_FAIL;
    FreeMediaTypeContents(own);
    if (SUCCEEDED(hr)) return hr;
  }
  IEnumMediaTypes* types = nullptr;
  if (SUCCEEDED(receiver->EnumMediaTypes(&types))) {
    AM_MEDIA_TYPE* theirs = nullptr;
    while (types->Next(1, &theirs, nullptr) == S_OK) {
      HRESULT hr = MatchesPartialType(partial, *theirs) ? TryConnect(receiver, *theirs) : E_FAIL;
      FreeMediaTypeContents(*theirs);
      CoTaskMemFree(theirs);
      if (SUCCEEDED(hr)) {
        types->Release();
        return hr;
      }
    }
    types->Release();
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT OutputPin::TryConnect(IPin* receiver, const AM_MEDIA_TYPE& mt) {
  if (CheckMediaType(mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  HRESULT hr = receiver->ReceiveConnection(this, &mt);
  if (FAILED(hr)) return hr;
  hr = SetConnection(receiver, mt);
  IMemInputPin* input = nullptr;
  if (SUCCEEDED(hr)) hr = receiver->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
  if (SUCCEEDED(hr)) hr = DecideAllocator(input);
  if (input) input->Release();
  if (SUCCEEDED(hr)) hr = CompleteConnect(receiver);
  if (FAILED(hr)) {
    BreakConnect();
    ClearConnection();
    receiver->Disconnect();
  }
  return hr;
}

HRESULT OutputPin::DecideAllocator(IMemInputPin* input) {
  IMemAllocator* allocator = nullptr;
  HRESULT hr = input->GetAllocator(&allocator);
  if (SUCCEEDED(hr)) {
    hr = UseAllocator(input, allocator);
    allocator->Release();
    if (SUCCEEDED(hr)) return hr;
  }
  hr = SlimAllocator::Create(&allocator);
  if (FAILED(hr)) return hr;
  hr = UseAllocator(input, allocator);
  allocator->Release();
  return hr;
}

HRESULT OutputPin::UseAllocator(IMemInputPin* input, IMemAllocator* allocator) {
  ALLOCATOR_PROPERTIES want{}, got{};
  BufferNeeds(want);
  HRESULT hr = allocator->SetProperties(&want, &got);
  if (FAILED(hr)) return hr;
  if (got.cbBuffer < want.cbBuffer || got.cBuffers < 1) return E_FAIL;
  hr = input->NotifyAllocator(allocator, FALSE);
  if (FAILED(hr)) return hr;
  input->AddRef();
  if (input_) input_->Release();
  input_ = input;
  allocator->AddRef();
  if (allocator_) allocator_->Release();
  allocator_ = allocator;
  return S_OK;
}

HRESULT OutputPin::Active() {
  Locked hold(filter_->Lock());
  return allocator_ ? allocator_->Commit() : S_FALSE;
}

void OutputPin::Inactive() {
  Locked hold(filter_->Lock());
  if (allocator_) allocator_->Decommit();
}

HRESULT OutputPin::GetDeliveryBuffer(IMediaSample** sample) {
  if (!allocator_) return VFW_E_NOT_CONNECTED;
  return allocator_->GetBuffer(sample, nullptr, nullptr, 0);
}

HRESULT OutputPin::Deliver(IMediaSample* sample) {
  if (!input_) return VFW_E_NOT_CONNECTED;
  return input_->Receive(sample);
}

HRESULT OutputPin::DeliverEndOfStream() {
  // No lock: the connection only changes while stopped, and a streaming thread ending its
  // stream must not wait for a Stop that is waiting for that thread.
  if (!peer_) return VFW_E_NOT_CONNECTED;
  return peer_->EndOfStream();
}

}  // namespace engine::filters
