// The scan's steps, declared once: each step's name, the order the steps run in, the text
// the command line's usage gives it and the caption of the window's check box. The command
// line's options and the window's check boxes are made from this table; each step fills its
// own part of the scan record.
#pragma once

#include <span>
#include <string>

#include "report/ScanRecord.h"

namespace scan {

class DiscScan;

enum class StepId { Info, Speeds, RequestSpeed, Curve, Access, SpinUp, Surface };

struct ScanStep {
  StepId id;
  const char* name;     // as the usage names it in the order text: "spin-up"
  const char* option;   // the command line's option: "--spin-up"
  const char* value;    // the option's value in the usage ("N"), or null for a switch
  const char* help;     // the usage's description; a '\n' starts a continuation line
  const char* caption;  // the window's check box, or null where the window has none
  void (DiscScan::*run)(report::ScanRecord& record);
};

// Every step, in the order the steps run.
std::span<const ScanStep> ScanSteps();

// "info, speeds, speed, curve, access, spin-up".
std::string ScanStepOrder();

}  // namespace scan
