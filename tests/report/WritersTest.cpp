// The result writers (text, JSON, CSV) from one table of records: a full speed test, one
// stopped before its timed read, one with failed commands and the display off; a scan of
// the drive's speeds, a whole-disc curve with access and spin-up, an aborted scan and a
// scan that measured nothing. The JSON is compared after its common head (JsonHeadTest).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <variant>

#include "report/JsonHead.h"
#include "report/ScanCsv.h"
#include "report/ScanJson.h"
#include "report/ScanText.h"
#include "report/SpeedTestJson.h"
#include "report/SpeedTestText.h"

namespace {

using report::ScanRecord;
using report::SpeedFigures;
using report::SpeedTestRecord;

const report::DriveRecord kDrive{"VELMSIM", "CD-ROM SIM-52X", "1.00", "D:", "0:0:0"};
const report::DiscRecord kDisc{359775};

// A surface scan of 1000 blocks with runs of every mark, built the way the scan adds them.
ScanRecord SurfaceScan() {
  ScanRecord r;
  report::SurfaceResult& s = r.surface.emplace();
  s.mode = "data";
  s.blocks = s.read = 1000;
  for (std::int64_t b : {100, 101}) report::AddToRuns(s.unreadable, b, 1, "03/11/00");
  report::AddToRuns(s.unreadable, 500, 1, "05/21/00");
  for (std::int64_t b : {300, 301}) report::AddToRuns(s.weak, b, 1);
  report::AddToRuns(s.c2, 700, 1);
  s.unreadableCount = 3;
  s.weakCount = 2;
  s.c2Count = 1;
  s.speeds.push_back({0, 1000, 40.0});
  s.retryCount = 1;
  return r;
}

SpeedTestRecord Test(report::ReadMode mode, std::optional<SpeedFigures> figures,
                     std::string abortReason = "") {
  SpeedTestRecord r;
  r.drive = kDrive;
  r.disc = kDisc;
  r.mode = mode;
  r.start = 349773;
  r.blocks = 10000;
  r.figures = figures;
  r.aborted = !abortReason.empty();
  r.abortReason = abortReason;
  return r;
}

ScanRecord Speeds() {
  ScanRecord r;
  r.info = report::DriveSpeedInfo{7056, 2822, true, false, true, 2048};
  r.speedsAsked = true;
  r.speedsKBps = std::vector<int>{7056, 5645, 1411};
  r.speed = report::SpeedRequest{20, 16.0, 15.996, 355266, 4509, {}};
  return r;
}

ScanRecord WholeDisc() {
  ScanRecord r;
  report::CurveResult c;
  c.mode = "data";
  c.blocks = 359775;
  c.samples = {{0, 3510, 195000, 24.0004, 4218.79, 9167.4},
               {356265, 3510, 117025, 39.9917, 7029.87, 6603.6}};
  c.strategy = report::Strategy::PCAV;
  c.startSpeedX = 24.0214;
  c.endSpeedX = 39.996;
  c.rpm = 11001.4;
  c.zones = {136204};
  r.curve = c;
  r.access = report::AccessResult{71.94, 68.26, 113.649, 8, {}, false};
  r.spinUpMs = 1503.76;
  return r;
}

ScanRecord Aborted() {
  ScanRecord r;
  r.speedsAsked = true;  // and refused
  report::CurveResult c;
  c.mode = "raw";
  c.blocks = 333000;
  c.samples = {{0, 3330, 250000, 13.32, 2294.3, 5601.2}};
  c.aborted = true;
  c.abortReason = "aborted";
  r.curve = c;
  r.access = report::AccessResult{};
  r.access->aborted = true;
  r.access->trials = 8;
  r.access->timed = {{"random", 3330, 170000, 80000}, {"random", 170000, 9000, 81000}};
  r.spinUpAborted = true;
  r.refused = {"GET PERFORMANCE: 05/20/00"};
  r.failed = true;
  return r;
}

// A dual-layer DVD read by a drive that is not throttled: rotation figures above 15,000 rpm
// are not physical and not printed; the layer change's sample and layer 1 read inwards.
ScanRecord Unthrottled() {
  ScanRecord r;
  r.unit = scsi::MediumFamily::DVD;
  report::CurveResult c;
  c.mode = "data";
  c.blocks = 400000;
  c.samples = {{0, 4000, 10000, 591.4, 781250.0, 288000.2},
               {196000, 4000, 1000000, 5.9, 7812.5, 9000.4}};
  c.strategy = report::Strategy::CAV;
  c.startSpeedX = 590.1;
  c.endSpeedX = 600.2;
  c.rpm = 290000.7;
  c.layerChangeLba = 196000;
  c.returningFrom = 200000;
  r.curve = c;
  return r;
}

struct WriterCase {
  const char* name;
  std::variant<SpeedTestRecord, ScanRecord> record;
  std::string text;
  std::string json;  // the keys after the head, compact
  std::string csv;   // scan records only
};

const WriterCase kCases[] = {
    {"speed test",
     Test(report::ReadMode::Data,
          SpeedFigures{2.5649f, 20000.0f, 7799.6f, 150, 51.997f, 53.333332f, 60.0f, 0}),
     "Drive : VELMSIM CD-ROM SIM-52X 1.00 (D:)\nDevice : 0:0:0\nDisc capacity : 359775 blocks\n"
     "Mode : data\nStartAddress : 349773\nBlockAmount : 10000\nSeconds : 2.56\n"
     "KB Processed : 20000\nAverage KB/Seconds : 7799\nConversion factor : 1x = 150 KB/sec\n"
     "Average Measured Velmark : 52.00 x\nHighest Measured Velmark : 53.33 x\n"
     "Highest Measured (single command) BURST : 60.00 x\n",
     R"({"mode":"data","range":{"start":349773,"blocks":10000},"seconds":2.5649,"kib":20000.0,)"
     R"("average_kib_per_s":7799.6,"kib_per_x":150,"average_x":51.997,"highest_x":53.333332,)"
     R"("burst_x":60.0,"failed_commands":0,"aborted":false})",
     ""},
    {"speed test stopped before its timed read",
     Test(report::ReadMode::Raw, std::nullopt, "the drive did not become ready"),
     "Drive : VELMSIM CD-ROM SIM-52X 1.00 (D:)\nDevice : 0:0:0\nDisc capacity : 359775 blocks\n"
     "Mode : raw\nStartAddress : 349773\nBlockAmount : 10000\n"
     "Aborted : the drive did not become ready\n",
     R"({"mode":"raw","range":{"start":349773,"blocks":10000},"seconds":null,"kib":null,)"
     R"("average_kib_per_s":null,"kib_per_x":null,"average_x":null,"highest_x":null,)"
     R"("burst_x":null,"failed_commands":0,"aborted":"the drive did not become ready"})",
     ""},
    {"speed test with failed commands, display off",
     Test(report::ReadMode::Raw,
          SpeedFigures{9.996f, 23437.5f, 2344.9f, 172, 13.633f, std::nullopt, std::nullopt, 2}),
     "Drive : VELMSIM CD-ROM SIM-52X 1.00 (D:)\nDevice : 0:0:0\nDisc capacity : 359775 blocks\n"
     "Mode : raw\nStartAddress : 349773\nBlockAmount : 10000\nSeconds : 10.00\n"
     "KB Processed : 23437\nAverage KB/Seconds : 2344\nConversion factor : 1x = 172 KB/sec\n"
     "Errors encountered during test !\nResults should be ignored !\n"
     "Average Measured Velmark : 13.63 x\n",
     R"({"mode":"raw","range":{"start":349773,"blocks":10000},"seconds":9.996,"kib":23437.5,)"
     R"("average_kib_per_s":2344.9,"kib_per_x":172,"average_x":13.633,"highest_x":null,)"
     R"("burst_x":null,"failed_commands":2,"aborted":false})",
     ""},
    {"the drive's speeds, counted at 176.4 kB/s per x", Speeds(),
     "Capabilities: maximum read speed 7056 kB/s (40.0x), current 2822 kB/s (16.0x)\n"
     "  CD-DA commands yes, CD-DA stream accurate no, C2 pointers yes, buffer 2048 KB\n"
     "Speeds offered: 40.0x, 32.0x, 8.0x\n"
     "Speed requested: 20x; taken: 16.0x; measured: 16.00x over LBA 355266 + 4509\n",
     R"({"info":{"max_read_kb_per_s":7056,"max_read_x":40.0,"current_read_kb_per_s":2822,)"
     R"("current_read_x":16.0,"cdda_supported":true,"cdda_accurate":false,"c2_pointers":true,)"
     R"("buffer_kib":2048},"speeds":[{"kb_per_s":7056,"x":40.0},{"kb_per_s":5645,"x":32.0},)"
     R"({"kb_per_s":1411,"x":8.0}],"requested_speed_x":20.0,"taken_speed_x":16.0,)"
     R"("measured_speed_x":15.996,"refused":[]})",
     "figure,value\nmax_read_kb_per_s,7056\ncurrent_read_kb_per_s,2822\ncdda_supported,yes\n"
     "cdda_accurate,no\nc2_pointers,yes\nbuffer_kib,2048\nspeed_kb_per_s,7056\n"
     "speed_kb_per_s,5645\nspeed_kb_per_s,1411\nrequested_speed_x,20.0\ntaken_speed_x,16.00\n"
     "measured_speed_x,16.00\n"},
    {"whole-disc curve, access and spin-up", WholeDisc(),
     "Curve (data, LBA 0 + 359775 blocks, 2 samples): strategy P-CAV, 24.02x to 40.00x, CAV at "
     "11001 rpm\n  change-over to constant speed at LBA 136204\n"
     "Access: random 71.9 ms, one-third stroke 68.3 ms, full stroke 113.6 ms (8 trials each)\n"
     "Spin-up: 1503.8 ms\n",
     R"({"mode":"data","start":0,"blocks":359775,"blocks_per_command":27,"samples":[)"
     R"({"lba":0,"blocks":3510,"micros":195000,"speed_x":24.0004,"kib_per_s":4218.79,)"
     R"("rpm":9167.4},{"lba":356265,"blocks":3510,"micros":117025,"speed_x":39.9917,)"
     R"("kib_per_s":7029.87,"rpm":6603.6}],"strategy":"P-CAV","start_speed_x":24.0214,)"
     R"("end_speed_x":39.996,"rpm":11001.4,"zones":[136204],"access_ms":{"random":71.94,)"
     R"("third":68.26,"full":113.649,"trials":8},"spin_up_ms":1503.76,"refused":[]})",
     "lba,blocks,micros,speed_x,kib_per_s,rpm\n0,3510,195000,24.000,4218.8,9167\n"
     "356265,3510,117025,39.992,7029.9,6604\n"},
    {"aborted scan", Aborted(),
     "Speeds offered: not reported\n"
     "Curve (raw, LBA 0 + 333000 blocks, 1 samples): not completed, aborted\n"
     "Access: not completed, aborted after 2 trials\nSpin-up: not completed, aborted\n"
     "Refused: GET PERFORMANCE: 05/20/00\n",
     R"({"speeds":"not reported","mode":"raw","start":0,"blocks":333000,"blocks_per_command":27,)"
     R"("samples":[{"lba":0,"blocks":3330,"micros":250000,"speed_x":13.32,"kib_per_s":2294.3,)"
     R"("rpm":5601.2}],"strategy":"unknown","start_speed_x":0.0,"end_speed_x":0.0,"rpm":null,)"
     R"("zones":[],"aborted":"aborted","access_ms":{"trials":8,"aborted":"aborted"},)"
     R"("spin_up_aborted":"aborted","refused":["GET PERFORMANCE: 05/20/00"]})",
     "lba,blocks,micros,speed_x,kib_per_s,rpm\n0,3330,250000,13.320,2294.3,5601\n"},
    {"rotation not physical, a dual layer's change", Unthrottled(),
     "Curve (data, LBA 0 + 400000 blocks, 2 samples): strategy CAV, 590.10x to 600.20x, CAV at "
     "a rotation not physical (above 15000 rpm)\n"
     "  layer change in the sample from LBA 196000, kept out of the fit\n"
     "  layer 1 read from the outside in from LBA 200000\n",
     R"({"mode":"data","start":0,"blocks":400000,"blocks_per_command":27,"samples":[)"
     R"({"lba":0,"blocks":4000,"micros":10000,"speed_x":591.4,"kib_per_s":781250.0,"rpm":null},)"
     R"({"lba":196000,"blocks":4000,"micros":1000000,"speed_x":5.9,"kib_per_s":7812.5,)"
     R"("rpm":9000.4}],"strategy":"CAV","start_speed_x":590.1,"end_speed_x":600.2,"rpm":null,)"
     R"("rpm_not_physical":true,"zones":[],"layer_change_sample_lba":196000,)"
     R"("layer1_outside_in_from_lba":200000,"refused":[]})",
     "lba,blocks,micros,speed_x,kib_per_s,rpm\n0,4000,10000,591.400,781250.0,\n"
     "196000,4000,1000000,5.900,7812.5,9000\n"},
    {"scan that measured nothing", ScanRecord{}, "", R"({"refused":[]})", "figure,value\n"},
    {"surface scan with every mark", SurfaceScan(),
     "Surface (data, LBA 0 + 1000 blocks): 995 good, 2 weak, 3 unreadable, 1 C2-flagged\n"
     "  unreadable: 100-101 (03/11/00), 500 (05/21/00)\n  weak: 300-301\n  C2-flagged: 700\n"
     "  read retry count during the scan: 1\n",
     R"({"surface":{"mode":"data","start":0,"blocks":1000,"blocks_per_command":27,"read":1000,)"
     R"("good":995,"weak":2,"unreadable":3,"c2_flagged":1,"unreadable_runs":[{"first":100,)"
     R"("blocks":2,"sense":"03/11/00"},{"first":500,"blocks":1,"sense":"05/21/00"}],)"
     R"("weak_runs":[{"first":300,"blocks":2}],"c2_runs":[{"first":700,"blocks":1}],)"
     R"("speeds":[{"lba":0,"blocks":1000,"speed_x":40.0}],"retry_count":1},"refused":[]})",
     "mark,first,last,blocks,sense\nunreadable,100,101,2,03/11/00\nweak,300,301,2,\n"
     "unreadable,500,500,1,05/21/00\nc2,700,700,1,\n"},
};

TEST(Writers, EachRecordInEachFormat) {
  const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(1796714137));
  const report::Json head = report::JsonHead(kDrive, kDisc, when);
  for (const WriterCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string text, json;
    if (const auto* test = std::get_if<SpeedTestRecord>(&c.record)) {
      text = report::SpeedTestText(*test);
      json = report::SpeedTestJsonText(*test, when);
    } else {
      const ScanRecord& scan = std::get<ScanRecord>(c.record);
      text = report::ScanText(scan);
      json = report::ScanJson(kDrive, kDisc, scan, when);
      EXPECT_EQ(report::ScanCsv(scan), c.csv);
    }
    EXPECT_EQ(text, c.text);
    ASSERT_FALSE(json.empty());
    EXPECT_EQ(json.back(), '\n');
    report::Json parsed = report::Json::parse(json);
    for (const auto& [key, value] : head.items()) {
      EXPECT_EQ(parsed.begin().key(), key);
      EXPECT_EQ(parsed.begin().value(), value);
      parsed.erase(key);
    }
    // The record's kind and format follow the head.
    const bool speedTest = std::holds_alternative<SpeedTestRecord>(c.record);
    const bool surface = !speedTest && std::get<ScanRecord>(c.record).surface.has_value();
    EXPECT_EQ(parsed.begin().key(), "kind");
    EXPECT_EQ(parsed["kind"], speedTest ? "speed_test" : surface ? "surface" : "scan");
    EXPECT_EQ(parsed["format"], 2);
    parsed.erase("kind");
    parsed.erase("format");
    EXPECT_EQ(parsed.dump(), c.json);
  }
}

}  // namespace
