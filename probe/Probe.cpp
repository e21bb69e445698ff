#include "probe/Probe.h"

#include <cstring>

#include "diag/PrintableText.h"
#include "probe/ProbeMachine.h"
#include "scsi/Opcodes.h"

namespace probe {
namespace {

// Bytes of a field as they stand, ending at a zero byte.
std::string Field(const BYTE* bytes, size_t length, bool stopAtZero) {
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    if (bytes[i] == 0 && stopAtZero) break;
    text += bytes[i] == 0 ? ' ' : static_cast<char>(bytes[i]);
  }
  return text;
}

}  // namespace

ProbeOptions ParseArguments(const std::vector<std::string>& arguments) {
  ProbeOptions options;
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version" || argument == "-V") {
      options.version = true;
    } else if (argument == "--trace" || argument == "-v") {
      options.trace = true;
    } else {
      options.error = "unknown argument: " + argument;
    }
  }
  return options;
}

std::string HelpText() {
  return std::string(
             "Usage: velmark-probe [--trace] [--help] [--version]\n"
             "\n"
             "Run this first to see whether Velmark sees your optical drive. It builds the\n"
             "command transport on this machine, lists every drive as Velmark's drive list\n"
             "shows it (drive letter, adapter and target, vendor, product, revision) with the\n"
             "device behind it, and asks each drive TEST UNIT READY (ready, no disc,\n"
             "becoming ready). When no drive is found it says where it looked and why\n"
             "nothing there could be used.\n"
             "\n"
             "  --trace    (-v) print every SCSI command as it goes: command bytes, data\n"
             "             length and direction, status, sense key/ASC/ASCQ and duration\n"
             "  --help     (-h) print this text and exit\n"
             "  --version  (-V) print the version and exit\n"
             "\n") +
         MachineHelpText() +
         "\n"
         "Exit status: 0 when at least one drive was found, 1 when none was, 2 when the\n"
         "command line was not understood.\n";
}

std::string DriveRowText(const DeviceEntry& entry) {
  char prefix[32];
  std::snprintf(prefix, sizeof(prefix), "%c: [%u,%u]  ", entry.DriveLetter,
                static_cast<unsigned>(entry.HostAdapter), static_cast<unsigned>(entry.Target));
  return prefix + PrintableText(Field(entry.InquiryData + 8, 8, true)) + "  " +
         PrintableText(Field(entry.InquiryData + 16, 16, true)) + "  " +
         PrintableText(Field(entry.InquiryData + 32, 4, false));
}

std::string PathText(const Aspi& aspi) {
  if (aspi.SPTIActive == 1) return std::string("SPTI (") + PassThroughText() + ")";
  if (aspi.AspiLoaded()) return std::string("ASPI (") + aspi.AspiFileName + ")";
  return "none (no optical drive answered; see below)";
}

int Report(Aspi& aspi, std::FILE* out, const std::string& root) {
  std::fprintf(out, "Path: %s\n", PathText(aspi).c_str());
  std::fprintf(out, "Drives: %u\n", static_cast<unsigned>(aspi.DeviceCount));
  for (int i = 0; i < aspi.DeviceCount && i < kMaxDevices; ++i) {
    DeviceEntry& entry = aspi.DeviceTable[i];
    const std::string node = DeviceBehind(entry.DriveLetter);
    std::fprintf(out, "  %s\n", DriveRowText(entry).c_str());
    std::fprintf(out, "      device: %s\n", node.empty() ? "(none)" : node.c_str());

    SRB_ExecSCSICmd srb;
    SenseResult sense{};
    BYTE cdb[16] = {scsi::op::kTestUnitReady};
    const BYTE status = aspi.ExecSCSICmd(entry, srb, sense, nullptr, 0, SRB_DIR_OUT, cdb, 6);
    std::fprintf(out, "      TEST UNIT READY: status %02X, sense %02X/%02X/%02X%s\n", status,
                 sense.SenseKey, sense.ASC, sense.ASCQ,
                 status == SS_COMP                             ? " (ready)"
                 : scsi::IsNoMedium(SenseOf(sense))            ? " (no disc)"
                 : scsi::IsBecomingReady(SenseOf(sense))       ? " (becoming ready)"
                 : sense.SenseKey == scsi::key::kUnitAttention ? " (unit attention)"
                 : status != SS_ERR                            ? " (not delivered)"
                                                               : "");
  }
  if (aspi.DeviceCount == 0) {
    ReportNoDrive(out, aspi, root);
    return 1;
  }
  return 0;
}

}  // namespace probe
