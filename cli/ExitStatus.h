// The command line's exit statuses.
#pragma once

inline constexpr int kExitDone = 0;
inline constexpr int kExitResultsIgnored = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoDrive = 3;

// Ended by Ctrl-C outside a test (while waiting for the drive), as an interrupted program.
inline constexpr int kExitInterrupted = 130;
