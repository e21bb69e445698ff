#include "scan/LayerBreakSearch.h"

#include <algorithm>
#include <cmath>

namespace scan {
namespace {

using report::ScanSample;

bool HoldsLba(const ScanSample& s, double lba) {
  return static_cast<double>(s.lba) <= lba && lba < static_cast<double>(s.lba + s.blocks);
}

// The rotation speeds of the samples on the spiral folded at `fold`, but the one holding it.
std::vector<double> FoldedRotations(const std::vector<ScanSample>& samples, const Spiral& spiral,
                                    double fold) {
  const DiscGeometry geometry(spiral, fold);
  std::vector<double> rpms;
  for (const ScanSample& s : samples) {
    if (HoldsLba(s, fold)) continue;
    const auto lba = static_cast<double>(s.lba);
    rpms.push_back(geometry.Rpm(lba, lba + s.blocks, static_cast<double>(s.micros)));
  }
  return rpms;
}

double MedianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// How far the samples' rotation strays from one speed, each deviation capped (a burst from
// the cache weighs no more than a sample just off).
double FoldSpread(const std::vector<double>& rpms, double tolerance) {
  const double median = MedianOf(rpms);
  if (median <= 0.0) return 1e9;
  double sum = 0.0;
  for (double rpm : rpms) {
    const double d = std::min(std::abs(rpm / median - 1.0), 2 * tolerance);
    sum += d * d;
  }
  return sum;
}

}  // namespace

std::optional<FoundLayerBreak> LayerBreakSearch::Find(const std::vector<ScanSample>& samples,
                                                      const Spiral& spiral, double tolerance) {
  std::vector<ScanSample> valid;
  for (const ScanSample& s : samples)
    if (s.blocks > 0 && s.micros > 0) valid.push_back(s);
  const std::size_t n = valid.size();
  if (n < 12) return std::nullopt;
  // The turn: the fastest sample (each the median of five around it, so that a burst from the
  // cache is not one), well inside the curve, with the ends clearly slower.
  std::vector<double> speed(n);
  for (std::size_t i = 0; i < n; ++i)
    speed[i] = valid[i].blocks / (static_cast<double>(valid[i].micros) * 1e-6);
  std::vector<double> smooth(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t a = i < 2 ? 0 : i - 2, b = std::min(n, i + 3);
    smooth[i] = MedianOf(std::vector<double>(speed.begin() + static_cast<std::ptrdiff_t>(a),
                                             speed.begin() + static_cast<std::ptrdiff_t>(b)));
  }
  const auto top =
      static_cast<std::size_t>(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
  const double slower = smooth[top] * (1 - 2 * tolerance);
  if (top < n / 10 || top + n / 20 >= n || smooth[2] > slower || smooth[n - 3] > slower)
    return std::nullopt;
  // The fold that gives the least spread of rotation, between the samples around the turn:
  // a grid first, then ever finer around its best point.
  double lo = static_cast<double>(valid[top < 2 ? 0 : top - 2].lba);
  double hi = static_cast<double>(valid[std::min(n - 1, top + 2)].lba +
                                  valid[std::min(n - 1, top + 2)].blocks);
  double best = lo, bestSpread = 1e18;
  for (int round = 0; round < 12; ++round) {
    const int steps = 40;
    const double step = (hi - lo) / steps;
    for (int k = 0; k <= steps; ++k) {
      const double fold = std::round(lo + k * step);
      const double spread = FoldSpread(FoldedRotations(valid, spiral, fold), tolerance);
      if (spread < bestSpread) {
        bestSpread = spread;
        best = fold;
      }
    }
    lo = std::max(lo, best - step);
    hi = std::min(hi, best + step);
    if (hi - lo < 2) break;
  }
  // One rotation speed must explain the folded curve, as a CAV fit must.
  const std::vector<double> rpms = FoldedRotations(valid, spiral, best);
  const double median = MedianOf(rpms);
  std::size_t within = 0;
  for (double rpm : rpms)
    if (std::abs(rpm / median - 1.0) <= tolerance) ++within;
  if (static_cast<double>(within) < 0.9 * static_cast<double>(rpms.size())) return std::nullopt;

  FoundLayerBreak found;
  found.lba = static_cast<std::int64_t>(best);
  for (std::size_t i = 0; i < n; ++i) {
    if (!HoldsLba(valid[i], best)) continue;
    found.pauseSample = valid[i].lba;
    // Slower than both neighbours, beyond what the turn between them explains.
    const double before = i > 0 ? speed[i - 1] : speed[i];
    const double after = i + 1 < n ? speed[i + 1] : speed[i];
    found.pauseSeen = speed[i] < std::min(before, after) * (1 - tolerance / 3);
  }
  return found;
}

}  // namespace scan
