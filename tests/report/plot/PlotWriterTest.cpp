// Pictures of the curve: PNG and SVG by extension, and the errors a user can cause.
#include "report/plot/PlotWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "ModelCurve.h"

#ifdef VELMARK_TEST_QIMAGE
#include <QImage>
#endif

namespace {

using namespace report::plot;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

report::CurveResult ZclvCurve() {
  report::CurveResult curve =
      plot_test::ModelCurve(sim::DriveTiming::Zclv(48, 40), report::Strategy::ZCLV, 359775);
  curve.zones = {90000, 180000, 270000};
  return curve;
}

TEST(PlotWriterTest, PictureFormatComesFromTheExtension) {
  EXPECT_EQ(PictureFormatOf("curve.png"), PictureFormat::Png);
  EXPECT_EQ(PictureFormatOf("dir.v2/Curve.SVG"), PictureFormat::Svg);
  EXPECT_EQ(PictureFormatOf("curve.jpg"), PictureFormat::None);
  EXPECT_EQ(PictureFormatOf("dir.png/curve"), PictureFormat::None);
}

TEST(PlotWriterTest, WritesPngAndSvgOfTheCurveNamingDriveAndStrategy) {
  const std::string dir = ::testing::TempDir();
  const std::string png = dir + "velmark-plot-zclv.png";
  const std::string svg = dir + "velmark-plot-zclv.svg";
  const PlotHead head{"VELMSIM  CD-ROM SIM-48Z", "data disc, 79:57"};
  if (!PlotAvailable()) {
    const std::string error = WriteCurvePlot(ZclvCurve(), head, png);
    EXPECT_NE(error.find("not available"), std::string::npos) << error;
    GTEST_SKIP() << "built without Qt";
  }
  std::remove(png.c_str());
  std::remove(svg.c_str());
  ASSERT_EQ(WriteCurvePlot(ZclvCurve(), head, png), "");
  ASSERT_EQ(WriteCurvePlot(ZclvCurve(), head, svg), "");

  const std::string svgText = ReadAll(svg);
  EXPECT_NE(svgText.find("<svg"), std::string::npos);
  EXPECT_NE(svgText.find("VELMSIM  CD-ROM SIM-48Z"), std::string::npos);
  EXPECT_NE(svgText.find("Z-CLV"), std::string::npos);
  EXPECT_NE(svgText.find("<polyline"), std::string::npos);
#ifdef VELMARK_TEST_QIMAGE
  const QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.width(), kPlotWidth);
  EXPECT_EQ(image.height(), kPlotHeight);
  // Both lines are drawn: many pixels in the speed colour (blue) and the rpm colour.
  int blue = 0, orange = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.blue() > 150 && c.red() < 80) ++blue;
      if (c.red() > 180 && c.green() > 60 && c.green() < 110 && c.blue() < 60) ++orange;
    }
  }
  EXPECT_GT(blue, 500);
  EXPECT_GT(orange, 500);
#else
  EXPECT_EQ(ReadAll(png).substr(1, 3), "PNG");
#endif
}

TEST(PlotWriterTest, ABadNameOrAnUnwritablePlaceIsReportedNotIgnored) {
  if (!PlotAvailable()) GTEST_SKIP() << "built without Qt";
  const struct {
    std::string path;
    const char* says;
  } cases[] = {
      {::testing::TempDir() + "curve.jpg", "must end in .png or .svg"},
      {"/nonexistent-velmark-dir/curve.png", "cannot write"},
      {"/nonexistent-velmark-dir/curve.svg", "cannot write"},
  };
  for (const auto& c : cases) {
    const std::string error = WriteCurvePlot(ZclvCurve(), {}, c.path);
    EXPECT_NE(error.find(c.says), std::string::npos) << c.path << ": " << error;
  }
#ifndef _WIN32  // (setenv is POSIX's; pictures are drawn with Qt, which Windows builds lack)
  // A machine without the platform plugin: Qt would end the program; the writer says why.
  const char* before = std::getenv("QT_QPA_PLATFORM");
  const std::string saved = before != nullptr ? before : "";
  setenv("QT_QPA_PLATFORM", "velmark-missing", 1);
  const std::string error =
      WriteCurvePlot(ZclvCurve(), {}, ::testing::TempDir() + "velmark-unwritten.png");
  EXPECT_NE(error.find("\"velmark-missing\" platform plugin"), std::string::npos) << error;
  if (before != nullptr) {
    setenv("QT_QPA_PLATFORM", saved.c_str(), 1);
  } else {
    unsetenv("QT_QPA_PLATFORM");
  }
#endif
}

}  // namespace
