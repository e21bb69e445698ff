// What a run wrote to one of its temporary output files: the whole of it, then the file closed.
#pragma once

#include <cstdio>
#include <string>

inline std::string ReadBack(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
  std::fclose(f);
  return s;
}
