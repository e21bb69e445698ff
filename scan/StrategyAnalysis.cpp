#include "scan/StrategyAnalysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "scan/DiscGeometry.h"

namespace scan {
namespace {

using report::ScanSample;
using report::Strategy;

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  const std::size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
  const double upper = v[mid];
  if (v.size() % 2 != 0) return upper;
  return (*std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid)) + upper) / 2;
}

double Deviation(double value, double reference) {
  return reference > 0.0 ? std::abs(value / reference - 1.0) : 1.0;
}

// One sample as the analysis sees it.
struct Point {
  double lba = 0, end = 0;  // [lba, end)
  double micros = 0;
  double speed = 0;  // x
  double rpm = 0;    // average revolutions a minute over the sample
};

// A candidate fit: the strategy, the deviation of every point from it, and its curve.
struct Candidate {
  StrategyFit fit;
  std::vector<double> deviations;
  bool holds = false;
  double error = 0;  // root mean square of the deviations, each capped at twice the tolerance
};

void Judge(Candidate& c, double tolerance) {
  std::size_t within = 0;
  double sum = 0;
  for (double d : c.deviations) {
    if (d <= tolerance) ++within;
    const double capped = std::min(d, 2 * tolerance);
    sum += capped * capped;
  }
  const auto n = static_cast<double>(c.deviations.size());
  // The samples needed, as a whole number: 90 of 100 whether the product 0.9 * 100 is rounded
  // to a double (90) or kept in the x87's wider registers of 32-bit builds (90.000…002).
  const double needed = std::ceil(StrategyAnalysis::kFitShare * n - 1e-6);
  c.holds = n > 0 && static_cast<double>(within) >= needed;
  c.error = n > 0 ? std::sqrt(sum / n) : 1.0;
}

Candidate FitClv(const std::vector<Point>& p) {
  std::vector<double> speeds;
  for (const Point& x : p) speeds.push_back(x.speed);
  const double level = Median(speeds);
  Candidate c;
  c.fit.strategy = Strategy::CLV;
  c.fit.startSpeedX = c.fit.endSpeedX = level;
  for (const Point& x : p) c.deviations.push_back(Deviation(x.speed, level));
  return c;
}

Candidate FitCav(const std::vector<Point>& p, const DiscGeometry& g, double first, double last) {
  std::vector<double> rpms;
  for (const Point& x : p) rpms.push_back(x.rpm);
  const double rpm = Median(rpms);
  Candidate c;
  c.fit.strategy = Strategy::CAV;
  c.fit.rpm = rpm;
  c.fit.startSpeedX = g.SpeedAt(first, rpm);
  c.fit.endSpeedX = g.SpeedAt(last, rpm);
  for (const Point& x : p) c.deviations.push_back(Deviation(x.rpm, rpm));
  return c;
}

// CAV from the inside up to a plateau, constant from there.
Candidate FitPcav(const std::vector<Point>& p, const DiscGeometry& g, double first, double last,
                  double tolerance) {
  Candidate c;
  c.fit.strategy = Strategy::PCAV;
  std::vector<double> speeds;
  for (const Point& x : p) speeds.push_back(x.speed);
  std::vector<double> sorted = speeds;
  std::sort(sorted.begin(), sorted.end());
  const double high = sorted[sorted.size() * 95 / 100];  // a burst or two cannot set it
  std::vector<double> top;
  for (double s : speeds)
    if (s >= high * (1 - tolerance)) top.push_back(s);
  const double plateau = Median(top);
  // The plateau starts with the first three samples in a row on it.
  std::size_t knee = p.size();
  for (std::size_t i = 0; i + 2 < p.size(); ++i) {
    if (Deviation(speeds[i], plateau) <= tolerance &&
        Deviation(speeds[i + 1], plateau) <= tolerance &&
        Deviation(speeds[i + 2], plateau) <= tolerance) {
      knee = i;
      break;
    }
  }
  if (knee < 4 || knee == p.size()) {  // no CAV part, or no plateau, to speak of
    c.deviations.assign(p.size(), 1.0);
    return c;
  }
  std::vector<double> rpms;
  for (std::size_t i = 0; i + 1 < knee; ++i) rpms.push_back(p[i].rpm);  // the last may straddle
  const double rpm = Median(rpms);
  for (std::size_t i = 0; i < p.size(); ++i) {
    const double onCav = Deviation(p[i].rpm, rpm), onPlateau = Deviation(speeds[i], plateau);
    c.deviations.push_back(i + 1 < knee    ? onCav
                           : i + 1 == knee ? std::min(onCav, onPlateau)
                                           : onPlateau);
  }
  // The CAV part must lie clearly below the plateau.
  if (g.SpeedAt(p.front().lba, rpm) > plateau * (1 - 2 * tolerance))
    c.deviations.assign(p.size(), 1.0);
  // The radius where the CAV part reaches the plateau's speed.
  const double kneeRadius =
      plateau * g.Of().linearVelocityMmPerSecond * 60.0 / (2.0 * std::numbers::pi * rpm);
  c.fit.rpm = rpm;
  c.fit.zones = {static_cast<std::int64_t>(std::llround(g.LbaAtRadius(kneeRadius)))};
  c.fit.startSpeedX = std::min(plateau, g.SpeedAt(first, rpm));
  c.fit.endSpeedX = std::min(plateau, g.SpeedAt(last, rpm));
  return c;
}

// Where, inside point `x`, the speed changed from `before` to `after`: the split of its
// blocks that gives its time.
double SplitLba(const Point& x, double blocksPerSecond, double before, double after) {
  const double blocks = x.end - x.lba;
  const double passes = x.micros * 1e-6 * blocksPerSecond;  // blocks * seconds at 1x
  const double denominator = 1.0 / before - 1.0 / after;
  if (std::abs(denominator) < 1e-12) return x.lba;
  const double at = (passes - blocks / after) / denominator;
  return x.lba + std::clamp(at, 0.0, blocks);
}

// Constant speeds stepping up: runs of samples at one speed, each of at least three.
Candidate FitZclv(const std::vector<Point>& p, double blocksPerSecond, double tolerance) {
  Candidate c;
  c.fit.strategy = Strategy::ZCLV;
  struct Run {
    std::size_t begin = 0, end = 0;
    double level = 0;
  };
  std::vector<Run> runs;
  Run run{0, 1, p[0].speed};
  std::vector<double> members{p[0].speed};
  for (std::size_t i = 1; i < p.size(); ++i) {
    if (Deviation(p[i].speed, run.level) <= tolerance) {
      members.push_back(p[i].speed);
      run.end = i + 1;
      run.level = Median(members);
      continue;
    }
    runs.push_back(run);
    run = Run{i, i + 1, p[i].speed};
    members.assign(1, p[i].speed);
  }
  runs.push_back(run);
  std::vector<Run> zones;
  for (const Run& r : runs) {
    if (r.end - r.begin < 3) continue;  // a straddling sample or an outlier
    if (!zones.empty() && Deviation(r.level, zones.back().level) <= tolerance) {
      zones.back().end = r.end;  // an outlier split one zone in two
      continue;
    }
    zones.push_back(r);
  }
  bool stepsUp = zones.size() >= 2 && zones.size() <= StrategyAnalysis::kMaxZones;
  for (std::size_t z = 1; z < zones.size(); ++z)
    stepsUp = stepsUp && zones[z].level > zones[z - 1].level * (1 + tolerance);
  if (!stepsUp) {
    c.deviations.assign(p.size(), 1.0);
    return c;
  }
  c.deviations.assign(p.size(), 1.0);
  for (std::size_t z = 0; z < zones.size(); ++z) {
    for (std::size_t i = zones[z].begin; i < zones[z].end; ++i)
      c.deviations[i] = Deviation(p[i].speed, zones[z].level);
    if (z == 0) continue;
    const Run& a = zones[z - 1];
    const Run& b = zones[z];
    // A sample between two zones is explained when its speed lies between theirs.
    for (std::size_t i = a.end; i < b.begin; ++i)
      if (p[i].speed >= a.level * (1 - tolerance) && p[i].speed <= b.level * (1 + tolerance))
        c.deviations[i] = 0.0;
    // The change lies in the sample between the zones, or in the one at either edge that
    // strays most from its zone's speed.
    std::size_t at = b.begin;
    double before = a.level, after = b.level;
    if (b.begin > a.end) {
      at = a.end;
    } else {
      const double lastOfA = Deviation(p[a.end - 1].speed, a.level);
      const double firstOfB = Deviation(p[b.begin].speed, b.level);
      at = lastOfA > firstOfB ? a.end - 1 : b.begin;
      if (std::max(lastOfA, firstOfB) < 0.002) at = p.size();  // the change is at b.begin
    }
    const double start =
        at < p.size() ? SplitLba(p[at], blocksPerSecond, before, after) : p[b.begin].lba;
    c.fit.zones.push_back(static_cast<std::int64_t>(std::llround(start)));
  }
  c.fit.zones.insert(c.fit.zones.begin(), static_cast<std::int64_t>(p[zones[0].begin].lba));
  c.fit.startSpeedX = zones.front().level;
  c.fit.endSpeedX = zones.back().level;
  return c;
}

}  // namespace

StrategyFit StrategyAnalysis::Analyse(const std::vector<ScanSample>& samples,
                                      std::int64_t rangeStart, std::int64_t rangeEnd,
                                      double tolerance) {
  return Analyse(samples, rangeStart, rangeEnd, DiscGeometry(kCdSpiral), {}, tolerance);
}

StrategyFit StrategyAnalysis::Analyse(const std::vector<ScanSample>& samples,
                                      std::int64_t rangeStart, std::int64_t rangeEnd,
                                      const DiscGeometry& geometry,
                                      std::optional<std::int64_t> layerBreak, double tolerance) {
  const double blocksPerSecond = geometry.Of().blocksPerSecond;
  std::vector<Point> points;
  std::optional<std::int64_t> keptOut;
  for (const ScanSample& s : samples) {
    if (s.blocks <= 0 || s.micros <= 0) continue;
    // The layer change (a refocus, on the parallel track path a seek back inwards as well)
    // holds up the sample that reads the first block of layer 1: its time is not the disc's.
    if (layerBreak && s.lba <= *layerBreak && *layerBreak < s.lba + s.blocks) {
      keptOut = s.lba;
      continue;
    }
    Point x;
    x.lba = static_cast<double>(s.lba);
    x.end = x.lba + s.blocks;
    x.micros = static_cast<double>(s.micros);
    x.speed = s.blocks / (x.micros * 1e-6) / blocksPerSecond;
    x.rpm = geometry.Rpm(x.lba, x.end, x.micros);
    points.push_back(x);
  }
  if (points.size() < 6) return {};
  const auto first = static_cast<double>(rangeStart);
  const auto last = static_cast<double>(std::max(rangeStart, rangeEnd - 1));

  std::vector<Candidate> candidates;
  candidates.push_back(FitClv(points));
  candidates.push_back(FitCav(points, geometry, first, last));
  candidates.push_back(FitPcav(points, geometry, first, last, tolerance));
  candidates.push_back(FitZclv(points, blocksPerSecond, tolerance));
  const Candidate* best = nullptr;
  for (Candidate& c : candidates) {
    Judge(c, tolerance);
    // The simpler strategy wins a tie (they come in order of their number of parameters).
    if (c.holds && (best == nullptr || c.error < best->error - 1e-9)) best = &c;
  }
  if (best == nullptr) return {};
  StrategyFit fit = best->fit;
  fit.keptOutLba = keptOut;
  // A CAV drive is rated for its speed at the end of a full disc; on a longer disc it holds
  // that speed for the rest. That is still CAV, not a change-over.
  if (fit.strategy == Strategy::PCAV && !fit.zones.empty() &&
      geometry.RadiusMm(static_cast<double>(fit.zones.front())) >= geometry.Of().ratedRadiusMm) {
    fit.strategy = Strategy::CAV;
    fit.zones.clear();
  }
  return fit;
}

StrategyFit StrategyAnalysis::AnalyseSpeeds(const std::vector<ScanSample>& samples,
                                            double blocksPerSecondAt1x, double tolerance) {
  std::vector<Point> points;
  for (const ScanSample& s : samples) {
    if (s.blocks <= 0 || s.micros <= 0 || blocksPerSecondAt1x <= 0) continue;
    Point x;
    x.lba = static_cast<double>(s.lba);
    x.end = x.lba + s.blocks;
    x.micros = static_cast<double>(s.micros);
    x.speed = s.blocks / (x.micros * 1e-6) / blocksPerSecondAt1x;
    points.push_back(x);
  }
  if (points.size() < 6) return {};
  // Zones of constant speed could also stand in for a rising CAV curve, step by step: without
  // the geometry to tell them apart, only one constant speed is named.
  Candidate clv = FitClv(points);
  Judge(clv, tolerance);
  return clv.holds ? clv.fit : StrategyFit{};
}

}  // namespace scan
