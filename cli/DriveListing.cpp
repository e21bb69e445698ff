#include "cli/DriveListing.h"

#include <cstdint>

#include "platform/LinuxHost.h"
#include "session/DriveSession.h"
#include "transport/wnaspi32.h"

namespace {

// Where the drive is: its device node here, the address of a simulated drive.
std::string DevicePlace(const DeviceEntry& device, bool sim) {
  if (sim) return "sim:" + std::to_string(device.HostAdapter) + ":" + std::to_string(device.Target);
#ifndef _WIN32
  const std::string node = platform::LinuxHost::DriveNode(static_cast<char>(device.DriveLetter));
  if (!node.empty()) return node;
#endif
  return std::string("\\\\.\\") + static_cast<char>(device.DriveLetter) + ":";
}

std::string BlocksText(std::int64_t blocks, const session::Medium& medium) {
  char text[96];
  if (medium.family != scsi::MediumFamily::CD) {  // a DVD's or BD's length in its own measure
    std::snprintf(text, sizeof text, "%s of %lld blocks (%.2f GB)", medium.name.c_str(),
                  static_cast<long long>(blocks), static_cast<double>(blocks) * 2048 / 1e9);
    return text;
  }
  std::snprintf(text, sizeof text, "disc of %lld blocks (%02lld:%02lld:%02lld)",
                static_cast<long long>(blocks), static_cast<long long>(blocks / 4500),
                static_cast<long long>(blocks / 75 % 60), static_cast<long long>(blocks % 75));
  return text;
}

}  // namespace

std::string DriveListDetails(AspiVCL& access, DeviceEntry& device, bool sim) {
  session::DriveSession session(access, device);
  SenseResult sense{};
  BYTE status = SS_COMP;
  std::string state, disc;
  switch (session.CheckReady(&sense, &status)) {
    case session::Readiness::Ready: {
      state = "ready";
      std::int64_t leadOut = 0;
      sense = SenseResult{};
      const session::Medium& medium = session.ReadMedium(&sense);  // asks DVD drives only
      sense = SenseResult{};
      const BYTE read = session.ReadRecordedBlocks(leadOut, &sense);
      disc = read == SS_COMP ? BlocksText(leadOut, medium)
                             : "disc unread (" + AspiVCL::CommandErrorText(sense, read) + ")";
      break;
    }
    case session::Readiness::NoDisc:
      state = "not ready";
      disc = "no disc";
      break;
    case session::Readiness::BecomingReady:
      state = "becoming ready";
      disc = "disc not read yet";
      break;
    case session::Readiness::NotResponding:
      state = "not responding";
      disc = "disc unknown";
      break;
    case session::Readiness::Failed:
      state = "not ready (" + AspiVCL::CommandErrorText(sense, status) + ")";
      disc = "disc unknown";
      break;
  }
  return "  " + DevicePlace(device, sim) + "  " + state + "  " + disc;
}
