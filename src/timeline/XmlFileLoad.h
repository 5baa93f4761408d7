// Loads a local XML file into a document through a memory stream rather than by name.
// Measured under the emulation we run on: given a file name, the document service binds it
// as a URL, and the binding's notification window brings up the whole desktop session first,
// about 0.2 s before a command-line render can begin. Shared by the application and the
// engine, which both read XML files.
#pragma once

#include <windows.h>
#include <msxml2.h>

// S_OK with `loaded` telling whether the document parsed (its parse error says why not); a
// failure when the file cannot be read, which is then not handed to the document at all.
HRESULT LoadXmlFile(IXMLDOMDocument* document, const wchar_t* path, VARIANT_BOOL* loaded);
