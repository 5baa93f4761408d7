#pragma once
#include <functional>
#include <string>
#include <vector>

#include "services/EditingServices.h"

// Calls `visit` for every source of the timeline, group by group, tracks and nested
// compositions depth first.
void ForEachSource(IAMTimeline* timeline, const std::function<void(IAMTimelineSrc*)>& visit);

// Every source's media name, in the order ForEachSource visits them.
std::vector<std::wstring> MediaNames(IAMTimeline* timeline);

// The media files the timeline names that are not there (a folder is no media file), each
// once; an empty name stands for a source without a file name.
std::vector<std::wstring> MissingMedia(IAMTimeline* timeline);

// A source's media name as a path: a relative one is taken from `folder` (the project's), so
// that a project and its media can move together. Empty stays empty.
std::wstring MediaPath(const std::wstring& name, const std::wstring& folder);

// The folder of a file's path, without the trailing separator; empty when it has none.
std::wstring FolderOf(const std::wstring& path);
