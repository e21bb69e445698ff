// The command line of velmark-cli: the options, and the table that parses them and writes
// the usage text. An option is one row of the table.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "scan/ScanSteps.h"

struct CliOptions {
  bool help = false;
  bool version = false;
  bool list = false;
  int drive = 0;                       // row of the drive list
  bool driveGiven = false;             // --drive was given
  std::optional<std::string> device;   // or the drive named: /dev/srN, /dev/sgN, a link, D:
  std::optional<std::string> start;    // text typed into the start address field
  std::optional<std::string> blocks;   // text typed into the amount field
  std::optional<int> mode;             // read mode item: 0 data, 1 raw
  bool noDisplay = false;              // the "Disable Display ..." check box
  bool sim = false;                    // the simulated machine
  std::string simProfile = "default";  // which one: "default" or "media" (DVD and BD drives)
  bool realTime = false;               // the simulated machine at the pace of a real drive
  bool trace = false;                  // every command on standard error
  bool quiet = false;                  // nothing on standard error but errors
  int waitSeconds = 30;                // how long to wait for the drive to become ready
  std::string colour = "auto";         // auto | always | never
  std::optional<std::string> json;     // where the JSON record goes; "-": standard output

  // The disc scan (done in this order when several are asked for).
  bool info = false;                // the capabilities summary
  bool speeds = false;              // the speeds the drive offers
  std::optional<double> speed;      // a requested speed in x: taken and measured
  bool curve = false;               // the transfer-rate curve and the reading strategy
  bool access = false;              // access times
  bool spinUp = false;              // spin-up time
  bool surface = false;             // every block of the range read and judged
  std::optional<std::string> csv;   // file for the scan's CSV; "-": standard output
  std::optional<std::string> plot;  // picture of the curve: a .png or .svg file
  std::optional<std::string> map;   // picture of the surface scan's disc map

  bool Scan() const { return info || speeds || speed || curve || access || spinUp || surface; }

  // The audio extraction check (instead of the speed test and the scan).
  std::optional<std::string> against;  // the other drive: a row number or a device
  bool audioCheck = false;
  std::optional<int> audioReads;  // the repeatability reads (default 3)

  // Saved scan records to compare (--compare A.json B.json ...).
  std::vector<std::string> compare;
};

// One option: how it is spelt, what it takes, what the usage says of it and what it does.
struct CliOption {
  const char* name;     // "--drive"
  const char* value;    // the value's name in the usage ("N"); null: the option takes none
  const char* section;  // the usage heading it is listed under (see CliSections)
  const char* help;     // the usage's description; a '\n' starts a continuation line
  // Stores the option in `options`; returns why `value` is refused, or an empty text.
  // `spelling` is the name as it was typed.
  std::string (*handle)(CliOptions& options, const std::string& spelling, const std::string& value);
  // Further spellings: a short one ("-v") is named in the usage, a long one is accepted only.
  std::vector<const char*> aliases = {};
  bool withList = false;  // it means something with --list (the others are refused there)
};

// The usage's headings in order, each with the paragraph written under it before its options.
struct CliSection {
  const char* name;
  const char* intro;  // empty or lines ending in '\n', written indented by two spaces
};

// Whether the options ask for that step of the scan.
bool StepAsked(const CliOptions& options, scan::StepId step);

std::span<const CliOption> CliOptionTable();
std::span<const CliSection> CliSections();

struct CliParse {
  CliOptions options;
  std::string error;  // empty when the command line was understood
};

CliParse ParseCliOptions(const std::vector<std::string>& args);

// Whether the report is written in colour: --colour always, or auto on a terminal when the
// NO_COLOR environment variable (`noColour`, null when unset) is empty or unset.
bool ColourWanted(const std::string& colour, bool terminal, const char* noColour);

// The --help text, made from the option table.
std::string CliUsage(const std::string& program);
