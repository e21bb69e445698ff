#include "cli/OutputCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "report/OutputFile.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

bool gStandardOutputClosed = false;

}  // namespace

std::string CheckOutputs(const CliOptions& options) {
  std::vector<report::NamedOutput> outputs;
  if (options.json) outputs.push_back({"--json", *options.json});
  if (options.csv) outputs.push_back({"--csv", *options.csv});
  if (options.plot) outputs.push_back({"--plot", *options.plot});
  if (options.map) outputs.push_back({"--map", *options.map});
  for (const report::NamedOutput& output : outputs) {
    if (output.path == "-") continue;
    if (std::string error = report::CheckOutputPath(output.path); !error.empty())
      return output.option + ": " + error;
  }
  return report::SameOutputTwice(outputs);
}

void KeepStandardStreams() {
#ifndef _WIN32
  for (int fd : {1, 2}) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == 1) gStandardOutputClosed = true;
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0 && null != fd) {
      dup2(null, fd);
      close(null);
    }
  }
#endif
}

std::string FinishStandardOutput() {
  if (gStandardOutputClosed) return std::strerror(EBADF);
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && !std::ferror(stdout)) return {};
  return error != 0 ? std::strerror(error) : "a write failed";
}
