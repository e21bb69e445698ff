#include "probe/Probe.h"

#include <unistd.h>

#include <cstring>

#include "diag/PrintableText.h"
#include "platform/LinuxHost.h"

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
    } else if (argument == "--trace") {
      options.trace = true;
    } else {
      options.error = "unknown argument: " + argument;
    }
  }
  return options;
}

const char* HelpText() {
  return "Usage: velmark-probe [--trace] [--help]\n"
         "\n"
         "Run this first to see whether Velmark sees your optical drive. It builds the\n"
         "command transport on this machine, prints the path it chose, lists every drive\n"
         "as Velmark's drive list shows it (drive letter, adapter and target, vendor,\n"
         "product, revision) with the Linux device behind it, and asks each drive TEST\n"
         "UNIT READY.\n"
         "\n"
         "  --trace  print every SCSI command as it goes: command bytes, data length and\n"
         "           direction, status, sense key/ASC/ASCQ and duration\n"
         "  --help   this text\n"
         "\n"
         "Reading a drive needs read access to its /dev/sr* node; MODE SELECT and SET CD\n"
         "SPEED need write access (membership of the 'cdrom' group).\n";
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
  if (aspi.SPTIActive == 1) return "SPTI (SCSI pass-through, carried by SG_IO)";
  if (aspi.AspiLoaded()) return std::string("ASPI (") + aspi.AspiFileName + ")";
  return "none (the pass-through found no drive and no ASPI library is loaded)";
}

int Report(Aspi& aspi, std::FILE* out, const std::string& root) {
  std::fprintf(out, "Path: %s\n", PathText(aspi).c_str());
  std::fprintf(out, "Drives: %u\n", static_cast<unsigned>(aspi.DeviceCount));
  for (int i = 0; i < aspi.DeviceCount && i < kMaxDevices; ++i) {
    DeviceEntry& entry = aspi.DeviceTable[i];
    const std::string node = platform::LinuxHost::DriveNode(entry.DriveLetter);
    std::fprintf(out, "  %s\n", DriveRowText(entry).c_str());
    std::fprintf(out, "      device: %s\n", node.empty() ? "(none)" : node.c_str());

    SRB_ExecSCSICmd srb;
    SenseResult sense{};
    BYTE cdb[16] = {0x00};  // TEST UNIT READY
    const BYTE status = aspi.ExecSCSICmd(entry, srb, sense, nullptr, 0, SRB_DIR_OUT, cdb, 6);
    std::fprintf(out, "      TEST UNIT READY: status %02X, sense %02X/%02X/%02X%s\n", status,
                 sense.SenseKey, sense.ASC, sense.ASCQ,
                 status == SS_COMP                             ? " (ready)"
                 : sense.SenseKey == 0x02 && sense.ASC == 0x3A ? " (no disc)"
                 : sense.SenseKey == 0x02 && sense.ASC == 0x04 ? " (becoming ready)"
                 : sense.SenseKey == 0x06                      ? " (unit attention)"
                 : status != SS_ERR                            ? " (not delivered)"
                                                               : "");
  }
  if (aspi.DeviceCount == 0) {
    std::fprintf(out,
                 "No drive found. Velmark reaches drives through /dev/sr0, /dev/sr1, ... (drive "
                 "letters D:, E:, ...).\n");
    bool anyNode = false;
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
      const std::string node = platform::LinuxHost::DriveNode(letter);
      const std::string path = root + node;
      if (access(path.c_str(), F_OK) != 0) continue;
      anyNode = true;
      std::fprintf(out, "  %s exists; this user may %s it.\n", node.c_str(),
                   access(path.c_str(), R_OK) == 0 ? "read" : "NOT read");
    }
    if (!anyNode) std::fprintf(out, "  No /dev/sr* node exists on this machine.\n");
    return 1;
  }
  return 0;
}

}  // namespace probe
