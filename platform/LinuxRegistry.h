// HKEY_CURRENT_USER on Linux: one small text file per key under
// <config home>/velmark/registry/HKEY_CURRENT_USER/, the key path's parts as folders and
// its last part as "<name>.reg". Folders are created 0700 and files 0600; every change
// rewrites the file atomically (a temporary file, then rename).
//
// File format, one line per value in the order they were first set:
//   [HKEY_CURRENT_USER\Software\Tessaly\Velmark]
//   "Version"="0.99.2"
// with \ and " escaped by a backslash; other types, and strings holding control
// characters, as "name"=hex(<type>):<bytes as two-digit hex, comma separated>.
//
// A file someone else wrote is respected: only a missing file is created; blank lines,
// comments (";" or "#"), key headers and "name"= lines in forms this code does not write are
// kept as they stand when a value is set. A file that is not a regular file, is larger than
// kMaxKeyFileSize, or holds a line of none of these kinds (or a zero byte) is never
// rewritten: opening its key fails.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Host.h"

namespace platform {

struct RegistryValue {
  std::string name;
  DWORD type = REG_SZ;
  std::vector<BYTE> data;
};

inline constexpr size_t kMaxKeyFileSize = 64 * 1024;

// The text of a key file, and back; Parse skips lines it does not understand.
std::string FormatKeyFile(const std::string& keyName, const std::vector<RegistryValue>& values);
std::vector<RegistryValue> ParseKeyFile(const std::string& text);
// One value's line, without its line break.
std::string FormatValueLine(const RegistryValue& value);
// The lines of a key file's text; false when a line is of no kind a key file holds.
bool SplitKeyFile(const std::string& text, std::vector<std::string>& lines);
// `lines` with the line of value `value.name` replaced, or the value added at the end.
void SetValueLine(std::vector<std::string>& lines, const RegistryValue& value);

class LinuxRegistry {
 public:
  // `configHome` empty: $XDG_CONFIG_HOME when set and absolute, else ~/.config ($HOME, or
  // the user's home folder from the password database).
  explicit LinuxRegistry(std::string configHome);

  LONG CreateKey(HKEY root, const char* subKey, std::unique_ptr<RegistryKey>& key, bool& created);

  // The folder the keys of HKEY_CURRENT_USER live in.
  std::string UserRoot() const;

 private:
  std::string configHome_;
};

}  // namespace platform
