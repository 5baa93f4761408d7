#pragma once
// The streams of a media file, as the editing services' media detector sees them.
#include <cstdint>
#include <string>
#include <vector>

#include "services/EditingServices.h"

struct StreamInfo {
  GUID major = GUID_NULL;
  int64_t duration = 0;  // microseconds
  std::wstring description;
};

// Lists the file's streams in the file's order. Returns the detector's result for the file;
// `streams` is empty unless that is S_OK. With the log on, the file and its streams are logged.
HRESULT AnalyseMediaStreams(const wchar_t* path, std::vector<StreamInfo>* streams);

// What the user reads when a file cannot be analysed: the path, "Can't recognize media" and the
// result, as an unsigned hexadecimal number and in words.
std::wstring UnreadableMediaText(const wchar_t* path, HRESULT hr);

// Gives a source its media: the file, the stream (counted among the file's streams of the
// group's kind), the stream's length, the part of it played and the stretch mode. Times in
// microseconds.
void SetSourceMedia(IAMTimelineSrc* source, const std::wstring& path, long stream, int64_t length, int64_t mediaStart,
                    int64_t mediaStop, int stretchMode);
