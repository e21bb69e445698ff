#include "report/SpeedTestText.h"

#include "report/NumberText.h"

namespace report {

std::vector<std::string> SpeedTestFigureLines(const SpeedTestRecord& r) {
  std::vector<std::string> lines;
  if (!r.figures) return lines;
  const SpeedFigures& f = *r.figures;
  lines.push_back("Seconds : " + FixedTwo(f.seconds));
  lines.push_back("KB Processed : " + std::to_string(TruncateToInt32(f.kilobytes)));
  lines.push_back("Average KB/Seconds : " + std::to_string(TruncateToInt32(f.averageKBps)));
  lines.push_back("Conversion factor : 1x = " + std::to_string(f.kbPerX) + " KB/sec");
  if (f.failedCommands > 0) lines.push_back("Errors encountered during test !");
  if (r.ResultsIgnored()) lines.push_back("Results should be ignored !");
  lines.push_back("Average Measured Velmark : " + FixedTwo(f.averageX) + " x");
  if (f.highestX) lines.push_back("Highest Measured Velmark : " + FixedTwo(*f.highestX) + " x");
  if (f.burstX)
    lines.push_back("Highest Measured (single command) BURST : " + FixedTwo(*f.burstX) + " x");
  return lines;
}

std::string SpeedTestText(const SpeedTestRecord& r) {
  std::string text;
  auto line = [&text](const std::string& l) { text += l + "\n"; };
  std::string drive = r.drive.vendor + " " + r.drive.product + " " + r.drive.revision;
  if (!r.drive.letter.empty()) drive += " (" + r.drive.letter + ")";
  line("Drive : " + drive);
  line("Device : " + r.drive.device);
  if (r.disc.capacityBlocks)
    line("Disc capacity : " + std::to_string(*r.disc.capacityBlocks) + " blocks");
  line(std::string("Mode : ") + ReadModeName(r.mode));
  line("StartAddress : " + std::to_string(r.start));
  line("BlockAmount : " + std::to_string(r.blocks));
  for (const std::string& l : SpeedTestFigureLines(r)) line(l);
  if (r.aborted) line("Aborted : " + r.abortReason);
  return text;
}

}  // namespace report
