// The outputs a command line asks for, judged before any drive work: each path can be
// written (its folder exists and is open to this user, or the file is), and no two outputs
// share one file. Standard output and its failures are judged at the end, once written.
#pragma once

#include <string>

#include "cli/CliOptions.h"

// Empty when every output path can be written, else a message naming the path.
std::string CheckOutputs(const CliOptions& options);

// Makes sure standard output and standard error hold open descriptors, so that no file the
// program opens takes their place; remembers whether standard output was closed.
void KeepStandardStreams();

// Flushes standard output; empty when everything written there arrived, else why not.
std::string FinishStandardOutput();
