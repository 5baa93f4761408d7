#pragma once
#include <windows.h>
#include <msxml2.h>
#include <wrl/client.h>

// Creates the platform's XML document service (MSXML 6, else 3) set up for reading local
// files: synchronous, no validation, no external resources, no document type definitions.
HRESULT CreateXmlDocument(Microsoft::WRL::ComPtr<IXMLDOMDocument>* document);
