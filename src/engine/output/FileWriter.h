// The file writer behind the multiplexer: writes each sample at the byte position its time
// stamps name (start = offset, stop = offset + length), so the multiplexer can go back and
// fill in sizes and headers. It is the graph's renderer: end of stream completes the graph.
#pragma once

#include "engine/filters/FilterBase.h"
#include "engine/filters/Pins.h"
#include "engine/output/WriteBehind.h"

#include <memory>
#include <string>

namespace engine::output {

class FileWriter;

class FileWriterInput final : public filters::InputPin {
 public:
  explicit FileWriterInput(FileWriter* writer);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
  STDMETHODIMP Receive(IMediaSample* sample) override;

 protected:
  HRESULT OnReceive(IMediaSample* sample) override;
  HRESULT OnEndOfStream() override;

 private:
  FileWriter* writer_;
};

class FileWriter final : public filters::FilterBase, public IFileSinkFilter2, public IAMFilterMiscFlags {
 public:
  FileWriter();
  ~FileWriter() override;
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return FilterBase::QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return FilterBase::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return FilterBase::Release(); }

  STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP SetMode(DWORD flags) override;
  STDMETHODIMP GetMode(DWORD* flags) override;
  STDMETHODIMP_(ULONG) GetMiscFlags() override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;

  int PinCount() override { return 1; }
  IPin* PinAt(int index) override { return index == 0 ? input_.get() : nullptr; }

  HRESULT WriteSample(IMediaSample* sample);
  HRESULT EndOfStream();
  // Stopped with the file still open: the multiplexer may finish it on its own way down.
  bool Lingering();

 protected:
  HRESULT QueryOther(REFIID iid, void** out) override;
  HRESULT OnStart() override;
  void OnStop() override;

 private:
  HRESULT Fail(HRESULT hr);
  HRESULT CutToExtent();
  void Close();

  std::unique_ptr<FileWriterInput> input_;
  CRITICAL_SECTION fileLock_;
  std::wstring name_;
  DWORD mode_ = 0;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  WriteBehind behind_;   // writes while the file is open
  uint64_t next_ = 0;    // where a sample without time stamps goes
  uint64_t extent_ = 0;  // end of what this run wrote
  bool wrote_ = false;
  HRESULT error_ = S_OK;
};

}  // namespace engine::output
