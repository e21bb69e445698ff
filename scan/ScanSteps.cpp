#include "scan/ScanSteps.h"

#include "scan/DiscScan.h"

namespace scan {
namespace {

const ScanStep kSteps[] = {
    {StepId::Info, "info", "--info", nullptr,
     "the drive's capabilities page (MODE SENSE 2Ah): maximum and\n"
     "current read speed, CD-DA support and accuracy, C2 pointers,\n"
     "buffer size",
     nullptr, &DiscScan::Info},
    {StepId::Speeds, "speeds", "--speeds", nullptr,
     "the read speeds the drive offers (GET PERFORMANCE); \"not\n"
     "reported\" when the drive refuses the command",
     nullptr, &DiscScan::Speeds},
    {StepId::RequestSpeed, "speed", "--speed", "N",
     "ask for N x (2.4 too) of the disc's medium, where 1x is 176.4\n"
     "kB/s on a CD, 1,385 on a DVD and 4,500 on a BD: SET STREAMING\n"
     "on a DVD or BD where the drive streams in real time (feature\n"
     "0107h), else SET CD SPEED; the speed the drive says it took\n"
     "and the speed measured at the end of the range; the other\n"
     "steps then run at that speed instead of the maximum",
     nullptr, &DiscScan::RequestSpeed},
    {StepId::Curve, "curve", "--curve", nullptr,
     "the transfer-rate curve: the range read in 27-block commands,\n"
     "cut into at least 100 zones, each timed to the microsecond;\n"
     "then the reading strategy (CLV, CAV, P-CAV with its change-over,\n"
     "Z-CLV with its zones, or unknown), the start and end speeds and\n"
     "the rotation speed of CAV parts",
     nullptr, &DiscScan::Curve},  // the window always reads the curve
    {StepId::Access, "access", "--access", nullptr,
     "average access time: random, one-third and full stroke, each a\n"
     "1-block read where the drive's cache cannot help",
     "Access times", &DiscScan::Access},
    {StepId::SpinUp, "spin-up", "--spin-up", nullptr,
     "stop the disc (START STOP UNIT), wait 3 s, and time until the\n"
     "first read is served",
     "Spin-up time", &DiscScan::SpinUp},
    {StepId::Surface, "surface", "--surface", nullptr,
     "read every block of the range (the whole disc by default) in\n"
     "27-block commands, each timed: a failed command is read again\n"
     "block by block to find the unreadable blocks and their sense; a\n"
     "command three times slower than the ones before it is timed\n"
     "again block by block and its slow blocks are marked weak. On a\n"
     "CD, C2 error pointers are read and counted where the drive\n"
     "claims them; the read retry count is set to 1 where page 01h\n"
     "lets it change, and put back afterwards. The status is 1 when\n"
     "any block is unreadable",
     nullptr, &DiscScan::Surface},
};

}  // namespace

std::span<const ScanStep> ScanSteps() {
  return kSteps;
}

std::string ScanStepOrder() {
  std::string text;
  for (const ScanStep& step : kSteps) text += (text.empty() ? "" : ", ") + std::string(step.name);
  return text;
}

}  // namespace scan
