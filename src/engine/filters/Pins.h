// Input and output pins for the engine's filters: connection, media types, allocators and the
// streaming calls, with the filter-specific parts left to the filters.
#pragma once

#include "engine/filters/FilterBase.h"

#include <string>

namespace engine::filters {

// Whether a fully specified type matches a partial one (GUID_NULL fields match anything).
bool MatchesPartialType(const AM_MEDIA_TYPE& partial, const AM_MEDIA_TYPE& full);

class PinBase : public IPin {
 public:
  PinBase(FilterBase* filter, PIN_DIRECTION dir, std::wstring name);
  virtual ~PinBase();
  PinBase(const PinBase&) = delete;
  PinBase& operator=(const PinBase&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return filter_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return filter_->Release(); }

  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* dir) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  STDMETHODIMP EndOfStream() override { return S_OK; }
  STDMETHODIMP BeginFlush() override { return S_OK; }
  STDMETHODIMP EndFlush() override { return S_OK; }
  STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

  // S_OK when the pin can take this type.
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) = 0;
  // The pin's preferred types, in order; VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT GetMediaType(int, AM_MEDIA_TYPE*) { return VFW_S_NO_MORE_ITEMS; }

  bool IsConnected();
  const AM_MEDIA_TYPE& MediaType() const { return mt_; }
  FilterBase* Filter() const { return filter_; }

 protected:
  virtual HRESULT CompleteConnect(IPin*) { return S_OK; }
  virtual void BreakConnect() {}
  HRESULT SetConnection(IPin* peer, const AM_MEDIA_TYPE& mt);
  void ClearConnection();

  FilterBase* filter_;
  PIN_DIRECTION dir_;
  std::wstring name_;
  IPin* peer_ = nullptr;
  AM_MEDIA_TYPE mt_{};
};

class InputPin : public PinBase, public IMemInputPin {
 public:
  InputPin(FilterBase* filter, std::wstring name);
  ~InputPin() override;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return filter_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return filter_->Release(); }

  STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;

  STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
  STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  STDMETHODIMP Receive(IMediaSample* sample) override;
  STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
  STDMETHODIMP ReceiveCanBlock() override { return S_FALSE; }

  // Called by the filter when it leaves the stopped state: a new stream begins.
  void ResetStream();
  bool AtEndOfStream() const { return endOfStream_; }

 protected:
  virtual HRESULT OnReceive(IMediaSample* sample) = 0;
  virtual HRESULT OnEndOfStream() { return S_OK; }
  virtual void OnFlush() {}

 private:
  IMemAllocator* allocator_ = nullptr;
  volatile bool flushing_ = false;
  volatile bool endOfStream_ = false;
};

class OutputPin : public PinBase {
 public:
  OutputPin(FilterBase* filter, std::wstring name);
  ~OutputPin() override;

  STDMETHODIMP Connect(IPin* receiver, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
  STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
  STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
  STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }

  // Buffers this pin wants from the allocator it agrees on with its peer.
  virtual void BufferNeeds(ALLOCATOR_PROPERTIES& props) = 0;

  HRESULT Active();  // commits the allocator
  void Inactive();   // decommits it: blocked GetDeliveryBuffer calls return
  HRESULT GetDeliveryBuffer(IMediaSample** sample);
  HRESULT Deliver(IMediaSample* sample);
  HRESULT DeliverEndOfStream();

 protected:
  void BreakConnect() override;

 private:
  HRESULT TryConnect(IPin* receiver, const AM_MEDIA_TYPE& mt);
  HRESULT DecideAllocator(IMemInputPin* input);
  HRESULT UseAllocator(IMemInputPin* input, IMemAllocator* allocator);

  IMemInputPin* input_ = nullptr;
  IMemAllocator* allocator_ = nullptr;
};

}  // namespace engine::filters
