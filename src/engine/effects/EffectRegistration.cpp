#include "engine/EffectRegistration.h"

#include <string>

#include "engine/base/GuidText.h"
#include "engine/codecs/CompressorTable.h"
#include "engine/effects/EffectTable.h"

namespace {

// Marks the entries this program wrote, so that it rewrites only its own.
constexpr wchar_t kOwnerValue[] = L"Owner";
constexpr wchar_t kOwner[] = L"MRQ";

LSTATUS SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool WrittenByUs(HKEY key) {
  wchar_t owner[16] = {};
  DWORD size = sizeof owner - sizeof(wchar_t);
  DWORD type = 0;
  return RegQueryValueExW(key, kOwnerValue, nullptr, &type, reinterpret_cast<BYTE*>(owner), &size) == ERROR_SUCCESS &&
         type == REG_SZ && std::wstring(owner) == kOwner;
}

HRESULT RegisterOne(const CLSID& category, const CLSID& filter, const wchar_t* name) {
  std::wstring clsid = engine::GuidToText(filter);
  std::wstring path = L"Software\\Classes\\CLSID\\" + engine::GuidToText(category) + L"\\Instance\\" + clsid;
  HKEY key = nullptr;
  DWORD disposition = 0;
  LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                                   &disposition);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  if (disposition == REG_OPENED_EXISTING_KEY && !WrittenByUs(key)) {
    RegCloseKey(key);
    return S_FALSE;
  }
  status = SetText(key, L"FriendlyName", name);
  if (status == ERROR_SUCCESS) status = SetText(key, L"CLSID", clsid);
  if (status == ERROR_SUCCESS) status = SetText(key, L"GUID", clsid);
  if (status == ERROR_SUCCESS) status = SetText(key, kOwnerValue, kOwner);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

}  // namespace

HRESULT MrqEngineRegisterEffects() {
  size_t count = 0;
  const engine::BuiltInEffect* effects = engine::BuiltInEffects(&count);
  HRESULT first = S_OK;
  auto keep = [&first](HRESULT hr) {
    if (FAILED(hr) && SUCCEEDED(first)) first = hr;
  };
  for (size_t i = 0; i < count; ++i)
    keep(RegisterOne(engine::EffectCategory(effects[i].kind), effects[i].clsid, effects[i].name));
  const engine::codecs::CompressorClass* compressors = engine::codecs::Compressors(&count);
  for (size_t i = 0; i < count; ++i)
    keep(RegisterOne(*compressors[i].category, *compressors[i].clsid, compressors[i].name));
  return first;
}
