#include "services/ComUtil.h"

#include <vfwmsgs.h>

using Microsoft::WRL::ComPtr;

std::vector<ComPtr<IPin>> FilterPins(IBaseFilter* filter, PIN_DIRECTION direction) {
  std::vector<ComPtr<IPin>> pins;
  ComPtr<IEnumPins> e;
  if (!filter || FAILED(filter->EnumPins(&e)) || !e) return pins;
  ComPtr<IPin> pin;
  while (e->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION d;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) pins.push_back(pin);
  }
  return pins;
}

HRESULT FirstPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  auto pins = FilterPins(filter, direction);
  if (pins.empty()) return VFW_E_NOT_FOUND;
  *pin = pins.front().Detach();
  return S_OK;
}
