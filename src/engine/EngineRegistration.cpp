#include "engine/EngineRegistration.h"

#include "engine/base/ClassFactory.h"
#include "engine/codecs/CompressorTable.h"
#include "engine/media/MediaDet.h"
#include "engine/media/TimeLimit.h"
#include "engine/model/Timeline.h"
#include "engine/output/AviMux.h"
#include "engine/output/CaptureGraphBuilder.h"
#include "engine/output/FileWriter.h"
#include "engine/props/PropertySetter.h"
#include "engine/render/RenderEngine.h"
#include "engine/xml/Xml2Dex.h"
#include "services/EditingServices.h"

#include <uuids.h>

#include <vector>

namespace {

struct EngineClass {
  const CLSID* clsid;
  engine::CreateFn create;
};

const EngineClass kClasses[] = {
    {&CLSID_AMTimeline, &engine::Timeline::Create},
    {&CLSID_Xml2Dex, &engine::Xml2Dex::Create},
    {&CLSID_PropertySetter, &engine::PropertySetter::Create},
    {&CLSID_MediaDet, &engine::media::MediaDet::Create},
    {&CLSID_RenderEngine, &engine::render::RenderEngine::Create},
    // File output. Measured on the emulated platform: its multiplexer takes no audio and will not
    // run, its builder has no file output, and its file writer completes with an empty file
    // when the destination already exists. Ours take their class ids.
    {&CLSID_AviDest, &engine::output::AviMux::Create},
    {&CLSID_FileWriter, &engine::output::FileWriter::Create},
    {&CLSID_CaptureGraphBuilder2, &engine::output::CaptureGraphBuilder::Create},
};

std::vector<DWORD>& Cookies() {
  static std::vector<DWORD> cookies;
  return cookies;
}

HRESULT RegisterFactory(const CLSID& clsid, engine::CreateFn create) {
  auto* factory = new (std::nothrow) engine::ClassFactory(create);
  if (!factory) return E_OUTOFMEMORY;
  DWORD cookie = 0;
  HRESULT hr = CoRegisterClassObject(clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
  factory->Release();  // COM holds its own reference while registered
  if (SUCCEEDED(hr)) Cookies().push_back(cookie);
  return hr;
}

}  // namespace

HRESULT MrqEngineRegisterClasses() {
  if (!Cookies().empty()) return S_FALSE;  // already registered
  HRESULT hr = S_OK;
  for (const EngineClass& c : kClasses)
    if (FAILED(hr = RegisterFactory(*c.clsid, c.create))) break;
  size_t count = 0;
  const engine::codecs::CompressorClass* compressors = engine::codecs::Compressors(&count);
  for (size_t i = 0; SUCCEEDED(hr) && i < count; ++i)
    hr = RegisterFactory(*compressors[i].clsid, compressors[i].create);
  if (FAILED(hr)) {
    MrqEngineRevokeClasses();
    return hr;
  }
  return S_OK;
}

void MrqEngineRevokeClasses() {
  for (DWORD cookie : Cookies()) CoRevokeClassObject(cookie);
  Cookies().clear();
}

void MrqEngineSetSourceTimeLimit(DWORD milliseconds) { engine::media::SetSourceTimeLimitMs(milliseconds); }

bool MrqEngineHasStuckSources() { return engine::media::WorkStillStuck(); }

void MrqEngineEndIfStuck(int exitCode) {
  if (!engine::media::WorkStillStuck()) return;
  // Measured under the emulation we run on: with a thread still inside the media framework's
  // host libraries, ending the process faults now and then while those libraries shut down;
  // the host's exit_group alone ends it cleanly but leaves the emulation without the exit code
  // (a Windows parent reads 0). So the other threads are ended and the code recorded first,
  // which a Windows parent then reads even when a dying thread faults, and exit_group follows.
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll && GetProcAddress(ntdll, "wine_get_version")) {
    using TerminateFn = LONG(NTAPI*)(HANDLE, LONG);
    auto terminate =
        reinterpret_cast<TerminateFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtTerminateProcess")));
    if (terminate) terminate(nullptr, exitCode);
    long number = 231, status = exitCode;  // exit_group(2) of the x86-64 Linux host
    __asm__ volatile("syscall" : : "a"(number), "D"(status) : "rcx", "r11", "memory");
  }
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
}
