#include "app/Application.h"

#include <clocale>
#include <memory>

#include "app/ButtonImages.h"
#include "app/MessageLoop.h"
#include "app/WndMain.h"
#include "app/WndSplash.h"
#include "engine/EngineRegistration.h"
#include "core/AppConfig.h"
#include "core/IntText.h"
#include "core/LogFile.h"
#include "core/ResolvePath.h"
#include "res/resource.h"
#include "ui/UiState.h"

namespace {

std::unique_ptr<LogFile> OpenConfiguredLog(const AppConfig& config) {
  if (!config.Exists()) return nullptr;
  std::wstring name = config.ReadString(L"Log", L"FileName", L"", LogFile::kLineChars);
  if (name.empty()) return nullptr;
  wchar_t path[kPathChars];
  // A name that cannot be resolved still makes a log object, one that writes nothing.
  if (!ResolvePath(name.c_str(), kResolveExpandEnv | kResolveBesideExe, path)) path[0] = L'\0';
  return std::make_unique<LogFile>(path);
}

}  // namespace

int RunApplication(HINSTANCE instance, const wchar_t* /*commandLine*/, int showCommand) {
  // Number, time and case handling follow the user's locale, for narrow and wide text alike.
  _wsetlocale(LC_ALL, L"");

  AppConfig config = AppConfig::FindOrCreate();
  SetAppConfig(&config);
  std::unique_ptr<LogFile> log = OpenConfiguredLog(config);
  SetAppLog(log.get());
  WriteLog(L"Starting...");

  UiState::SetAppIcon(LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP)));
  MakeButtonImages(instance);

  auto* splash = new CWndSplash();
  splash->Create(nullptr, instance);
  splash->SetStatus(L"Loading...");
  ShowWindow(splash->Hwnd(), SW_SHOW);
  UpdateWindow(splash->Hwnd());

  int exitCode = 0;
  auto* main = new CWndMain();
  main->SetSplash(splash);
  bool created = main->Create(nullptr, instance) == 0;
  if (created) {
    // The first showing initialises the application and then ends the splash.
    ShowWindow(main->Hwnd(), showCommand);
    UpdateWindow(main->Hwnd());
    exitCode = RunMessageLoop();
  }
  main->DestroySplash();
  main->Destroy(true);
  if (MrqEngineHasStuckSources()) {
    // A media file left a thread stuck in the platform: everything of the user's is saved or
    // given up by now, and the process ends without taking the libraries down under it.
    WriteLog((std::wstring(L"Exit code: ") + IntText(exitCode).get()).c_str());
    if (log) log->Flush();
    MrqEngineEndIfStuck(exitCode);
  }
  if (created) {
    // The timeline went with the main window; now the engine and the component system that
    // the first showing started.
    MrqEngineRevokeClasses();
    CoUninitialize();
  }

  FreeButtonImages();
  SetAppConfig(nullptr);
  if (log) {
    WriteLog((std::wstring(L"Exit code: ") + IntText(exitCode).get()).c_str());
    log->Flush();
    SetAppLog(nullptr);
  }
  return exitCode;
}
