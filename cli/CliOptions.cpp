#include "cli/CliOptions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

bool ParseInt(const std::string& text, int low, int high, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == nullptr || *end != '\0' || v < low || v > high) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

CliParse ParseCliOptions(const std::vector<std::string>& args) {
  CliParse result;
  CliOptions& o = result.options;
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
    auto takeValue = [&]() -> bool {
      if (inlineValue) return true;
      if (i + 1 >= args.size()) {
        result.error = "option " + name + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    auto noValue = [&]() -> bool {
      if (inlineValue) {
        result.error = "option " + name + " takes no value";
        return false;
      }
      return true;
    };

    if (name == "--help" || name == "-h") {
      if (!noValue()) return result;
      o.help = true;
    } else if (name == "--list") {
      if (!noValue()) return result;
      o.list = true;
    } else if (name == "--sim") {
      if (!noValue()) return result;
      o.sim = true;
    } else if (name == "--real-time") {
      if (!noValue()) return result;
      o.realTime = true;
    } else if (name == "--trace") {
      if (!noValue()) return result;
      o.trace = true;
    } else if (name == "--no-display") {
      if (!noValue()) return result;
      o.noDisplay = true;
    } else if (name == "--drive") {
      if (!takeValue()) return result;
      if (!ParseInt(value, 0, 29, o.drive)) {
        result.error = "--drive needs a row number from 0 to 29, not '" + value + "'";
        return result;
      }
    } else if (name == "--start") {
      if (!takeValue()) return result;
      o.start = value;
    } else if (name == "--blocks") {
      if (!takeValue()) return result;
      o.blocks = value;
    } else if (name == "--mode") {
      if (!takeValue()) return result;
      if (value == "data") {
        o.mode = 0;
      } else if (value == "raw") {
        o.mode = 1;
      } else {
        result.error = "--mode is data or raw, not '" + value + "'";
        return result;
      }
    } else if (name == "--wait") {
      if (!takeValue()) return result;
      if (!ParseInt(value, 0, 3600, o.waitSeconds)) {
        result.error = "--wait needs seconds from 0 to 3600, not '" + value + "'";
        return result;
      }
    } else if (name == "--colour" || name == "--color") {
      if (!takeValue()) return result;
      if (value != "auto" && value != "always" && value != "never") {
        result.error = name + " is auto, always or never, not '" + value + "'";
        return result;
      }
      o.colour = value;
    } else {
      result.error = "unknown argument '" + a + "' (try --help)";
      return result;
    }
  }
  if (o.realTime && !o.sim) result.error = "--real-time only applies with --sim";
  return result;
}

std::string CliUsage(const std::string& program) {
  return "Usage: " + program + R"( [options]

Measures how fast an optical drive delivers data: the Velmark window's speed test,
run from the command line. The same window logic runs headless: the program waits
for the drive to become ready (the window's readiness poll, every 800 ms), fills
the range fields, clicks Start and prints every report line as it is written.

Drives
  --list            print the drive list (one row per drive, as the window's list
                    shows it) with each row's number, and exit
  --drive N         use row N of the drive list (default 0, the first drive)
  --sim             use the built-in simulated machine instead of this machine's
                    drives: Windows 2000 as administrator without an ASPI library,
                    D: a 52x CAV drive holding a 79:57 data disc, E: a 40x drive
                    holding a 74-minute audio CD. Its clock is virtual by default:
                    the drive's timing is modelled exactly but no time is waited,
                    so a full test takes a moment.
  --real-time       with --sim: run the simulated drives at their real pace (a full
                    default test then takes about as long as on a real drive)

Test
  --start LBA       start address (first logical block). Default: the window's
                    default, which moves to 10002 blocks before the end of the
                    recorded area once the disc's capacity has been read
  --blocks N        amount of blocks to read (default 10000)
  --mode data|raw   data: 2048-byte user data with READ(10) (1x = 150 KB/s);
                    raw: 2352-byte sectors with READ CD, digital audio extraction
                    (1x = 172 KB/s). Default: data. A data test on an audio range
                    falls back to raw by itself.
  --no-display      the window's check box "Disable Display and Current Speed
                    calculation during Read": no current speed is computed during
                    the read, and the highest speed lines are not written
  --wait SECONDS    how long to wait for the drive to become ready (default 30)

Output
  The report goes to standard output, line by line; on a terminal with its colours
  (navy, green, red) and bold, otherwise as plain text. The status bar is shown as
  one progress line on standard error (on a terminal).
  --colour WHEN     auto (default), always or never
  --trace           print every SCSI command on standard error as it is sent
                    (command block, data length and direction, status, sense,
                    duration)
  --help            this text

Exit status
  0  the test ran to its end without failed commands
  1  the test was aborted (no medium, illegal mode, Abort) or commands failed:
     its results should be ignored
  2  the command line was not understood, or a field's text is not a number
  3  no drive, or the drive did not become ready in time

Real drives on Linux are /dev/sr0, /dev/sr1 ... (drive letters D:, E: ...). Reading
needs read access to the device; setting the speed and the block length needs
write access (membership of the group that owns the device, usually "cdrom").
)";
}
