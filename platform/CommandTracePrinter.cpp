#include "platform/CommandTracePrinter.h"

#include <algorithm>

#include "scsi/Names.h"

namespace platform {
namespace {

const char* DirectionText(UCHAR direction, DWORD length) {
  if (length == 0) return "none";
  switch (direction) {
    case SCSI_IOCTL_DATA_IN:
      return "in";
    case SCSI_IOCTL_DATA_OUT:
      return "out";
    default:
      return "both";
  }
}

}  // namespace

std::string CommandTracePrinter::Format(const CommandTrace& trace) {
  std::string line = trace.device != nullptr ? trace.device : "";
  line += " ";
  char piece[64];
  const BYTE length = trace.cdb != nullptr ? std::min<BYTE>(trace.cdbLength, 16) : 0;
  for (BYTE i = 0; i < length; ++i) {
    std::snprintf(piece, sizeof(piece), " %02X", trace.cdb[i]);
    line += piece;
  }
  if (length > 0) {
    if (const char* name = scsi::OpcodeName(trace.cdb[0])) line += std::string(" ") + name;
  }
  std::snprintf(piece, sizeof(piece), "  %s %lu", DirectionText(trace.direction, trace.dataLength),
                static_cast<unsigned long>(trace.dataLength));
  line += piece;
  if (trace.delivered) {
    std::snprintf(piece, sizeof(piece), "  status %02X  sense %02X/%02X/%02X", trace.scsiStatus,
                  trace.senseKey, trace.asc, trace.ascq);
    line += piece;
    if (const char* name = scsi::SenseName({trace.senseKey, trace.asc, trace.ascq})) {
      line += std::string(" ") + name;
    }
  } else {
    std::snprintf(piece, sizeof(piece), "  failed (error %lu)",
                  static_cast<unsigned long>(trace.error));
    line += piece;
  }
  std::snprintf(piece, sizeof(piece), "  %.2f ms", trace.milliseconds);
  line += piece;
  return line;
}

void CommandTracePrinter::OnCommand(const CommandTrace& trace) {
  const std::string line = Format(trace);
  std::lock_guard<std::mutex> guard(lock_);
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

}  // namespace platform
