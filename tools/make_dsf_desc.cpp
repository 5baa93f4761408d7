// Writes DSF_desc.xml, the parameter descriptions the effect editor reads, from the engine's
// effect table. Built and run on the build machine, so it sees the table through its portable
// description only.
#include <cstdio>
#include <string>

#include "engine/effects/EffectDescription.h"

namespace {

using namespace engine;

struct ClassId {
  unsigned long data1;
  unsigned short data2, data3;
  unsigned char data4[8];
};

struct BuiltInEffect {
  EffectKind kind;
  const wchar_t* name;
  ClassId clsid;
  const EffectParam* params;
  int paramCount;
  const void* apply;
};

#define MRQ_APPLY(kind, fn) nullptr
#include "engine/effects/EffectTable.inc"
#undef MRQ_APPLY

// The table's texts are ASCII; XML's special characters are escaped.
std::string Text(const wchar_t* text) {
  std::string out;
  for (const wchar_t* c = text; *c; ++c) {
    if (*c == L'&')
      out += "&amp;";
    else if (*c == L'<')
      out += "&lt;";
    else if (*c == L'"')
      out += "&quot;";
    else
      out += static_cast<char>(*c);
  }
  return out;
}

std::string Guid(const ClassId& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_dsf_desc OUTPUT.xml\n");
    return 2;
  }
  FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  std::fputs(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!-- Parameters of the built-in effects and transitions, by class id, written by the build\n"
      "     from the engine's effect table. Each Param Name is a property the effect reads from its\n"
      "     property setter; a ValuesList offers the values a choice parameter takes. Numbers use a\n"
      "     dot as decimal separator. -->\n"
      "<DirectShowFilters>\n",
      out);
  for (const BuiltInEffect& e : kEffects) {
    const char* element = e.kind == kVideoTransition || e.kind == kAudioTransition ? "Transition" : "Effect";
    std::fprintf(out, "  <!-- %s -->\n  <%s GUID=\"%s\">\n", Text(e.name).c_str(), element, Guid(e.clsid).c_str());
    for (int i = 0; i < e.paramCount; ++i) {
      const EffectParam& p = e.params[i];
      std::fprintf(out, "    <Param Name=\"%s\"", Text(p.name).c_str());
      if (p.values) std::fprintf(out, " ValuesList=\"%s\"", Text(p.values->name).c_str());
      std::fputs("/>\n", out);
    }
    std::fprintf(out, "  </%s>\n", element);
  }
  for (const ValueList* list : kValueLists) {
    std::fprintf(out, "  <ValuesList Name=\"%s\">\n", Text(list->name).c_str());
    for (int i = 0; i < list->count; ++i)
      std::fprintf(out, "    <Item Value=\"%s\" Name=\"%s\"/>\n", Text(list->items[i].value).c_str(),
                   Text(list->items[i].label).c_str());
    std::fputs("  </ValuesList>\n", out);
  }
  std::fputs("</DirectShowFilters>\n", out);
  return std::fclose(out) == 0 ? 0 : 1;
}
