// The scan of every medium against the truth of the media machine's drives: the medium
// named, the capacity, the layers and the layer break exactly, every sample of the
// whole-disc curve in the medium's x within 1 % of the drive model's average over its zone,
// and the drive's strategy with its start and end speeds and rotation within 1 % of the
// model's; a dual-layer disc's layer change kept out of the fit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "app/AspiVCL.h"
#include "cli/CliOptions.h"
#include "cli/ScanRun.h"
#include "sim/win32/DemoMachine.h"
#include "tests/cli/ReadBack.h"

namespace {

TEST(CliMediaScan, EveryMediumAgainstTheModelsTruth) {
  using sim::DemoMachine;
  const struct {
    int row;
    const char* medium;
    std::int64_t blocks;
    std::optional<int> layers;  // a BD's are not read
    std::optional<std::string> trackPath;
    std::optional<std::int64_t> layerBreak;
    std::int64_t unitBytes;
    const char* discLine;
    const char* strategy;
    bool breakFromCurve = false;  // a BD's: the drive does not say, the curve shows it
    bool heldDown = false;        // the whole disc read at under half the drive's maximum
  } truths[] = {
      {0,
       "DVD-ROM",
       DemoMachine::kDvdBlocks,
       1,
       {},
       {},
       1'385'000,
       "Disc: DVD-ROM, 2298496 blocks (4.71 GB), 1 layer\n",
       "CAV"},
      {1, "DVD-ROM", DemoMachine::kDualLayer0Blocks + DemoMachine::kDualLayer1Blocks, 2, "opposite",
       DemoMachine::kDualLayer0Blocks, 1'385'000,
       "Disc: DVD-ROM, 3952064 blocks (8.09 GB), 2 layers, opposite track path, layer break at "
       "LBA 2052096\n",
       "CAV"},
      {2,
       "BD-ROM",
       DemoMachine::kBdBlocks,
       {},
       {},
       {},
       4'500'000,
       "Disc: BD-ROM, 12219392 blocks (25.03 GB)\n",
       "CAV"},
      {3, "CD-ROM", 359'775, 1, {}, {}, 153'600, "Disc: CD-ROM, 359775 blocks (79:57:00)\n", "CAV"},
      {4,
       "BD-ROM",
       DemoMachine::kBdLayer0Blocks + DemoMachine::kBdLayer1Blocks,
       {},
       {},
       DemoMachine::kBdLayer0Blocks,
       4'500'000,
       "Disc: BD-ROM, 22019392 blocks (45.10 GB)\n",
       "CAV",
       true},
      {5,
       "DVD-ROM",
       DemoMachine::kVideoDvdBlocks,
       1,
       {},
       {},
       1'385'000,
       "Disc: DVD-ROM, 2000000 blocks (4.10 GB), 1 layer\n",
       "CAV",
       false,
       true},
      {6, "DVD-ROM", 2 * DemoMachine::kParallelLayerBlocks, 2, "parallel",
       DemoMachine::kParallelLayerBlocks, 1'385'000,
       "Disc: DVD-ROM, 4000000 blocks (8.19 GB), 2 layers, parallel track path, layer break at "
       "LBA 2000000\n",
       "CAV"},
  };
  for (const auto& t : truths) {
    SCOPED_TRACE(t.medium + std::string(" in row ") + std::to_string(t.row));
    const CliParse parse = ParseCliOptions(
        {"--sim-profile", "media", "--drive", std::to_string(t.row), "--curve", "--json", "-"});
    ASSERT_EQ(parse.error, "");
    DemoMachine machine(sim::ClockMode::Virtual, false, sim::DemoProfile::Media);
    AspiVCL drive;
    CliOutput output;
    output.out = std::tmpfile();
    output.err = std::tmpfile();
    const int status = RunScan(parse.options, drive, output);
    const std::string out = ReadBack(output.out), err = ReadBack(output.err);
    ASSERT_EQ(status, kExitDone) << err;
    EXPECT_NE(err.find(t.discLine), std::string::npos) << err;

    const nlohmann::json j = nlohmann::json::parse(out);
    const nlohmann::json& disc = j["disc"];
    EXPECT_EQ(disc["medium"], t.medium);
    EXPECT_EQ(disc["capacity_blocks"], t.blocks);
    EXPECT_EQ(disc["capacity_blocks"], machine.drive(t.row).CurrentDisc()->LeadOut());
    EXPECT_EQ(disc["layers"], t.layers ? nlohmann::json(*t.layers) : nlohmann::json());
    EXPECT_EQ(disc["track_path"], t.trackPath ? nlohmann::json(*t.trackPath) : nlohmann::json());
    if (t.breakFromCurve) {  // found within one command's blocks, and named as found
      EXPECT_NEAR(disc["layer_break_lba"].get<double>(), *t.layerBreak, 27);
      EXPECT_EQ(disc["layer_break_from"], "curve");
      EXPECT_EQ(j["layer_break_from_curve_lba"], disc["layer_break_lba"]);
      EXPECT_EQ(j["layer_pause_seen"], true);
      EXPECT_NE(
          err.find("layer break found from the curve at LBA " + disc["layer_break_lba"].dump() +
                   " (the speed's turn, the layer change's pause)\n"),
          std::string::npos)
          << err;
    } else {
      EXPECT_EQ(disc["layer_break_lba"],
                t.layerBreak ? nlohmann::json(*t.layerBreak) : nlohmann::json());
      EXPECT_FALSE(disc.contains("layer_break_from"));
    }
    EXPECT_EQ(disc["unit_bytes_per_s"], t.unitBytes);

    const nlohmann::json& samples = j["samples"];
    ASSERT_GE(samples.size(), 100u);
    std::int64_t covered = 0;
    for (const nlohmann::json& s : samples) {
      const auto lba = s["lba"].get<std::int32_t>();
      const auto blocks = s["blocks"].get<std::uint32_t>();
      const double expected = machine.drive(t.row).ExpectedAverageSpeed(lba, blocks, 27);
      EXPECT_NEAR(s["speed_x"].get<double>(), expected, 0.01 * expected) << "LBA " << lba;
      covered += blocks;
    }
    EXPECT_EQ(covered, t.blocks);

    // The model's CAV: its speed at the first and the last block, and its rotation.
    const sim::DriveTimingModel& model = machine.drive(t.row).TimingModel();
    const double held = model.Timing().heldSpeed;
    const double top =
        held > 0 ? std::min(held, model.Timing().maxDataSpeed) : model.Timing().maxDataSpeed;
    const auto last = static_cast<std::int32_t>(t.blocks - 1);
    const double rpm = model.SpeedAt(0, top) * model.Timing().linearVelocity * 1e3 /
                       (2 * std::numbers::pi * model.RadiusMm(0)) * 60;
    EXPECT_EQ(j["strategy"], t.strategy);
    const double start = model.SpeedAt(0, top), end = model.SpeedAt(last, top);
    EXPECT_NEAR(j["start_speed_x"].get<double>(), start, 0.01 * start);
    EXPECT_NEAR(j["end_speed_x"].get<double>(), end, 0.01 * end);
    EXPECT_NEAR(j["rpm"].get<double>(), rpm, 0.01 * rpm);
    // A DVD's or BD's whole-disc average against the drive's maximum; a CD is not judged.
    if (t.unitBytes == 153'600) {
      EXPECT_FALSE(j.contains("held_down_by_drive"));
    } else {
      EXPECT_EQ(j["held_down_by_drive"], t.heldDown);
      EXPECT_EQ(j["drive_max_x"], model.Timing().maxDataSpeed);
      EXPECT_EQ(err.find("held down by the drive") != std::string::npos, t.heldDown) << err;
    }
    // The sample reading layer 1's first block waits for the focus jump: it is named and
    // kept out of the fit; an opposite layer 1 is named as read from the outside in.
    std::optional<std::int64_t> changeSample;
    for (const nlohmann::json& s : samples)
      if (t.layerBreak && s["lba"] <= *t.layerBreak &&
          *t.layerBreak < s["lba"].get<std::int64_t>() + s["blocks"].get<std::int64_t>())
        changeSample = s["lba"].get<std::int64_t>();
    EXPECT_EQ(j.value("layer_change_sample_lba", nlohmann::json()),
              changeSample ? nlohmann::json(*changeSample) : nlohmann::json());
    EXPECT_EQ(
        j.value("layer1_outside_in_from_lba", nlohmann::json()),
        t.trackPath == "opposite" || t.breakFromCurve ? disc["layer_break_lba"] : nlohmann::json());
  }
}

}  // namespace

namespace {

std::uint32_t Be(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t width) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < width; ++i) v = v << 8 | bytes.at(at + i);
  return v;
}

// A speed asked of a DVD goes as SET STREAMING where the drive streams in real time (D:); a
// BD drive that reports the feature but refuses the command gets SET CD SPEED after it (F:);
// a CD as always by SET CD SPEED (G:). The figures in kB/s as each medium counts them.
TEST(CliMediaScan, ASpeedAskedAsTheDriveCountsIt) {
  using sim::DemoMachine;
  const struct {
    int row;
    const char* speed;
    std::uint32_t streamingKBps;  // 0: no SET STREAMING taken
    std::uint32_t cdSpeedKBps;    // 0: no SET CD SPEED sent
    const char* setBy;            // null on a CD: not written
    std::vector<std::string> refused;
    double taken;
  } cases[] = {
      {0, "2.4", 3324, 0, "SET STREAMING", {}, 2.0},
      {2, "2.4", 0, 10800, "SET CD SPEED", {"SET STREAMING refused: 05/20/00"}, 2.0},
      {3, "8", 0, 1412, nullptr, {}, 8.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row));
    const CliParse parse =
        ParseCliOptions({"--sim-profile", "media", "--drive", std::to_string(c.row), "--speed",
                         c.speed, "--json", "-"});
    ASSERT_EQ(parse.error, "");
    DemoMachine machine(sim::ClockMode::Virtual, true, sim::DemoProfile::Media);
    AspiVCL drive;
    CliOutput output;
    output.out = std::tmpfile();
    output.err = std::tmpfile();
    const int status = RunScan(parse.options, drive, output);
    const std::string out = ReadBack(output.out), err = ReadBack(output.err);
    ASSERT_EQ(status, kExitDone) << err;
    const nlohmann::json j = nlohmann::json::parse(out);
    EXPECT_EQ(j.value("speed_set_by", nlohmann::json()),
              c.setBy ? nlohmann::json(c.setBy) : nlohmann::json());
    EXPECT_EQ(j["refused"], c.refused);
    EXPECT_EQ(j["taken_speed_x"], c.taken);
    EXPECT_NEAR(j["measured_speed_x"].get<double>(), c.taken, 0.01 * c.taken);

    const std::int64_t lastLba = machine.drive(c.row).CurrentDisc()->LeadOut() - 1;
    int streamings = 0, cdSpeeds = 0;
    for (const sim::ReceivedCommand& r : machine.drive(c.row).Received()) {
      if (r.cdb[0] == 0xBB) {
        ++cdSpeeds;
        EXPECT_EQ(r.cdb[2] << 8 | r.cdb[3], c.cdSpeedKBps);
      }
      if (r.cdb[0] != 0xB6 || r.status != 0) continue;
      ++streamings;
      EXPECT_EQ(r.cdb[8], 0);  // a performance descriptor
      EXPECT_EQ(r.cdb[9] << 8 | r.cdb[10], 28);
      ASSERT_EQ(r.dataOut.size(), 28u);
      EXPECT_EQ(r.dataOut[0], 0);  // RDD 0, Exact 0
      const std::uint32_t fields[] = {
          0, static_cast<std::uint32_t>(lastLba), c.streamingKBps, 1000, c.streamingKBps, 1000};
      for (std::size_t f = 0; f < 6; ++f) EXPECT_EQ(Be(r.dataOut, 4 + 4 * f, 4), fields[f]) << f;
    }
    EXPECT_EQ(streamings, c.streamingKBps ? 1 : 0);
    EXPECT_EQ(cdSpeeds, c.cdSpeedKBps ? 2 : 0);  // asked again when taken
  }
}

}  // namespace
