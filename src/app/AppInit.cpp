#include "app/AppInit.h"

#include <shellapi.h>
#include <uuids.h>
#include <wrl/client.h>

#include "app/WndMain.h"
#include "app/WndSplash.h"
#include "core/AppConfig.h"
#include "core/FilterCatalog.h"
#include "core/LogFile.h"
#include "core/OwnedText.h"
#include "core/ResultText.h"
#include "engine/EffectRegistration.h"
#include "engine/EngineRegistration.h"
#include "timeline/ProjectStorage.h"
#include "timeline/WndTLModel.h"
#include "ui/UserPrompts.h"

using Microsoft::WRL::ComPtr;

namespace {

void Status(CWndMain& main, const wchar_t* text) {
  if (main.Splash()) main.Splash()->SetStatus(text);
}

void FillCompressors(std::vector<FilterEntry>& catalog, const wchar_t* pseudoName, REFCLSID category) {
  catalog.clear();
  catalog.push_back({true, pseudoName, GUID_NULL, L""});
  EnumerateCategory(catalog, category, 1);
}

}  // namespace

std::wstring CommandLineProject(const wchar_t* commandLine) {
  // The platform's own splitting keeps a quoted path with blanks in one piece.
  int count = 0;
  LPWSTR* args = CommandLineToArgvW(commandLine && *commandLine ? commandLine : L"MRQ.exe", &count);
  std::wstring project;
  if (args && count >= 2) project = args[count - 1];
  LocalFree(args);
  return project;
}

HRESULT OpenProjectInto(IAMTimeline* timeline, ProjectStorage* storage, const wchar_t* path, std::wstring* why) {
  if (!storage) return E_POINTER;
  return storage->Open(timeline, path, why);
}

void InitializeApplication(CWndMain& main) {
  Status(main, L"Initializing DirectShow editing services...");
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HRESULT registered = MrqEngineRegisterClasses();
  if (FAILED(registered) && LogExists())
    WriteLog(OwnedText(L"Editing services not registered: ", ResultText(registered).c_str()));

  ComPtr<IAMTimeline> timeline;
  if (FAILED(CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                              reinterpret_cast<void**>(timeline.GetAddressOf())))) {
    ShowMessage(nullptr, L"DirectShow (DirectX 8 or higher) not installed", MB_OK | MB_ICONERROR);
    return;
  }
  ComPtr<IAMSetErrorLog> setLog;
  timeline->QueryInterface(IID_IAMSetErrorLog, reinterpret_cast<void**>(setLog.GetAddressOf()));
  timeline->SetDefaultFPS(30.0);
  if (setLog) setLog->put_ErrorLog(main.ErrorLog());
  setLog.Reset();
  main.SetTimeline(timeline.Get());
  if (CWndTLModel* view = main.View()) {
    view->SetCursorTime(0);
    view->Refresh();
  }

  Status(main, L"Application initialization...");
  LoadSkipList(GetAppConfig().ReadSection(L"RenderSkipFilters"));

  Status(main, L"Enumerating DirectShow effects and transitions...");
  HRESULT effects = MrqEngineRegisterEffects();
  if (FAILED(effects) && LogExists())
    WriteLog(OwnedText(L"Built-in effects not listed: ", ResultText(effects).c_str()));
  const CLSID* categories[] = {&CLSID_VideoEffects1Category, &CLSID_VideoEffects2Category, &CLSID_AudioEffects1Category,
                               &CLSID_AudioEffects2Category};
  for (int i = 0; i < 4; ++i) {
    FilterCatalog::Effects(i).clear();
    EnumerateCategory(FilterCatalog::Effects(i), *categories[i], 0);
  }

  Status(main, L"Enumerating DirectShow audio renderers...");
  FilterCatalog::AudioRenderers().clear();
  EnumerateCategory(FilterCatalog::AudioRenderers(), CLSID_AudioRendererCategory, 0);

  Status(main, L"Enumerating DirectShow compressors...");
  FillCompressors(FilterCatalog::VideoCompressors(), L"Uncompressed video", CLSID_VideoCompressorCategory);
  FillCompressors(FilterCatalog::AudioCompressors(), L"Uncompressed audio", CLSID_AudioCompressorCategory);

  Status(main, L"Enumerating multiplexers...");
  BuildFileTypeCatalog(GetAppConfig().ReadSection(L"Multiplexers"));

  std::wstring project = CommandLineProject(GetCommandLineW());
  if (project.empty() || main.OnOpen(project.c_str()) != 0) main.OnNew();
}
