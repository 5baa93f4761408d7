#pragma once
#include <string>

#include "services/EditingServices.h"

class CWndMain;
class ProjectStorage;

// Application initialisation, run by the main window's first showing: the engine's classes,
// the timeline with its error log, the catalogues, the skip list, the file types, and the
// project named on the command line (or a new one).
void InitializeApplication(CWndMain& main);

// Reads a project file into a (cleared) timeline through a temporary file; returns the result
// of the first step that failed, and when `why` is given, a sentence for the user saying what
// is wrong (ProjectStorage::Open).
HRESULT OpenProjectInto(IAMTimeline* timeline, ProjectStorage* storage, const wchar_t* path,
                        std::wstring* why = nullptr);

// The project path of a command line: its last argument, when there is more than the program.
std::wstring CommandLineProject(const wchar_t* commandLine);
