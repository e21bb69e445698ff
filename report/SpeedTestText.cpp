#include "report/SpeedTestText.h"

#include "report/NumberText.h"

namespace report {

std::vector<FigureLine> SpeedTestFigures(const SpeedTestRecord& r) {
  std::vector<FigureLine> lines;
  if (!r.figures) return lines;
  const SpeedFigures& f = *r.figures;
  auto add = [&lines](FigureLine::Kind kind, std::string text) {
    lines.push_back({kind, std::move(text)});
  };
  add(FigureLine::Figure, "Seconds : " + FixedTwo(f.seconds));
  add(FigureLine::Figure, "KB Processed : " + std::to_string(TruncateToInt32(f.kilobytes)));
  add(FigureLine::Figure, "Average KB/Seconds : " + std::to_string(TruncateToInt32(f.averageKBps)));
  add(FigureLine::Figure, "Conversion factor : 1x = " + std::to_string(f.kbPerX) + " KB/sec");
  if (f.failedCommands > 0) add(FigureLine::Warning, "Errors encountered during test !");
  if (r.ResultsIgnored()) add(FigureLine::Warning, "Results should be ignored !");
  add(FigureLine::Speed, "Average Measured Velmark : " + FixedTwo(f.averageX) + " x");
  if (f.highestX)
    add(FigureLine::Speed, "Highest Measured Velmark : " + FixedTwo(*f.highestX) + " x");
  if (f.burstX)
    add(FigureLine::Speed,
        "Highest Measured (single command) BURST : " + FixedTwo(*f.burstX) + " x");
  return lines;
}

std::vector<std::string> SpeedTestFigureLines(const SpeedTestRecord& r) {
  std::vector<std::string> lines;
  for (FigureLine& line : SpeedTestFigures(r)) lines.push_back(std::move(line.text));
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
