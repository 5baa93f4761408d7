// MinGW's ComPtr has no equality operators, so `a == b` on two ComPtrs silently compares their
// conversions to bool: any two non-null pointers are "equal". These compare what they point to.
#pragma once

#include <wrl/client.h>

namespace Microsoft {
namespace WRL {

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) {
  return a.Get() == b.Get();
}

template <class T, class U>
bool operator!=(const ComPtr<T>& a, const ComPtr<U>& b) {
  return a.Get() != b.Get();
}

}  // namespace WRL
}  // namespace Microsoft
