// Output files that never destroy what stood at their path.
//
// A regular file (or a link to one) is replaced whole: the text goes to a new file in the
// same folder, is flushed to the disc and renamed over the target only once complete, with
// the target's mode, so a run that fails, is refused or is killed leaves the earlier file as
// it was. Where the folder cannot be written but the file can, the file is rewritten in place
// (the text is whole in memory by then). A path that is not a regular file — a device, a
// FIFO, a terminal, or a link to one — is written in place and never removed, truncated
// ahead of time or replaced.
#pragma once

#include <string>
#include <vector>

namespace report {

// Whether `path` can take an output, judged before any work: its folder exists and can be
// written, or the file itself can. Empty when it can, else a message naming the path.
std::string CheckOutputPath(const std::string& path);

// Of `paths` (named by the option that gives each, as "--json out.json"), the first two
// that lead to the same file, as a message; empty when they are all apart. "-" (standard
// output) is not a file and is left to the caller.
struct NamedOutput {
  std::string option;
  std::string path;
};
std::string SameOutputTwice(const std::vector<NamedOutput>& outputs);

// Writes `bytes` to `path` as described above. Empty on success, else a message naming the
// path and what went wrong; the earlier file, if any, is then unchanged.
std::string WriteOutputFile(const std::string& path, const std::string& bytes);

}  // namespace report
