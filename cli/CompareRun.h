// Saved scans compared: each file read as a scan or surface record, all of one medium, the
// table of their figures on standard output and, with --plot, their curves overlaid in one
// picture. A file that is not such a record (another kind, a newer format, not JSON), or
// records of different media, are refused with the reason and the status 2.
#pragma once

#include <cstdio>

#include "cli/CliOptions.h"

int RunCompare(const CliOptions& options, std::FILE* out, std::FILE* err);
