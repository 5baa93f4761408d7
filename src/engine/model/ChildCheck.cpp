#include "engine/model/ChildCheck.h"

#include <string>

namespace engine {

HRESULT AcceptChild(TimelineNode& owner, IAMTimelineObj* obj, unsigned kindMask, const wchar_t* method,
                    Microsoft::WRL::ComPtr<TimelineNode>* node) {
  std::wstring prefix = std::wstring(method) + L": ";
  if (!obj)
    return owner.Report(kSeverityError, (prefix + L"no object given").c_str(), DEX_IDS_INTERFACE_ERROR, E_POINTER);
  auto candidate = TimelineNode::FromUnknown(obj);
  if (!candidate)
    return owner.Report(kSeverityError, (prefix + L"the object was not made by this engine").c_str(),
                        DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  if ((static_cast<unsigned>(candidate->Kind()) & kindMask) == 0)
    return owner.Report(kSeverityError, (prefix + L"an object of this kind cannot go here").c_str(),
                        DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  if (candidate->IsAttached())
    return owner.Report(kSeverityError, (prefix + L"the object is already in a timeline; remove it first").c_str(),
                        DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  if (candidate->IsSelfOrAncestorOf(&owner))
    return owner.Report(kSeverityError, (prefix + L"an object cannot contain itself").c_str(), DEX_IDS_INTERFACE_ERROR,
                        E_INVALIDARG);
  *node = std::move(candidate);
  return S_OK;
}

}  // namespace engine
