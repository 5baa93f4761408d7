#pragma once
#include <functional>
#include <string>

#include "services/EditingServices.h"

// Calls `visit` for every source of the timeline, group by group, tracks and nested
// compositions depth first.
void ForEachSource(IAMTimeline* timeline, const std::function<void(IAMTimelineSrc*)>& visit);

// A source's media name as a path: a relative one is taken from `folder` (the project's), so
// that a project and its media can move together. Empty stays empty.
std::wstring MediaPath(const std::wstring& name, const std::wstring& folder);

// The folder of a file's path, without the trailing separator; empty when it has none.
std::wstring FolderOf(const std::wstring& path);
