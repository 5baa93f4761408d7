#include "timeline/XmlFileLoad.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

// A file handle closed on every way out.
struct FileHandle {
  HANDLE h;
  ~FileHandle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

HRESULT LastError() {
  const DWORD err = GetLastError();
  return err ? HRESULT_FROM_WIN32(err) : E_FAIL;
}

}  // namespace

HRESULT LoadXmlFile(IXMLDOMDocument* document, const wchar_t* path, VARIANT_BOOL* loaded) {
  if (!document || !path || !loaded) return E_POINTER;
  *loaded = VARIANT_FALSE;
  FileHandle file{CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.h == INVALID_HANDLE_VALUE) return LastError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.h, &size)) return LastError();
  // Project and timeline files are text of a few megabytes at most; a stream holds it whole.
  if (size.QuadPart > 0x7FFFFFFF) return E_OUTOFMEMORY;
  const DWORD bytes = static_cast<DWORD>(size.QuadPart);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes ? bytes : 1);
  if (!memory) return E_OUTOFMEMORY;
  ComPtr<IStream> stream;
  HRESULT hr = CreateStreamOnHGlobal(memory, TRUE, &stream);  // the stream frees the memory
  if (FAILED(hr)) {
    GlobalFree(memory);
    return hr;
  }
  void* data = GlobalLock(memory);
  DWORD read = 0;
  const BOOL ok = data && ReadFile(file.h, data, bytes, &read, nullptr);
  const HRESULT readHr = ok ? S_OK : LastError();
  if (data) GlobalUnlock(memory);
  if (FAILED(readHr)) return readHr;
  if (read != bytes) return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);  // the file shrank while read
  ULARGE_INTEGER length;
  length.QuadPart = bytes;
  if (FAILED(hr = stream->SetSize(length))) return hr;
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_UNKNOWN;
  source.punkVal = stream.Get();  // borrowed: not cleared
  // Measured: from a stream, a document that does not parse fails the call instead of
  // answering S_FALSE as it does for a file name; callers see the same either way.
  if (FAILED(document->load(source, loaded))) *loaded = VARIANT_FALSE;
  return S_OK;
}
