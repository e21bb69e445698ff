// What the window programs do before any window exists: --help and --version answered on
// standard output, options a program does not take refused, and a plain message when no
// window can be opened (Qt would abort).
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

// True, after a line on standard error, when no window can be opened here.
bool NoDisplay(const char* program);
