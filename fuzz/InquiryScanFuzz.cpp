// The device scan on INQUIRY replies of any content (and any failure), and the drive-list
// rows made from them: nothing is read outside the replies, and every row shown on a
// terminal is free of control characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "diag/PrintableText.h"
#include "platform/Host.h"
#include "probe/Probe.h"
#include "sim/scsi/ScriptedTarget.h"
#include "sim/win32/SimHost.h"

namespace {

struct Machine {
  std::shared_ptr<sim::ScriptedTarget> cd = std::make_shared<sim::ScriptedTarget>();
  std::unique_ptr<sim::SimHost> host;
  std::unique_ptr<platform::ScopedHost> installed;
  AspiVCL* access = nullptr;  // lives as long as the process (it has no virtual destructor)
  Machine() {
    cd->SetRecording(false);
    sim::SimProfile profile = sim::SimProfile::Windows2000(true);
    profile.recordCalls = false;
    profile.WithAspi(sim::AspiPlacement::None).AddDrive('D', {0, 0, 1, 0}, cd);
    host = std::make_unique<sim::SimHost>(std::move(profile));
    installed = std::make_unique<platform::ScopedHost>(*host);
    // A CD-ROM drive at start-up, so that the pass-through path is taken and its buses are
    // scanned for every input.
    cd->SetDefault(sim::ScriptedStep::Good(
        {0x05, 0x80, 0x00, 0x32, 31, 0, 0, 0, 'V', 'E', 'L', 'M', 'S', 'I', 'M', ' '}));
    access = new AspiVCL();
    if (access->SPTIActive != 1 || access->DeviceCount != 1) std::abort();
  }
};

void CheckShown(const std::string& text) {
  for (const char c : PrintableText(text)) {
    if (c < 0x20 || c > 0x7E) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Machine m;
  if (size < 1) return 0;
  // First byte: how the INQUIRY is answered; the rest is the reply (or its sense bytes).
  const std::uint8_t how = data[0];
  std::vector<std::uint8_t> reply(data + 1, data + size);
  sim::ScriptedStep step = sim::ScriptedStep::Good(reply);
  if ((how & 3) == 1) {
    step = sim::ScriptedStep::CheckCondition(reply.empty() ? 0 : reply[0], how, how >> 1);
  } else if ((how & 3) == 2) {
    step = sim::ScriptedStep::Status(how);
  }
  m.cd->SetDefault(step);

  AspiVCL& access = *m.access;
  access.ScanDevices(access.DeviceTable, DTYPE_CDROM);
  if (access.DeviceCount > kMaxDevices) std::abort();
  for (int row = 0; row < access.DeviceCount; ++row) {
    const DeviceEntry& entry = access.DeviceTable[row];
    for (RowKind kind = 0; kind <= 6; ++kind) CheckShown(access.DeviceRowText(entry, kind));
    CheckShown(probe::DriveRowText(entry));
  }
  return 0;
}
