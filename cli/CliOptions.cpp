#include "cli/CliOptions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "cli/DecimalText.h"
#include "report/plot/PlotWriter.h"

namespace {

// The pictures are drawn with Qt, which the Windows build does not have.
#ifdef _WIN32
constexpr const char* kPlotUnavailable = "--plot is not available on Windows";
#else
constexpr const char* kPlotUnavailable =
    "--plot is not available: this velmark-cli was built without Qt";
#endif

// The value of a numeric option: "" and `out` set when `text` is decimal and from `low` to
// `high`; else why not: not an integer in the range fields' words, or `range` (the option's
// own words for what it takes) and the text.
std::string ParseInt(const std::string& option, const std::string& text, long long low,
                     long long high, const std::string& range, int& out) {
  if (!IsDecimalText(text)) return option + ": '" + text + "' is not a valid integer value";
  errno = 0;
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno != 0 || v < low || v > high) return option + " needs " + range + ", not '" + text + "'";
  out = static_cast<int>(v);
  return {};
}

using Handler = std::string (*)(CliOptions&, const std::string&, const std::string&);

// A switch: sets its flag.
template <bool CliOptions::*Flag>
std::string Set(CliOptions& o, const std::string&, const std::string&) {
  o.*Flag = true;
  return {};
}

// The scan's paragraph, with its steps in the order they run.
const std::string kScanIntro =
    "Instead of the speed test: several may be given, and are done in this order:\n" +
    scan::ScanStepOrder() +
    ". --start, --blocks, --mode, --drive\n"
    "and --wait apply as for the speed test; the range defaults to the whole recorded\n"
    "area. --json writes the scan's record.\n";

const std::vector<CliSection> kSections = {
    {"Drives", ""},
    {"Test", ""},
    {"Disc scan", kScanIntro.c_str()},
    {"Audio extraction",
     "Instead of the speed test: how the drive extracts audio, each finding with the\n"
     "times and counts it comes from. --start and --blocks choose the stretch (default:\n"
     "270 blocks a minute into the first audio track), --drive or --device the drive;\n"
     "--json and --csv write the findings. A data disc or a drive that reads no CD-DA\n"
     "is refused with status 1.\n"},
    {"Output", ""},
};

// A speed in x, whole or with decimals ("2.4").
std::string SetSpeed(CliOptions& o, const std::string& n, const std::string& v) {
  const std::string range = "a speed in x from 1 to 200";
  const std::size_t point = v.find('.');
  if (point != std::string::npos && point > 0 && point + 1 < v.size() &&
      IsDecimalText(v.substr(0, point)) && v[0] != '+' && v[0] != '-' &&
      IsDecimalText(v.substr(point + 1)) && v[point + 1] != '+' && v[point + 1] != '-') {
    const double x = std::strtod(v.c_str(), nullptr);
    if (!(x >= 1.0 && x <= 200.0)) return n + " needs " + range + ", not '" + v + "'";
    o.speed = x;
    return {};
  }
  int x = 0;
  std::string error = ParseInt(n, v, 1, 200, range, x);
  if (error.empty()) o.speed = x;
  return error;
}

// A scan step's option row, as the step table describes it.
CliOption StepOption(const scan::ScanStep& step) {
  Handler handle = nullptr;
  switch (step.id) {
    case scan::StepId::Info:
      handle = Set<&CliOptions::info>;
      break;
    case scan::StepId::Speeds:
      handle = Set<&CliOptions::speeds>;
      break;
    case scan::StepId::RequestSpeed:
      handle = SetSpeed;
      break;
    case scan::StepId::Curve:
      handle = Set<&CliOptions::curve>;
      break;
    case scan::StepId::Access:
      handle = Set<&CliOptions::access>;
      break;
    case scan::StepId::SpinUp:
      handle = Set<&CliOptions::spinUp>;
      break;
    case scan::StepId::Surface:
      handle = Set<&CliOptions::surface>;
      break;
  }
  return {step.option, step.value, "Disc scan", step.help, handle};
}

const CliOption kOptionsBeforeScan[] = {
    {"--list",
     nullptr,
     "Drives",
     "print the drive list (one row per drive, as the window's list\n"
     "shows it) with each row's number, then the drive's device\n"
     "(/dev/srN; with --sim its address), whether it is ready and its\n"
     "disc (or \"no disc\"), and exit. An option that does nothing\n"
     "with --list (--json, --start, a scan step, ...) is refused",
     Set<&CliOptions::list>,
     {},
     true},
    {"--drive", "N", "Drives", "use row N of the drive list (default 0, the first drive)",
     // How many rows there are is known once the drives are found.
     [](CliOptions& o, const std::string& n, const std::string& v) -> std::string {
       o.driveGiven = true;
       return ParseInt(n, v, 0, INT_MAX, "a row number from 0", o.drive);
     }},
    {"--device", "PATH", "Drives",
     "use the drive at PATH: /dev/sr0, /dev/sr1 ..., a link to one\n"
     "(/dev/cdrom), or the /dev/sgN of an optical drive; or a drive\n"
     "letter (D:). With --sim: D: to H: or /dev/sr0 to /dev/sr4. A\n"
     "PATH that cannot be used is named with the reason (no such\n"
     "file, not a device, not an optical drive, permission denied)",
     [](CliOptions& o, const std::string&, const std::string& v) -> std::string {
       if (v.empty()) return "--device needs a device path or a drive letter";
       o.device = v;
       return {};
     }},
    {"--sim",
     nullptr,
     "Drives",
     "use the built-in simulated machine instead of this machine's\n"
     "drives (listed at the end of this text). Its clock is virtual by\n"
     "default: the drives' timing is modelled exactly but no time is\n"
     "waited, so a full test takes a moment.",
     Set<&CliOptions::sim>,
     {},
     true},
    {"--sim-profile",
     "NAME",
     "Drives",
     "use the simulated machine NAME (implies --sim): default (the\n"
     "CD drives D: to H:), media (DVD and BD drives and discs) or\n"
     "damage (a CD and a DVD with unreadable and weak blocks; the\n"
     "machines are listed at the end of this text)",
     [](CliOptions& o, const std::string&, const std::string& v) -> std::string {
       if (v.empty()) return "--sim-profile needs a machine's name: default, media or damage";
       o.sim = true;
       o.simProfile = v;
       return {};
     },
     {},
     true},
    {"--real-time",
     nullptr,
     "Drives",
     "with --sim: run the simulated drives at their real pace (a full\n"
     "default test then takes about as long as on a real drive)",
     Set<&CliOptions::realTime>,
     {},
     true},
    {"--start", "LBA", "Test",
     "start address (first logical block), from 0. Default: the\n"
     "window's default, which moves to 10002 blocks before the end\n"
     "of the recorded area once the disc's capacity has been read",
     // The field texts are judged by CheckFields, before the drive is looked at.
     [](CliOptions& o, const std::string&, const std::string& v) -> std::string {
       o.start = v;
       return {};
     }},
    {"--blocks", "N", "Test",
     "amount of blocks to read, from 1 (default 10000). A range that\n"
     "runs past the end of the disc is shortened to end 2 blocks\n"
     "before the lead-out, with a note; a start at or past the end\n"
     "is refused",
     [](CliOptions& o, const std::string&, const std::string& v) -> std::string {
       o.blocks = v;
       return {};
     }},
    {"--mode", "data|raw", "Test",
     "data: 2048-byte user data with READ(10) (1x = 150 KB/s);\n"
     "raw: 2352-byte sectors with READ CD, digital audio extraction\n"
     "(1x = 172 KB/s). Default: data. A data test on an audio range\n"
     "falls back to raw by itself.",
     [](CliOptions& o, const std::string&, const std::string& v) -> std::string {
       if (v == "data") {
         o.mode = 0;
       } else if (v == "raw") {
         o.mode = 1;
       } else {
         return "--mode is data or raw, not '" + v + "'";
       }
       return {};
     }},
    {"--no-display", nullptr, "Test",
     "the window's check box \"Disable Display and Current Speed\n"
     "calculation during Read\": no current speed is computed during\n"
     "the read, and the highest speed lines are not written",
     Set<&CliOptions::noDisplay>},
    {"--wait", "SECONDS", "Test",
     "how long to wait for the drive to become ready (default 30;\n"
     "0: ask it once)",
     [](CliOptions& o, const std::string& n, const std::string& v) -> std::string {
       return ParseInt(n, v, 0, 3600, "seconds from 0 to 3600", o.waitSeconds);
     }},
};

const CliOption kAudioOptions[] = {
    {"--audio-check", nullptr, "Audio extraction",
     "whether the drive caches audio and how much, what defeats the\n"
     "cache, whether READ(12) honours FUA, whether the C2 error\n"
     "pointers flag what reads differently, and how often the range\n"
     "reads the same",
     Set<&CliOptions::audioCheck>},
    {"--reads", "N", "Audio extraction",
     "read the range N times for repeatability (2 to 20, default 3)",
     [](CliOptions& o, const std::string& n, const std::string& v) -> std::string {
       int reads = 0;
       std::string error = ParseInt(n, v, 2, 20, "a count from 2 to 20", reads);
       if (error.empty()) o.audioReads = reads;
       return error;
     }},
    {"--against", "DRIVE", "Audio extraction",
     "also read the same stretch on another drive holding the same\n"
     "audio disc (a row number of the drive list, or a device as for\n"
     "--device) and give its sample offset against the drive's",
     [](CliOptions& o, const std::string& n, const std::string& v) -> std::string {
       if (v.empty()) return n + " needs a row number or a device";
       o.against = v;
       return {};
     }},
};

const CliOption kOptionsAfterScan[] = {
    {"--csv", "FILE", "Disc scan",
     "write the curve's samples as CSV (without --curve: a surface\n"
     "scan's marked runs, else the other figures, as figure,value\n"
     "rows; - for standard output); standard\n"
     "output then carries only that file, and the scan's report goes\n"
     "to standard error",
     [](CliOptions& o, const std::string& n, const std::string& v) -> std::string {
       if (v.empty()) return n + " needs a file name, or - for standard output";
       o.csv = v;
       return {};
     }},
    {"--compare", "FILE ...", "Disc scan",
     "compare saved scans (--json records of --curve, --surface ...)\n"
     "of one medium: a table of their figures side by side (drive,\n"
     "disc, date, strategy, speeds, access, spin-up, surface counts);\n"
     "with --plot their curves overlaid. Another kind of record (a\n"
     "speed test's), a newer record format or another medium is\n"
     "refused with status 2",
     [](CliOptions& o, const std::string& n, const std::string& v) -> std::string {
       if (v.empty() || v[0] == '-') return n + " needs the saved records' file names";
       o.compare.push_back(v);
       return {};
     }},
    {"--plot", "FILE", "Disc scan",
     "draw the curve (with --curve): speed in x and rotation in rpm\n"
     "against the position on the disc, the strategy and the drive\n"
     "named; PNG or SVG by the file's extension (with --compare:\n"
     "the saved curves overlaid)",
     [](CliOptions& o, const std::string& n, const std::string& v) -> std::string {
       if (report::plot::PictureFormatOf(v) == report::plot::PictureFormat::None)
         return n + " needs a file name ending in .png or .svg";
       o.plot = v;
       return {};
     }},
    {"--map", "FILE", "Disc scan",
     "draw the surface scan's map (with --surface): the disc's\n"
     "recorded area as rings from the inside out, good, weak, C2 and\n"
     "unreadable in colours (a dual-layer disc as two discs), beside\n"
     "the speed read with the marked runs; PNG or SVG",
     [](CliOptions& o, const std::string& n, const std::string& v) -> std::string {
       if (report::plot::PictureFormatOf(v) == report::plot::PictureFormat::None)
         return n + " needs a file name ending in .png or .svg";
       o.map = v;
       return {};
     }},
    {"--colour",
     "WHEN",
     "Output",
     "auto (default), always or never. auto: colour on a terminal,\n"
     "unless the environment variable NO_COLOR is set (not empty)",
     [](CliOptions& o, const std::string& spelling, const std::string& v) -> std::string {
       if (v != "auto" && v != "always" && v != "never")
         return spelling + " is auto, always or never, not '" + v + "'";
       o.colour = v;
       return {};
     },
     {"--color"},
     true},
    {"--trace",
     nullptr,
     "Output",
     "print every SCSI command on standard error as it is sent\n"
     "(command block, data length and direction, status, sense,\n"
     "duration)",
     Set<&CliOptions::trace>,
     {"-v"},
     true},
    {"--quiet",
     nullptr,
     "Output",
     "nothing on standard error but errors: no notes, no progress\n"
     "line",
     Set<&CliOptions::quiet>,
     {"-q"},
     true},
    {"--json", "FILE", "Output",
     "also write the test's result record as JSON to FILE; with -\n"
     "the JSON goes to standard output and the text report to\n"
     "standard error",
     [](CliOptions& o, const std::string&, const std::string& v) -> std::string {
       if (v.empty()) return "--json needs a file name, or - for standard output";
       o.json = v;
       return {};
     }},
    {"--help", nullptr, "Output", "print this text and exit", Set<&CliOptions::help>, {"-h"}, true},
    {"--version",
     nullptr,
     "Output",
     "print the version and exit",
     Set<&CliOptions::version>,
     {"-V"},
     true},
};

std::vector<CliOption> AllOptions() {
  std::vector<CliOption> all(std::begin(kOptionsBeforeScan), std::end(kOptionsBeforeScan));
  for (const scan::ScanStep& step : scan::ScanSteps()) all.push_back(StepOption(step));
  all.insert(all.end(), std::begin(kAudioOptions), std::end(kAudioOptions));
  all.insert(all.end(), std::begin(kOptionsAfterScan), std::end(kOptionsAfterScan));
  return all;
}

const std::vector<CliOption> kOptions = AllOptions();

const CliOption* Find(const std::string& name) {
  for (const CliOption& o : kOptions) {
    if (name == o.name) return &o;
    for (const char* alias : o.aliases)
      if (name == alias) return &o;
  }
  return nullptr;
}

// Where an option's description starts, and how wide a usage line may be.
constexpr size_t kHelpColumn = 20;
constexpr size_t kLineWidth = 84;

// `text` broken at blanks into lines of at most `width` characters (a longer word stands
// alone); explicit line breaks are kept.
std::vector<std::string> Wrap(const std::string& text, size_t width) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from <= text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    std::string rest = text.substr(from, end - from);
    while (rest.size() > width) {
      size_t cut = rest.rfind(' ', width);
      if (cut == std::string::npos || cut == 0) cut = rest.find(' ');
      if (cut == std::string::npos) break;
      lines.push_back(rest.substr(0, cut));
      rest.erase(0, cut + 1);
    }
    lines.push_back(rest);
    from = end + 1;
  }
  return lines;
}

}  // namespace

bool StepAsked(const CliOptions& o, scan::StepId step) {
  switch (step) {
    case scan::StepId::Info:
      return o.info;
    case scan::StepId::Speeds:
      return o.speeds;
    case scan::StepId::RequestSpeed:
      return o.speed.has_value();
    case scan::StepId::Curve:
      return o.curve;
    case scan::StepId::Access:
      return o.access;
    case scan::StepId::SpinUp:
      return o.spinUp;
    case scan::StepId::Surface:
      return o.surface;
  }
  return false;
}

std::span<const CliOption> CliOptionTable() {
  return kOptions;
}

std::span<const CliSection> CliSections() {
  return kSections;
}

CliParse ParseCliOptions(const std::vector<std::string>& args) {
  CliParse result;
  std::string idleWithList;  // the first option given that --list would ignore
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string name = a, value;
    bool inlineValue = false;
    if (a.rfind("--", 0) == 0) {
      const auto eq = a.find('=');
      if (eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        inlineValue = true;
      }
    }
    const CliOption* option = Find(name);
    if (option == nullptr) {
      result.error = "unknown argument '" + a + "' (try --help)";
      return result;
    }
    if (option->value == nullptr && inlineValue) {
      result.error = "option " + name + " takes no value";
      return result;
    }
    if (option->value != nullptr && !inlineValue) {
      if (i + 1 >= args.size()) {
        result.error = "option " + name + " needs a value";
        return result;
      }
      value = args[++i];
    }
    result.error = option->handle(result.options, name, value);
    if (!result.error.empty()) return result;
    // --compare takes every file named after it, up to the next option.
    while (name == "--compare" && i + 1 < args.size() && !args[i + 1].empty() &&
           args[i + 1][0] != '-')
      result.options.compare.push_back(args[++i]);
    if (!option->withList && idleWithList.empty()) idleWithList = name;
  }
  const CliOptions& o = result.options;
  if (o.list && !idleWithList.empty()) {
    result.error = idleWithList +
                   " does nothing with --list, which only prints the drive list: give one of them";
    return result;
  }
  if (o.realTime && !o.sim)
    result.error = "--real-time only applies with --sim";
  else if (o.device && o.driveGiven)
    result.error = "--drive and --device both choose the drive: give one of them";
  else if (o.audioCheck && o.Scan())
    result.error = "--audio-check runs alone: give it without the scan's steps";
  else if (o.audioReads && !o.audioCheck)
    result.error = "--reads applies to --audio-check";
  else if (o.against && !o.audioCheck)
    result.error = "--against applies to --audio-check";
  else if (o.csv && !o.Scan() && !o.audioCheck)
    result.error = "--csv writes what a scan measured: add --curve, --access, ...";
  else if (o.json && o.csv && *o.json == "-" && *o.csv == "-")
    result.error = "only one of --json and --csv can go to standard output";
  if (!o.compare.empty() && (o.Scan() || o.list || o.sim || o.device || o.driveGiven))
    result.error = "--compare reads saved records: it takes no drive and no scan step";
  else if (!o.compare.empty() && o.compare.size() < 2)
    result.error = "--compare needs at least two saved records";
  else if (o.plot && !o.curve && o.compare.empty())
    result.error = "--plot draws the curve: add --curve";
  else if (o.map && !o.surface)
    result.error = "--map draws the surface scan: add --surface";
  else if ((o.plot || o.map) && !report::plot::PlotAvailable())
    result.error = kPlotUnavailable;
  return result;
}

bool ColourWanted(const std::string& colour, bool terminal, const char* noColour) {
  if (colour == "always") return true;
  return colour == "auto" && terminal && (noColour == nullptr || *noColour == '\0');
}

std::string CliUsage(const std::string& program) {
  std::string text = "Usage: " + program + R"( [options]

Measures how fast an optical drive delivers data: the Velmark window's speed test,
run from the command line. The same window logic runs headless: the program waits
for the drive to become ready (the window's readiness poll, at once and then every
800 ms), fills the range fields, clicks Start and prints every report line as it is
written.
)";
  for (const CliSection& section : kSections) {
    text += std::string("\n") + section.name + "\n";
    if (*section.intro != '\0')
      for (const std::string& l : Wrap(section.intro, kLineWidth - 2))
        if (!l.empty()) text += "  " + l + "\n";
    for (const CliOption& o : kOptions) {
      if (std::strcmp(o.section, section.name) != 0) continue;
      std::string head = std::string("  ") + o.name;
      if (o.value != nullptr) head += std::string(" ") + o.value;
      head += head.size() + 2 <= kHelpColumn ? std::string(kHelpColumn - head.size(), ' ')
                                             : std::string(2, ' ');
      // A short spelling leads the description: "(-v) print ...".
      std::string help = o.help;
      for (const char* alias : o.aliases)
        if (std::strlen(alias) == 2) help = std::string("(") + alias + ") " + help;
      bool first = true;
      for (const std::string& l : Wrap(help, kLineWidth - kHelpColumn)) {
        text += (first ? head : std::string(kHelpColumn, ' ')) + l + "\n";
        first = false;
      }
    }
  }
  text += R"(
Everything that describes the test goes to standard output, line by line: the drive,
the disc's capacity, the report and "Test Done"; on a terminal with the report's
colours (navy, green, red) and bold (not when NO_COLOR is set, unless --colour
always), otherwise as plain text. Standard error carries notes and, on a terminal, a
progress line during the read (the percentage done, the current speed and the time
left); with --quiet only errors. Numbers are decimal: an optional sign and digits.

Exit status
  0  the test ran to its end without failed commands; for a scan: everything
     asked for was measured
  1  the test was aborted (no medium, illegal mode, Abort) or commands failed:
     its results should be ignored; for a scan: a command failed or the drive
     refused something asked for (the report names it), or the surface
     scan found unreadable blocks; or what was measured
     could not be delivered: writing standard output or an output file failed
  2  the command line was not understood, a field's text is not a number or is
     out of range, the range does not lie on the disc, or an output path cannot
     be written (checked before the drive is touched; two outputs on one file
     are refused too)
  3  no drive, or the drive did not become ready in time
  130  interrupted (Ctrl-C) before the test started

Ctrl-C during a test clicks Abort: the read stops, the figures so far are printed
with "Results should be ignored !" and the status is 1; during a scan it stops the
step under way (the curve after its current zone, the access times after their
trial, the spin-up while it waits), skips the steps after it, and reports what was
measured, with the status 1. A second Ctrl-C ends the program at once. SIGTERM and
SIGHUP stop a run as the first Ctrl-C does, then end the program by that signal
without writing any file; a reader of standard output that goes away (| head)
ends it the same way. Either way the drive gets back the block length it had,
and after a surface scan its read retry count.

Output files replace an earlier file at their path only once they are complete
(written beside it and renamed over it, its mode kept); a failed, refused or
interrupted run leaves the earlier file as it was. A device, FIFO or terminal is
written in place and never removed.

Real drives are /dev/sr0, /dev/sr1 ..., which Velmark names D:, E: ...
(velmark-probe shows what it finds and why a device could not be used). Reading
needs read access to the device; setting the speed and the block length needs
write access (membership of the group that owns the device, usually "cdrom").
)";
  return text;
}
