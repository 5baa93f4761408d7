#include "engine/output/FileWriter.h"

#include <control.h>
#include <evcode.h>
#include <uuids.h>

#include <algorithm>
#include <cstdint>

namespace engine::output {

FileWriterInput::FileWriterInput(FileWriter* writer) : filters::InputPin(writer, L"in"), writer_(writer) {}

HRESULT FileWriterInput::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  return mt.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
}

HRESULT FileWriterInput::OnReceive(IMediaSample* sample) { return writer_->WriteSample(sample); }

// The graph stops the writer before the multiplexer; what the multiplexer writes while it
// stops (the final header and index of an interrupted run) is still taken.
STDMETHODIMP FileWriterInput::Receive(IMediaSample* sample) {
  if (sample && writer_->Lingering()) return writer_->WriteSample(sample);
  return InputPin::Receive(sample);
}

HRESULT FileWriterInput::OnEndOfStream() { return writer_->EndOfStream(); }

FileWriter::FileWriter() : filters::FilterBase(CLSID_FileWriter) {
  InitializeCriticalSection(&fileLock_);
  input_ = std::make_unique<FileWriterInput>(this);
}

FileWriter::~FileWriter() {
  Close();
  input_.reset();
  DeleteCriticalSection(&fileLock_);
}

HRESULT FileWriter::Create(REFIID iid, void** out) { return filters::CreateAndQuery<FileWriter>(iid, out); }

HRESULT FileWriter::QueryOther(REFIID iid, void** out) {
  if (iid == IID_IFileSinkFilter || iid == IID_IFileSinkFilter2)
    *out = static_cast<IFileSinkFilter2*>(this);
  else if (iid == IID_IAMFilterMiscFlags)
    *out = static_cast<IAMFilterMiscFlags*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP FileWriter::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) {
  if (!name) return E_POINTER;
  if (!*name) return E_INVALIDARG;
  if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
  // A destination that cannot be created is refused now, before a graph is built and run
  // around it; only the named file is touched, and it is removed again if this made it.
  HANDLE probe = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    DeleteFileW(name);
  } else if (GetLastError() != ERROR_FILE_EXISTS) {
    return HRESULT_FROM_WIN32(GetLastError());
  } else {
    probe = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
    CloseHandle(probe);
  }
  filters::Locked hold(fileLock_);
  name_ = name;
  return S_OK;
}

STDMETHODIMP FileWriter::GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* mt) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (mt) {
    *mt = AM_MEDIA_TYPE{};
    mt->majortype = MEDIATYPE_Stream;
  }
  filters::Locked hold(fileLock_);
  if (name_.empty()) return E_FAIL;
  size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
  *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (!*name) return E_OUTOFMEMORY;
  memcpy(*name, name_.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP FileWriter::SetMode(DWORD flags) {
  if (flags & ~static_cast<DWORD>(AM_FILE_OVERWRITE)) return E_INVALIDARG;
  mode_ = flags;
  return S_OK;
}

STDMETHODIMP FileWriter::GetMode(DWORD* flags) {
  if (!flags) return E_POINTER;
  *flags = mode_;
  return S_OK;
}

STDMETHODIMP_(ULONG) FileWriter::GetMiscFlags() { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

HRESULT FileWriter::OnStart() {
  filters::Locked hold(fileLock_);
  if (name_.empty()) return E_UNEXPECTED;  // no destination was named
  input_->ResetStream();
  Close();
  file_ = CreateFileW(name_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                      (mode_ & AM_FILE_OVERWRITE) ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    DWORD err = GetLastError();
    return HRESULT_FROM_WIN32(err ? err : ERROR_CANNOT_MAKE);
  }
  next_ = extent_ = 0;
  wrote_ = false;
  error_ = S_OK;
  HRESULT hr = behind_.Start(file_);
  if (FAILED(hr)) Close();
  return hr;
}

// An existing longer file must not keep a stale tail behind what this run wrote.
HRESULT FileWriter::CutToExtent() {
  HRESULT hr = behind_.Drain();
  if (FAILED(hr)) return hr;
  if (!wrote_) return S_OK;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(extent_);
  if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) || !SetEndOfFile(file_))
    return HRESULT_FROM_WIN32(GetLastError());
  return S_OK;
}

void FileWriter::OnStop() {
  filters::Locked hold(fileLock_);
  if (file_ != INVALID_HANDLE_VALUE) CutToExtent();  // stays open until the filter leaves
}

void FileWriter::Close() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  CutToExtent();
  behind_.Stop();
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

bool FileWriter::Lingering() {
  if (State() != State_Stopped) return false;
  filters::Locked hold(fileLock_);
  return file_ != INVALID_HANDLE_VALUE;
}

STDMETHODIMP FileWriter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  if (!graph) {
    filters::Locked hold(fileLock_);
    Close();
  }
  return FilterBase::JoinFilterGraph(graph, name);
}

HRESULT FileWriter::Fail(HRESULT hr) {
  if (SUCCEEDED(error_)) {
    error_ = hr;
    NotifyEvent(EC_ERRORABORT, hr, 0);
  }
  return hr;
}

HRESULT FileWriter::WriteSample(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return E_POINTER;
  long size = sample->GetActualDataLength();
  if (size < 0) return E_INVALIDARG;
  REFERENCE_TIME start = 0, stop = 0;
  filters::Locked hold(fileLock_);
  if (FAILED(error_)) return error_;
  if (file_ == INVALID_HANDLE_VALUE) return VFW_E_WRONG_STATE;
  uint64_t pos = next_;
  if (SUCCEEDED(sample->GetTime(&start, &stop))) {
    if (start < 0) return Fail(E_INVALIDARG);
    pos = static_cast<uint64_t>(start);
  }
  HRESULT hr = behind_.Queue(sample, pos);
  // Written while stopping (the end of an interrupted run): in the file before Stop returns.
  if (SUCCEEDED(hr) && State() == State_Stopped) hr = behind_.Drain();
  if (FAILED(hr)) return Fail(hr);
  next_ = pos + static_cast<uint64_t>(size);
  extent_ = std::max(extent_, next_);
  wrote_ = true;
  return S_OK;
}

HRESULT FileWriter::EndOfStream() {
  {
    // The file is complete when the graph says so, not only once it is stopped.
    filters::Locked hold(fileLock_);
    if (FAILED(error_)) return error_;
    if (file_ != INVALID_HANDLE_VALUE) {
      HRESULT hr = CutToExtent();
      if (FAILED(hr)) return Fail(hr);
    }
  }
  return NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

}  // namespace engine::output
