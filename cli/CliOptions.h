// The command line of velmark-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CliOptions {
  bool help = false;
  bool list = false;
  int drive = 0;                      // row of the drive list
  std::optional<std::string> start;   // text typed into the start address field
  std::optional<std::string> blocks;  // text typed into the amount field
  std::optional<int> mode;            // read mode item: 0 data, 1 raw
  bool noDisplay = false;             // the "Disable Display ..." check box
  bool sim = false;                   // the default simulated machine
  bool realTime = false;              // the simulated machine at the pace of a real drive
  bool trace = false;                 // every command on standard error
  int waitSeconds = 30;               // how long to wait for the drive to become ready
  std::string colour = "auto";        // auto | always | never
};

struct CliParse {
  CliOptions options;
  std::string error;  // empty when the command line was understood
};

CliParse ParseCliOptions(const std::vector<std::string>& args);

// The --help text.
std::string CliUsage(const std::string& program);
