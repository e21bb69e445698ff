// The strategy analysis on curves no demo drive draws: a CLV curve behind an early burst
// from the cache, and curves that fit no strategy.
#include "scan/StrategyAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using report::Strategy;

// 100 zones of 3,510 blocks from LBA 0, read at the speed `speedAt(zone)` gives (x).
std::vector<report::ScanSample> Curve(const std::function<double(int)>& speedAt) {
  std::vector<report::ScanSample> samples;
  for (int z = 0; z < 100; ++z) {
    report::ScanSample s;
    s.lba = z * 3510;
    s.blocks = 3510;
    s.micros = std::llround(s.blocks / (speedAt(z) * 75.0) * 1e6);
    samples.push_back(s);
  }
  return samples;
}

TEST(StrategyAnalysis, CurvesOfKnownAndUnknownShape) {
  const struct {
    const char* name;
    std::function<double(int)> speedAt;
    Strategy strategy;
  } cases[] = {
      // Two zones served from the cache, then 8x with a little jitter.
      {"clv after a burst", [](int z) { return z < 2 ? 30.0 : 8.0 * (1 + 0.01 * ((z % 3) - 1)); },
       Strategy::CLV},
      // Speeds jumping about: no strategy fits.
      {"erratic", [](int z) { return 10.0 + 15.0 * ((z * 7) % 5); }, Strategy::Unknown},
      // Falling speed: neither constant, nor CAV, nor stepping up.
      {"falling", [](int z) { return 40.0 - 0.3 * z; }, Strategy::Unknown},
  };
  for (const auto& c : cases) {
    const scan::StrategyFit fit = scan::StrategyAnalysis::Analyse(Curve(c.speedAt), 0, 351000);
    EXPECT_EQ(fit.strategy, c.strategy) << c.name << ": " << report::StrategyName(fit.strategy);
    if (c.strategy == Strategy::CLV) {
      EXPECT_NEAR(fit.startSpeedX, 8.0, 0.1) << c.name;
    }
  }
}

// 8x everywhere but at `off` single samples (every tenth from the sixth, then the third of
// a ten), which run at 12x: a fit holds when at least 90 % of the samples lie on it.
TEST(StrategyAnalysis, AFitHoldsForNineSamplesInTen) {
  const struct {
    int off;
    Strategy strategy;
  } cases[] = {{10, Strategy::CLV}, {11, Strategy::Unknown}};
  for (const auto& c : cases) {
    const auto speedAt = [&c](int z) {
      const int rank = z % 10 == 5 ? z / 10 : z % 10 == 2 ? 10 + z / 10 : 100;
      return rank < c.off ? 12.0 : 8.0;
    };
    const scan::StrategyFit fit = scan::StrategyAnalysis::Analyse(Curve(speedAt), 0, 351000);
    EXPECT_EQ(fit.strategy, c.strategy) << c.off << " off: " << report::StrategyName(fit.strategy);
  }
}

// A CLV curve at 8x that steps up to 12x for its last three samples, and begins with five
// samples as `head` has them (A: 8x, X: 4x). CLV misses the two slow and the three fast
// samples; Z-CLV (8x, then 12x) misses the head, whose 8x samples stand in runs too short
// to be a zone. With equal errors the simpler strategy wins.
TEST(StrategyAnalysis, TheSimplerStrategyWinsATie) {
  const struct {
    const char* head;
    Strategy strategy;
  } cases[] = {
      {"AAXAX", Strategy::CLV},   // five samples off either fit: a tie
      {"AXAXA", Strategy::ZCLV},  // four off Z-CLV, five off CLV
  };
  for (const auto& c : cases) {
    const auto speedAt = [&c](int z) {
      if (z < 5) return c.head[z] == 'X' ? 4.0 : 8.0;
      return z < 97 ? 8.0 : 12.0;
    };
    const scan::StrategyFit fit = scan::StrategyAnalysis::Analyse(Curve(speedAt), 0, 351000);
    EXPECT_EQ(fit.strategy, c.strategy) << c.head << ": " << report::StrategyName(fit.strategy);
  }
}

}  // namespace

namespace {

TEST(StrategyAnalysis, WithoutTheGeometryOnlyAConstantSpeedIsNamed) {
  // A DVD's 1x is 1,385,000 / 2048 blocks a second. A constant 2x is CLV at 2.00x; a speed
  // rising from 6.7x to 16x (CAV) is no strategy without the disc's geometry, though zones of
  // constant speed could be fitted to it step by step.
  const double dvd = 1385000.0 / 2048;
  const struct {
    std::function<double(int)> speedX;  // of sample i of 100
    report::Strategy strategy;
  } cases[] = {{[](int) { return 2.0; }, report::Strategy::CLV},
               {[](int i) { return 6.7 + 9.3 * std::sqrt(i / 99.0); }, report::Strategy::Unknown}};
  for (const auto& c : cases) {
    std::vector<report::ScanSample> samples;
    for (int i = 0; i < 100; ++i) {
      report::ScanSample s;
      s.lba = i * 2700;
      s.blocks = 2700;
      s.micros = std::llround(2700 / (c.speedX(i) * dvd) * 1e6);
      samples.push_back(s);
    }
    const scan::StrategyFit fit = scan::StrategyAnalysis::AnalyseSpeeds(samples, dvd);
    EXPECT_EQ(fit.strategy, c.strategy);
    if (c.strategy == report::Strategy::CLV) {
      EXPECT_NEAR(fit.startSpeedX, 2.0, 0.001);
    }
  }
}

}  // namespace

namespace {

// Each medium's spiral against its discs: a full disc's data ends at the edge its standard
// gives (a 74-minute CD at 57.5 mm, a 4.7 GB DVD, an 8.5 GB DVD's layer and a 25 GB BD layer
// at 58 mm), and a CAV drive rated for 16x there turns as fast everywhere.
TEST(DiscGeometry, AFullDiscEndsAtTheEdgeOfItsDataZone) {
  const struct {
    const char* disc;
    const scan::Spiral& spiral;
    double lastLba;
    double outerMm;
  } cases[] = {
      {"CD, 74 minutes", scan::kCdSpiral, 74 * 60 * 75 - 151, 57.5},
      {"DVD, 4.7 GB", scan::kDvdSpiral, 2'298'495, 58.0},
      {"DVD, 8.5 GB, layer 0", scan::kDualLayerDvdSpiral, 2'086'912, 58.0},
      {"BD, 25 GB", scan::kBdSpiral, 12'219'391, 58.0},
  };
  for (const auto& c : cases) {
    const scan::DiscGeometry g(c.spiral);
    EXPECT_NEAR(g.RadiusMm(c.lastLba), c.outerMm, 0.5) << c.disc;
    const double rpm = g.RpmAt(c.lastLba, 16.0);
    EXPECT_NEAR(g.SpeedAt(0, rpm), 16.0 * g.RadiusMm(0) / g.RadiusMm(c.lastLba), 1e-9) << c.disc;
  }
  // Layer 1 of the opposite track path lies over layer 0: block break + k at break - k.
  const scan::DiscGeometry folded(scan::kDualLayerDvdSpiral, 2'052'096);
  EXPECT_DOUBLE_EQ(folded.RadiusMm(2'052'096 + 500'000), folded.RadiusMm(2'052'096 - 500'000));
  EXPECT_TRUE(folded.OnReturningLayer(2'052'096));
  EXPECT_FALSE(folded.OnReturningLayer(2'052'095));
}

}  // namespace
