#include "timeline/TimelineSources.h"

#include <wrl/client.h>

#include <algorithm>

#include "services/ComUtil.h"

using Microsoft::WRL::ComPtr;

namespace {

void Visit(IAMTimelineObj* obj, const std::function<void(IAMTimelineSrc*)>& visit, int depth) {
  // The model refuses deeper nesting; this only keeps a damaged model from recursing forever.
  if (!obj || depth > 64) return;
  ComPtr<IAMTimelineSrc> src;
  if (SUCCEEDED(obj->QueryInterface(IID_IAMTimelineSrc, reinterpret_cast<void**>(src.GetAddressOf())))) {
    visit(src.Get());
    return;
  }
  ComPtr<IAMTimelineTrack> track;
  if (SUCCEEDED(obj->QueryInterface(IID_IAMTimelineTrack, reinterpret_cast<void**>(track.GetAddressOf())))) {
    ComPtr<IAMTimelineObj> last, next;
    while (track->GetNextSrcEx(last.Get(), next.ReleaseAndGetAddressOf()) == S_OK && next) {
      Visit(next.Get(), visit, depth + 1);
      last = next;
    }
    return;
  }
  ComPtr<IAMTimelineComp> comp;
  if (FAILED(obj->QueryInterface(IID_IAMTimelineComp, reinterpret_cast<void**>(comp.GetAddressOf())))) return;
  long count = 0;
  comp->VTrackGetCount(&count);
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> kid;
    if (SUCCEEDED(comp->GetVTrack(&kid, i)) && kid) Visit(kid.Get(), visit, depth + 1);
  }
}

bool IsRelative(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':') return false;
  return path.empty() || (path[0] != L'\\' && path[0] != L'/');
}

}  // namespace

void ForEachSource(IAMTimeline* timeline, const std::function<void(IAMTimelineSrc*)>& visit) {
  if (!timeline) return;
  LONG groups = 0;
  timeline->GetGroupCount(&groups);
  for (LONG g = 0; g < groups; ++g) {
    ComPtr<IAMTimelineObj> group;
    if (SUCCEEDED(timeline->GetGroup(&group, g)) && group) Visit(group.Get(), visit, 0);
  }
}

std::vector<std::wstring> MediaNames(IAMTimeline* timeline) {
  std::vector<std::wstring> names;
  ForEachSource(timeline, [&](IAMTimelineSrc* src) {
    Bstr name;
    if (SUCCEEDED(src->GetMediaName(name.Out()))) names.push_back(name.Text());
  });
  return names;
}

std::vector<std::wstring> MissingMedia(IAMTimeline* timeline) {
  std::vector<std::wstring> missing;
  for (const std::wstring& name : MediaNames(timeline)) {
    const DWORD attrs = name.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(name.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (std::find(missing.begin(), missing.end(), name) == missing.end()) missing.push_back(name);
  }
  return missing;
}

std::wstring MediaPath(const std::wstring& name, const std::wstring& folder) {
  if (name.empty() || folder.empty() || !IsRelative(name)) return name;
  return folder + L"\\" + name;
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}
