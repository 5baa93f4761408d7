#pragma once
#include <windows.h>

#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "services/EditingServices.h"

// Converts wide text to UTF-8 (a newly allocated, terminated string); null when the text
// cannot be converted, for example a broken surrogate pair.
std::unique_ptr<char[]> WideToUtf8(const wchar_t* text, size_t* length = nullptr);

// The KDP project file: `<KDP version="1">`, a line feed, the timeline's XML text in UTF-8
// and `</KDP>`. Reading accepts any version whose text begins with 1.
class ProjectStorage {
 public:
  ProjectStorage(const wchar_t* rootName, const wchar_t* versionName, const wchar_t* childName);
  virtual ~ProjectStorage() = default;

  // Writes the timeline to path. The file is written beside the destination first and only
  // then replaces it, so a failure (reported as such) never destroys the previous file.
  // Media names that were relative in the project last opened are written as they were read
  // when the project is saved into that project's folder again (elsewhere, whole).
  HRESULT Save(IAMTimeline* timeline, const wchar_t* path);
  // Checks the wrapper of the project at path and writes its timeline XML to outputPath.
  // VFW_E_INVALID_FILE_FORMAT for a version other than 1; 1 (S_FALSE) when the wrapper or
  // its timeline is missing, leaving outputPath as it was.
  HRESULT ExtractTimeline(const wchar_t* path, const wchar_t* outputPath);
  // Reads the project at path into the (cleared) timeline: extracts the timeline XML into a
  // temporary file and has the editing services' XML reader read it. Succeeds only when every
  // step did; a project that is no project (not well-formed, no wrapper, no timeline) is
  // VFW_E_INVALID_FILE_FORMAT. On failure `why`, when given, gets a sentence for the user
  // saying what is wrong, e.g. "line 3, column 7: <reason>" for damaged XML. Relative media
  // names are taken from the project's folder, wherever the program was started.
  HRESULT Open(IAMTimeline* timeline, const wchar_t* path, std::wstring* why = nullptr);

  const std::wstring& RootName() const { return rootName_; }

 private:
  HRESULT Extract(const wchar_t* path, const wchar_t* outputPath, std::wstring* why);
  HRESULT Write(IAMTimeline* timeline, const wchar_t* path);
  void AnchorMediaNames(IAMTimeline* timeline, const std::wstring& folder);

  // A source whose media name was relative in the file: the name as given, and as anchored
  // to the project's folder.
  struct AnchoredName {
    std::wstring given, anchored;
  };
  std::vector<AnchoredName> anchored_;
  std::wstring readFolder_;  // the folder of the project last opened

  std::wstring rootName_;
  std::wstring versionName_;
  std::wstring childName_;
};
