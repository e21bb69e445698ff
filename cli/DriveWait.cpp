#include "cli/DriveWait.h"

#include "cli/ExitStatus.h"
#include "platform/Host.h"

std::optional<int> WaitForDrive(const DriveWait& wait, int seconds) {
  platform::Host& host = platform::CurrentHost();
  const DWORD begin = host.Milliseconds();
  const DWORD limit = static_cast<DWORD>(seconds) * 1000u;
  const auto& error = wait.error ? wait.error : wait.note;
  const std::string named = wait.name.empty() ? "" : " " + wait.name;
  std::string shown;
  while (!wait.ready()) {
    if (wait.stoppedResponding && wait.stoppedResponding()) {
      error("Drive" + named + " stopped responding: no test is possible.");
      return kExitNoDrive;
    }
    if (wait.interrupted && wait.interrupted()) {
      error("Interrupted while waiting for the drive.");
      return kExitInterrupted;
    }
    const std::string state = wait.state();
    if (state != shown) {
      shown = state;
      if (!shown.empty()) wait.note("Waiting for the drive: " + shown);
    }
    // The drive is asked at least once, also with --wait 0.
    if (host.Milliseconds() - begin >= limit && !state.empty()) {
      error("The drive" + named + " did not become ready within " + std::to_string(seconds) +
            " s: " + state);
      return kExitNoDrive;
    }
    wait.pause();
  }
  return std::nullopt;
}
