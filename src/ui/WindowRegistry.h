#pragma once
#include <windows.h>

#include <cstddef>

class CWinCtl;

// Finds the object of a window handle. Nodes are kept in attachment order and a lookup takes
// the first node with the handle; the system has a few dozen windows, so a walk is enough.
namespace WindowRegistry {

void Add(HWND window, CWinCtl* object);
void Remove(const CWinCtl* object);  // by object, not by handle
CWinCtl* Find(HWND window);

}  // namespace WindowRegistry
