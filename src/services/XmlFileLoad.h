// Loads a local XML file into a document through a memory stream rather than by name.
// Measured under the emulation we run on: given a file name, the document service binds it
// as a URL, and the binding's notification window brings up the whole desktop session first,
// about 0.2 s before a command-line render can begin. Shared by the application and the
// engine, which both read XML files.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <cstddef>
#include <string>

// Bounds no project or timeline file comes near. The document service takes time that grows
// with the square of an element's attribute count and of an attribute value's length (measured:
// 100,000 attributes on one element took over a minute, a 50 MB value 82 s), so damaged or
// hostile files beyond them are refused before it sees them.
constexpr size_t kXmlMaxAttributesPerElement = 4096;
constexpr size_t kXmlMaxAttributeValueBytes = 1024 * 1024;

// S_OK with `loaded` telling whether the document parsed; a failure when the file cannot be
// read, which is then not handed to the document at all. When it did not parse, `why` (if
// given) says where and why, as "line L, column C: reason"; an empty text otherwise.
HRESULT LoadXmlFile(IXMLDOMDocument* document, const wchar_t* path, VARIANT_BOOL* loaded, std::wstring* why = nullptr);

// The linear check LoadXmlFile runs on the bytes first: false, with the reason in `why`, for
// a text beyond the bounds above. Texts in UTF-16 (with a byte-order mark) are scanned by
// 16-bit units, anything else by bytes; the value bound counts bytes either way.
bool PrescanXml(const unsigned char* data, size_t size, std::wstring* why);
