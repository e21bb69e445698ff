// --plot: the curve's picture from the command line, and the mistakes it refuses before
// anything is read.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/ScanRun.h"
#include "report/plot/PlotWriter.h"
#include "sim/win32/DemoMachine.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

#ifdef _WIN32
const std::string kUnavailable = "--plot is not available on Windows";
#else
const std::string kUnavailable = "--plot is not available: this velmark-cli was built without Qt";
#endif

TEST(CliPlotTest, MistakesAreRefusedBeforeAnythingIsRead) {
  const bool qt = report::plot::PlotAvailable();
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"--sim", "--plot", "curve.png"}, "--plot draws the curve: add --curve"},
      {{"--sim", "--curve", "--plot", "curve.jpg"},
       "--plot needs a file name ending in .png or .svg"},
      {{"--sim", "--curve", "--plot", "curve.SVG"}, qt ? "" : kUnavailable},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCliOptions(c.args).error, c.error) << c.args.back();
}

struct PlotRun {
  int status;
  std::string err;
};

PlotRun Scan(const std::vector<std::string>& args) {
  const CliParse parse = ParseCliOptions(args);
  EXPECT_EQ(parse.error, "");
  sim::DemoMachine machine(sim::ClockMode::Virtual, false);
  AspiVCL drive;
  CliOutput output;
  output.out = std::tmpfile();
  output.err = std::tmpfile();
  const int status = RunScan(parse.options, drive, output);
  std::rewind(output.err);
  std::string err;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, output.err)) > 0;) err.append(buf, n);
  std::fclose(output.out);
  std::fclose(output.err);
  return {status, err};
}

TEST(CliPlotTest, TheCurveIsDrawnWithItsStrategyAndDriveAndAnUnwritableFileFailsTheRun) {
  if (!report::plot::PlotAvailable()) GTEST_SKIP() << "built without Qt";
  const std::string svg = ::testing::TempDir() + "velmark-cli-zclv.svg";
  std::remove(svg.c_str());
  const PlotRun done = Scan({"--sim", "--drive", "4", "--curve", "--plot", svg});
  EXPECT_EQ(done.status, kExitDone) << done.err;
  const std::string picture = ReadFile(svg);
  EXPECT_NE(picture.find("<svg"), std::string::npos);
  EXPECT_NE(picture.find("ZCLV SIM-48X"), std::string::npos);
  EXPECT_NE(picture.find("Strategy: Z-CLV"), std::string::npos);

  const PlotRun failed =
      Scan({"--sim", "--blocks", "27000", "--curve", "--plot", "/nonexistent-velmark/c.png"});
  EXPECT_EQ(failed.status, kExitResultsIgnored);
  EXPECT_NE(failed.err.find("velmark-cli: cannot write /nonexistent-velmark/c.png"),
            std::string::npos)
      << failed.err;
}

}  // namespace
