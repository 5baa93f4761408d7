// What the engine's tests share: COM with the engine's classes registered, an error log that
// records what it is told, and small builders.
#pragma once

#include "services/EditingServices.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace enginetest {

using Microsoft::WRL::ComPtr;

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

  std::vector<LoggedError> entries;

 private:
  ULONG refs_ = 1;
};

// A BSTR that frees itself.
class Bstr {
 public:
  explicit Bstr(const wchar_t* text = nullptr) : b_(text ? SysAllocString(text) : nullptr) {}
  explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* Out() {
    SysFreeString(b_);
    b_ = nullptr;
    return &b_;
  }
  operator BSTR() const { return b_; }
  std::wstring Str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }
  bool IsNull() const { return b_ == nullptr; }

 private:
  BSTR b_;
};

// Base fixture: a fresh timeline reporting to `log`.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ComPtr<IAMTimelineObj> Node(TIMELINE_MAJOR_TYPE kind);
  ComPtr<IAMTimelineObj> Item(TIMELINE_MAJOR_TYPE kind, REFERENCE_TIME start, REFERENCE_TIME stop);
  ComPtr<IAMTimelineObj> AddGroup(IAMTimeline* timeline = nullptr);
  ComPtr<IAMTimelineObj> AddTrack(IAMTimelineObj* comp);
  template <class I>
  static ComPtr<I> As(IUnknown* obj, REFIID iid) {
    ComPtr<I> p;
    obj->QueryInterface(iid, reinterpret_cast<void**>(p.GetAddressOf()));
    return p;
  }
  ComPtr<IAMTimeline> NewTimeline();

  RecordingLog log;
  ComPtr<IAMTimeline> timeline;
};

constexpr REFERENCE_TIME kSecond = 10000000;

}  // namespace enginetest
