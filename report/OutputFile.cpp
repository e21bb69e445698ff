#include "report/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace report {
namespace {

namespace fs = std::filesystem;

std::string CannotWrite(const std::string& path, const std::string& why) {
  return "cannot write " + path + ": " + why;
}

#ifndef _WIN32

std::string Folder(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Name(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path a link (or a chain of them) leads to, followed by its text alone: for a link
// whose target does not exist yet. Stops after 40 links, as the kernel does.
std::string LinkTarget(const std::string& path) {
  std::string p = path;
  for (int i = 0; i < 40; ++i) {
    struct stat st {};
    if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    char text[PATH_MAX];
    const ssize_t n = readlink(p.c_str(), text, sizeof text - 1);
    if (n <= 0) return p;
    std::string target(text, static_cast<std::size_t>(n));
    p = target[0] == '/' ? target : Folder(p) + "/" + target;
  }
  return p;
}

// Where a regular file at `path` really is (links followed), for its folder and name.
std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return LinkTarget(path);
  return resolved;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes over what is at `path` without making a new file: devices, FIFOs, terminals, and
// files whose folder cannot be written.
std::string WriteInPlace(const std::string& path, const std::string& bytes, bool truncate) {
  const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (truncate ? O_TRUNC : 0));
  if (fd < 0) return CannotWrite(path, std::strerror(errno));
  if (!WriteAll(fd, bytes)) {
    const int error = errno;
    close(fd);
    return CannotWrite(path, std::strerror(error));
  }
  if (close(fd) != 0 && errno != EINTR) return CannotWrite(path, std::strerror(errno));
  return {};
}

mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

#endif

}  // namespace

#ifndef _WIN32

std::string CheckOutputPath(const std::string& path) {
  if (path.empty()) return "an output needs a file name";
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return CannotWrite(path, "it is a folder");
    if (S_ISSOCK(st.st_mode)) return CannotWrite(path, "it is a socket");
    if (S_ISREG(st.st_mode) && access(Folder(RealPath(path)).c_str(), W_OK | X_OK) == 0) return {};
    if (access(path.c_str(), W_OK) != 0) return CannotWrite(path, std::strerror(errno));
    return {};
  }
  if (errno != ENOENT) return CannotWrite(path, std::strerror(errno));
  const std::string folder = Folder(LinkTarget(path));
  if (stat(folder.c_str(), &st) != 0)
    return CannotWrite(path, "no folder " + folder + " (" + std::strerror(errno) + ")");
  if (!S_ISDIR(st.st_mode)) return CannotWrite(path, folder + " is not a folder");
  if (access(folder.c_str(), W_OK | X_OK) != 0)
    return CannotWrite(path, "folder " + folder + ": " + std::strerror(errno));
  return {};
}

std::string WriteOutputFile(const std::string& path, const std::string& bytes) {
  struct stat st {};
  const bool exists = stat(path.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return WriteInPlace(path, bytes, false);
  const std::string target = exists ? RealPath(path) : LinkTarget(path);

  std::string temporary = Folder(target) + "/." + Name(target) + ".velmark-XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    // A folder closed to this user around a file open to it: the file is rewritten.
    if (exists && access(path.c_str(), W_OK) == 0) return WriteInPlace(path, bytes, true);
    return CannotWrite(path, std::strerror(error));
  }
  auto fail = [&](int error) {
    close(fd);
    unlink(temporary.c_str());
    return CannotWrite(path, std::strerror(error));
  };
  if (fchmod(fd, exists ? st.st_mode & 07777 : NewFileMode()) != 0) return fail(errno);
  if (exists && geteuid() == 0 && fchown(fd, st.st_uid, st.st_gid) != 0) {
    // The owner stays the one who wrote it; the mode still is the earlier file's.
  }
  if (!WriteAll(fd, bytes) || fsync(fd) != 0) return fail(errno);
  if (close(fd) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return CannotWrite(path, std::strerror(error));
  }
  if (rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return CannotWrite(path, std::strerror(error));
  }
  return {};
}

#else  // Windows: no links or device nodes to keep; the same replacement by rename.

std::string CheckOutputPath(const std::string& path) {
  if (path.empty()) return "an output needs a file name";
  std::error_code error;
  if (fs::is_directory(path, error)) return CannotWrite(path, "it is a folder");
  const fs::path folder = fs::path(path).parent_path();
  if (!folder.empty() && !fs::is_directory(folder, error))
    return CannotWrite(path, "no folder " + folder.string());
  return {};
}

std::string WriteOutputFile(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".velmark-new";
  std::FILE* f = std::fopen(temporary.c_str(), "wb");
  if (f == nullptr) return CannotWrite(path, std::strerror(errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  std::error_code error;
  if (written && closed) fs::rename(temporary, path, error);
  if (!written || !closed || error) {
    fs::remove(temporary, error);
    return CannotWrite(path, written && closed ? error.message() : std::strerror(errno));
  }
  return {};
}

#endif

std::string SameOutputTwice(const std::vector<NamedOutput>& outputs) {
  auto key = [](const std::string& path) {
    std::error_code error;
#ifndef _WIN32
    const fs::path canonical = fs::weakly_canonical(LinkTarget(path), error);
#else
    const fs::path canonical = fs::weakly_canonical(path, error);
#endif
    return error ? fs::path(path).lexically_normal().string() : canonical.string();
  };
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (outputs[i].path == "-") continue;
    for (std::size_t j = i + 1; j < outputs.size(); ++j) {
      if (outputs[j].path == "-") continue;
      bool same = key(outputs[i].path) == key(outputs[j].path);
#ifndef _WIN32
      struct stat a {
      }, b{};
      if (stat(outputs[i].path.c_str(), &a) == 0 && stat(outputs[j].path.c_str(), &b) == 0)
        same = same || (a.st_dev == b.st_dev && a.st_ino == b.st_ino);
#endif
      if (same)
        return outputs[i].option + " " + outputs[i].path + " and " + outputs[j].option + " " +
               outputs[j].path + " are the same file: each output needs a path of its own";
    }
  }
  return {};
}

}  // namespace report
