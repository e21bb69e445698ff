// A main window on a simulated machine with a virtual clock, for headless tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "app/TForm1.h"
#include "platform/Host.h"
#include "report/SpeedTestText.h"
#include "sim/machine/SimProfile.h"
#include "sim/scsi/SimDrive.h"
#include "sim/win32/SimHost.h"
#include "toolkit/Toolkit.h"

namespace apptest {

// A simulated drive whose answers a test may replace, and whose READ commands may be given
// a fixed service time (so that a run takes exactly the time a worked figure needs).
class TestDrive : public sim::ScsiTarget {
 public:
  explicit TestDrive(sim::SimDriveConfig config = {})
      : inner_(std::make_shared<sim::SimDrive>(std::move(config))) {}

  sim::ScsiReply Execute(const sim::ScsiRequest& request) override {
    const std::uint8_t op = request.cdb[0];
    if (op == 0x28 || op == 0xBE) ++reads;
    sim::ScsiReply reply;
    if (hook && hook(request, reply)) return reply;
    reply = inner_->Execute(request);
    if (readMicros != 0 && (op == 0x28 || op == 0xBE)) reply.serviceMicros = readMicros;
    return reply;
  }

  sim::SimDrive& inner() { return *inner_; }

  // A CHECK CONDITION reply with fixed-format sense data.
  static sim::ScsiReply Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    sim::ScsiReply r;
    r.status = 0x02;
    r.sense[0] = 0x70;
    r.sense[2] = key;
    r.sense[7] = 10;
    r.sense[12] = asc;
    r.sense[13] = ascq;
    r.senseLength = 18;
    r.serviceMicros = 1000;
    return r;
  }

  std::uint64_t readMicros = 0;  // 0: the drive's own timing
  int reads = 0;                 // READ(10) and READ CD commands received
  std::function<bool(const sim::ScsiRequest&, sim::ScsiReply&)> hook;

 private:
  std::shared_ptr<sim::SimDrive> inner_;
};

// One report line as the report holds it.
struct ReportLine {
  std::string text;
  toolkit::TColor colour;
  bool bold;
  bool operator==(const ReportLine&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const ReportLine& l) {
  return os << '"' << l.text << "\" colour " << std::hex << l.colour << std::dec
            << (l.bold ? " bold" : "");
}

constexpr toolkit::TColor kPlain = toolkit::clWindowText;
constexpr toolkit::TColor kNavy = 0x800000;
constexpr toolkit::TColor kGreen = 0x008000;
constexpr toolkit::TColor kRed = 0x0000FF;

// Host, drive-access object, application and window, built in that order.
class Window {
 public:
  explicit Window(sim::SimProfile profile)
      : host_(std::move(profile.WithClock(sim::ClockMode::Virtual))),
        installed_(host_),
        drive_(),
        app_() {
    app_->SetTitle("Velmark");
    form = new TForm1(&*app_, drive_);
  }
  // Every speed test run through a window: its result record holds the report's figures.
  ~Window() {
    if (form->LastTest().started) ExpectRecordMatchesReport();
  }

  // The record's figure lines are the report's, line for line, and an aborted record's
  // reason is the one the report gives.
  void ExpectRecordMatchesReport() const {
    SCOPED_TRACE("the speed test's record against the window's report");
    const report::SpeedTestRecord& record = form->LastRecord();
    static const char* const kFigurePrefixes[] = {
        "Seconds : ",           "KB Processed : ",    "Average KB/Seconds : ",
        "Conversion factor : ", "Errors encountered", "Results should be ignored",
        "Average Measured ",    "Highest Measured "};
    std::vector<std::string> shown;
    for (const std::string& t : ReportTexts())
      for (const char* p : kFigurePrefixes)
        if (t.rfind(p, 0) == 0) shown.push_back(t);
    EXPECT_EQ(report::SpeedTestFigureLines(record), shown);
    EXPECT_EQ(record.aborted, form->LastTest().aborted);
    if (record.figures) {
      EXPECT_EQ(record.figures->failedCommands, form->LastTest().errorCount);
    }
    if (record.aborted) {
      const std::string line = record.abortReason == "Abort Requested"
                                   ? std::string("Abort Requested ...")
                                   : "Aborting due to " + record.abortReason;
      EXPECT_TRUE(HasLine(line)) << line;
    }
  }

  // A machine with the given drives at D:, E: ... on port 0, targets 0, 1 ...
  static sim::SimProfile Machine(const std::vector<std::shared_ptr<sim::ScsiTarget>>& drives) {
    sim::SimProfile p = sim::SimProfile::Windows2000(true);
    p.WithAspi(sim::AspiPlacement::None);
    BYTE target = 0;
    for (const auto& d : drives) {
      p.AddDrive(static_cast<char>('D' + target), {0, 0, target, 0}, d);
      ++target;
    }
    return p;
  }

  // One tick of the readiness poll: 800 ms pass and the messages are processed.
  void Tick() {
    host_.AdvanceMilliseconds(800);
    app_->ProcessMessages();
  }
  // Posts a click on Start and runs it (the whole test runs inside).
  void ClickStart() {
    form->StartButton->PostClick();
    app_->ProcessMessages();
  }

  std::vector<ReportLine> Report() const {
    std::vector<ReportLine> lines;
    for (const auto& l : form->RichEdit->RichLines())
      lines.push_back({l.Text, l.Attributes.Color, l.Attributes.Style.Contains(toolkit::fsBold)});
    return lines;
  }
  std::vector<std::string> ReportTexts() const {
    std::vector<std::string> texts;
    for (const auto& l : Report()) texts.push_back(l.text);
    return texts;
  }
  // The line that starts with `prefix`, or an empty line.
  ReportLine LineStarting(const std::string& prefix) const {
    for (const auto& l : Report())
      if (l.text.rfind(prefix, 0) == 0) return l;
    return {};
  }
  bool HasLine(const std::string& text) const {
    for (const auto& l : Report())
      if (l.text == text) return true;
    return false;
  }

  sim::SimHost& host() { return host_; }
  toolkit::TApplication& app() { return *app_; }
  AspiVCL& drive() { return drive_; }

  TForm1* form = nullptr;  // owned by the application

 private:
  sim::SimHost host_;
  platform::ScopedHost installed_;
  AspiVCL drive_;
  toolkit::ScopedApplication app_;
};

}  // namespace apptest
