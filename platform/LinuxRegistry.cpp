#include "platform/LinuxRegistry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace platform {
namespace {

// The Windows error for a registry file that cannot be used as it stands.
constexpr LONG kRegistryCorrupt = 1015;  // ERROR_REGISTRY_CORRUPT

LONG RegistryErrorFromErrno(int code) {
  switch (code) {
    case EACCES:
    case EPERM:
    case EROFS:
      return static_cast<LONG>(ERROR_ACCESS_DENIED);
    case ENOENT:
    case ENOTDIR:
      return static_cast<LONG>(ERROR_PATH_NOT_FOUND);
    case ENOSPC:
    case EDQUOT:
      return static_cast<LONG>(ERROR_NOT_ENOUGH_MEMORY);
    default:
      return static_cast<LONG>(ERROR_GEN_FAILURE);
  }
}

bool NeedsHex(const RegistryValue& value, std::string& text) {
  if (value.type != REG_SZ) return true;
  size_t length = value.data.size();
  if (length > 0 && value.data[length - 1] == 0) --length;  // the terminating zero
  text.assign(value.data.begin(), value.data.begin() + static_cast<std::ptrdiff_t>(length));
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// Reads a quoted text at `at`, advancing past it.
bool Unquote(const std::string& line, size_t& at, std::string& text) {
  if (at >= line.size() || line[at] != '"') return false;
  text.clear();
  for (++at; at < line.size(); ++at) {
    char c = line[at];
    if (c == '"') {
      ++at;
      return true;
    }
    if (c == '\\') {
      if (++at >= line.size()) return false;
      c = line[at];
    }
    text += c;
  }
  return false;
}

bool ParseHex(const std::string& text, std::vector<BYTE>& bytes) {
  bytes.clear();
  size_t at = 0;
  while (at < text.size()) {
    if (at + 2 > text.size()) return false;
    char* end = nullptr;
    const std::string pair = text.substr(at, 2);
    const unsigned long value = std::strtoul(pair.c_str(), &end, 16);
    if (end != pair.c_str() + 2) return false;
    bytes.push_back(static_cast<BYTE>(value));
    at += 2;
    if (at < text.size()) {
      if (text[at] != ',') return false;
      ++at;
    }
  }
  return true;
}

// Splits "A\B\C" into its parts; refuses empty parts and parts that would leave the folder.
bool SplitKey(const std::string& subKey, std::vector<std::string>& parts) {
  parts.clear();
  std::string part;
  for (size_t i = 0; i <= subKey.size(); ++i) {
    if (i == subKey.size() || subKey[i] == '\\') {
      if (part.empty() || part == "." || part == "..") return false;
      parts.push_back(part);
      part.clear();
    } else if (subKey[i] == '/') {
      return false;
    } else {
      part += subKey[i];
    }
  }
  return !parts.empty();
}

// Creates every missing folder of `path` (absolute) with mode 0700.
int MakeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string prefix = path.substr(0, at);
    if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    struct stat info;
    if (stat(prefix.c_str(), &info) != 0) return errno;
    if (!S_ISDIR(info.st_mode)) return ENOTDIR;
  }
  return 0;
}

// Writes `text` to `path` through a temporary file in the same folder and a rename.
int WriteAtomically(const std::string& path, const std::string& text) {
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return errno;
  int error = 0;
  if (fchmod(fd, 0600) != 0) error = errno;
  size_t written = 0;
  while (error == 0 && written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
    } else {
      written += static_cast<size_t>(n);
    }
  }
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) unlink(temporary.c_str());
  return error;
}

// The quoted name at the start of a value line, if the line is one.
bool ValueLineName(const std::string& line, std::string& name) {
  size_t at = 0;
  return Unquote(line, at, name) && at < line.size() && line[at] == '=';
}

class FileKey : public RegistryKey {
 public:
  FileKey(std::string path, std::vector<std::string> lines)
      : path_(std::move(path)), lines_(std::move(lines)) {}

  LONG SetValue(const char* name, DWORD type, const BYTE* data, DWORD size) override {
    std::vector<std::string> changed = lines_;
    SetValueLine(changed, RegistryValue{name, type, std::vector<BYTE>(data, data + size)});
    std::string text;
    for (const std::string& line : changed) text += line + "\n";
    const int error = WriteAtomically(path_, text);
    if (error != 0) return RegistryErrorFromErrno(error);
    lines_ = std::move(changed);
    return static_cast<LONG>(ERROR_SUCCESS);
  }

 private:
  std::string path_;
  std::vector<std::string> lines_;  // the file as it stands, line by line
};

// Reads a regular file of at most kMaxKeyFileSize bytes without blocking on anything else
// (a FIFO, a device). 0, or the errno; EFBIG when the file is too large, EINVAL when it is
// not a regular file.
int ReadKeyFileText(const std::string& path, std::string& text) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat info;
  int error = 0;
  if (fstat(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    error = EINVAL;
  } else if (static_cast<std::uint64_t>(info.st_size) > kMaxKeyFileSize) {
    error = EFBIG;
  }
  char buffer[4096];
  while (error == 0) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
    } else if (n == 0) {
      break;
    } else {
      text.append(buffer, static_cast<size_t>(n));
      if (text.size() > kMaxKeyFileSize) error = EFBIG;  // it grew since fstat
    }
  }
  close(fd);
  return error;
}

}  // namespace

std::string FormatKeyFile(const std::string& keyName, const std::vector<RegistryValue>& values) {
  std::string text = "[" + keyName + "]\n";
  for (const RegistryValue& value : values) {
    std::string plain;
    text += Quote(value.name) + "=";
    if (!NeedsHex(value, plain)) {
      text += Quote(plain);
    } else {
      char head[32];
      std::snprintf(head, sizeof(head), "hex(%u):", static_cast<unsigned>(value.type));
      text += head;
      for (size_t i = 0; i < value.data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof(byte), i == 0 ? "%02x" : ",%02x", value.data[i]);
        text += byte;
      }
    }
    text += "\n";
  }
  return text;
}

std::string FormatValueLine(const RegistryValue& value) {
  std::string text = FormatKeyFile("", {value});
  text.erase(0, text.find('\n') + 1);  // the header
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

bool SplitKeyFile(const std::string& text, std::vector<std::string>& lines) {
  lines.clear();
  if (text.find('\0') != std::string::npos) return false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    std::string name;
    const size_t first = line.find_first_not_of(" \t\r");
    const size_t last = line.find_last_not_of(" \t\r");
    const bool understood = first == std::string::npos || line[first] == ';' ||
                            line[first] == '#' || (line[first] == '[' && line[last] == ']') ||
                            ValueLineName(line, name);
    if (!understood) return false;
    lines.push_back(std::move(line));
  }
  return true;
}

void SetValueLine(std::vector<std::string>& lines, const RegistryValue& value) {
  const std::string line = FormatValueLine(value);
  for (std::string& existing : lines) {
    std::string name;
    if (ValueLineName(existing, name) && name == value.name) {
      existing = line;
      return;
    }
  }
  lines.push_back(line);
}

std::vector<RegistryValue> ParseKeyFile(const std::string& text) {
  std::vector<RegistryValue> values;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    size_t at = 0;
    RegistryValue value;
    if (!Unquote(line, at, value.name) || at >= line.size() || line[at] != '=') continue;
    ++at;
    std::string data;
    if (at < line.size() && line[at] == '"') {
      if (!Unquote(line, at, data)) continue;
      value.type = REG_SZ;
      value.data.assign(data.begin(), data.end());
      value.data.push_back(0);
    } else if (line.compare(at, 4, "hex(") == 0) {
      const size_t close = line.find("):", at);
      if (close == std::string::npos) continue;
      value.type = static_cast<DWORD>(
          std::strtoul(line.substr(at + 4, close - at - 4).c_str(), nullptr, 10));
      if (!ParseHex(line.substr(close + 2), value.data)) continue;
    } else {
      continue;
    }
    values.push_back(std::move(value));
  }
  return values;
}

LinuxRegistry::LinuxRegistry(std::string configHome) : configHome_(std::move(configHome)) {
  if (!configHome_.empty()) return;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    configHome_ = xdg;
    return;
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') {
    const struct passwd* user = getpwuid(getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  if (home != nullptr && home[0] == '/') configHome_ = std::string(home) + "/.config";
}

std::string LinuxRegistry::UserRoot() const {
  return configHome_ + "/velmark/registry/HKEY_CURRENT_USER";
}

LONG LinuxRegistry::CreateKey(HKEY root, const char* subKey, std::unique_ptr<RegistryKey>& key,
                              bool& created) {
  key.reset();
  created = false;
  if (root != HKEY_CURRENT_USER) return static_cast<LONG>(ERROR_ACCESS_DENIED);
  if (configHome_.empty() || configHome_[0] != '/') {
    return static_cast<LONG>(ERROR_PATH_NOT_FOUND);  // no home to keep it in
  }
  std::vector<std::string> parts;
  if (subKey == nullptr || !SplitKey(subKey, parts)) {
    return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  }
  std::string folder = UserRoot();
  for (size_t i = 0; i + 1 < parts.size(); ++i) folder += "/" + parts[i];
  if (const int error = MakeFolders(folder)) return RegistryErrorFromErrno(error);
  const std::string path = folder + "/" + parts.back() + ".reg";
  const std::string name = "HKEY_CURRENT_USER\\" + std::string(subKey);

  // Only a file that is not there is created; one that cannot be read, is not a regular
  // file, is too large or does not parse is left as it stands.
  std::string text;
  std::vector<std::string> lines;
  const int readError = ReadKeyFileText(path, text);
  if (readError == ENOENT) {
    lines.push_back("[" + name + "]");
    if (const int error = WriteAtomically(path, lines.front() + "\n")) {
      return RegistryErrorFromErrno(error);
    }
    created = true;
  } else if (readError == EINVAL) {
    return static_cast<LONG>(ERROR_ACCESS_DENIED);
  } else if (readError == EFBIG) {
    return kRegistryCorrupt;
  } else if (readError != 0) {
    return RegistryErrorFromErrno(readError);
  } else if (!SplitKeyFile(text, lines)) {
    return kRegistryCorrupt;
  } else if (access(path.c_str(), W_OK) != 0 || access(folder.c_str(), W_OK) != 0) {
    // The key must also be writable now: the open fails as a create would.
    return RegistryErrorFromErrno(errno);
  }
  key = std::make_unique<FileKey>(path, std::move(lines));
  return static_cast<LONG>(ERROR_SUCCESS);
}

}  // namespace platform
