// The export table of a simulated loadable module: entry names and their addresses.
#pragma once

#include <cstddef>
#include <cstring>

#include "platform/win32.h"

namespace sim {

// Entry points travel as FARPROC, as GetProcAddress returns them; the caller casts back to
// the entry's own type. The detour through void(*)() is the sanctioned generic function type.
template <class Function>
FARPROC AsFarProc(Function* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct ModuleExport {
  const char* name;
  FARPROC address;
};

// The address exported under `name`, or null.
template <std::size_t N>
FARPROC FindExport(const ModuleExport (&exports)[N], const char* name) {
  if (name == nullptr) return nullptr;
  for (const ModuleExport& entry : exports) {
    if (std::strcmp(entry.name, name) == 0) return entry.address;
  }
  return nullptr;
}

}  // namespace sim
