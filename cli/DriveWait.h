// The command line's one wait for a drive to become ready, for the speed test (which lets
// the window's readiness poll ask the drive) and the scan (which asks it on the session).
#pragma once

#include <functional>
#include <optional>
#include <string>

struct DriveWait {
  std::function<bool()> ready;                    // asks (or lets the poll ask); true once ready
  std::function<std::string()> state;             // what the drive said, "" before it was asked
  std::function<bool()> stoppedResponding;        // the drive no longer answers at all
  std::function<void()> pause;                    // until the next question
  std::function<bool()> interrupted;              // Ctrl-C (may be empty)
  std::function<void(const std::string&)> note;   // how the wait goes
  std::function<void(const std::string&)> error;  // why it ended without a ready drive
  std::string name;  // how the user named the drive (--device), said in the errors; or ""
};

// Waits until the drive is ready, for at most `seconds` once it has been asked. Nothing when
// it is ready; else the exit status, after an error saying why (a note when no `error` is
// given).
std::optional<int> WaitForDrive(const DriveWait& wait, int seconds);
