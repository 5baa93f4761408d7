#include "ui/WindowRegistry.h"

#include <algorithm>
#include <vector>

namespace {

struct Node {
  HWND window;
  CWinCtl* object;
};

std::vector<Node>& Nodes() {
  static std::vector<Node> nodes;
  return nodes;
}

}  // namespace

namespace WindowRegistry {

void Add(HWND window, CWinCtl* object) { Nodes().push_back({window, object}); }

void Remove(const CWinCtl* object) {
  auto& nodes = Nodes();
  auto it = std::find_if(nodes.begin(), nodes.end(), [object](const Node& n) { return n.object == object; });
  if (it != nodes.end()) nodes.erase(it);
}

CWinCtl* Find(HWND window) {
  for (const Node& n : Nodes())
    if (n.window == window) return n.object;
  return nullptr;
}

}  // namespace WindowRegistry
