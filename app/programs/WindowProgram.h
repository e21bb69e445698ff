// The command line of the window programs that read one, before any window exists: --help
// and --version answered on standard output, options a program does not take refused.
#pragma once

struct WindowProgram {
  const char* name;       // "velmark-scan"
  const char* about;      // --help's description, lines ending in '\n'
  bool takesSim = false;  // --sim: the simulated demo machine
};

struct WindowCommandLine {
  bool sim = false;
  int exitStatus = -1;  // 0 or more: the program ends with it and opens no window
};

// Reads the command line; --help and --version are answered (status 0), anything not
// understood is refused on standard error (status 2).
WindowCommandLine ReadWindowCommandLine(const WindowProgram& program, int argc, char** argv);
