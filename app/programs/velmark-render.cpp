// velmark-render: pictures of the window for the documentation and the icon for the
// desktop, drawn offscreen.
//   velmark-render --icon FILE.png           (the window's 32 x 32 icon, pixel for pixel)
//   velmark-render --icon-png SIZE FILE.png  (the icon's drawing at SIZE x SIZE)
//   velmark-render --icon-svg FILE.svg       (the scalable icon)
//   velmark-render --screenshots DIR   (DIR/window-before.png, DIR/window-after.png)
//   velmark-render --scan-screenshots DIR   (DIR/scan-before.png, scan-during.png,
//                                            scan-after.png)
//   velmark-render --surface-screenshot FILE.png   (the scan window after a surface scan)
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/AspiVCL.h"
#include "app/Glyphs.h"
#include "app/IconSvg.h"
#include "app/ScanForm.h"
#include "app/TForm1.h"
#include "report/plot/PlotWriter.h"
#include "sim/win32/DemoMachine.h"
#include "toolkit/Toolkit.h"
#include "toolkit/qt/QtView.h"

namespace {

int SaveIcon(const std::string& path) {
  const toolkit::TIcon icon = VelmarkIcon();
  QImage image(icon.Width(), icon.Height(), QImage::Format_ARGB32);
  for (int y = 0; y < icon.Height(); ++y)
    for (int x = 0; x < icon.Width(); ++x) image.setPixel(x, y, icon.Pixel(x, y));
  if (!image.save(QString::fromStdString(path), "PNG")) {
    std::fprintf(stderr, "velmark-render: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}

// The icon's shapes painted at `size` pixels, smoothed.
int SaveIconAtSize(int size, const std::string& path) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);
  for (const IconShape& s : VelmarkIconShapes()) {
    const QColor colour = QColor::fromRgba(s.argb);
    switch (s.kind) {
      case IconShape::kDisc:
      case IconShape::kHole:
        painter.setCompositionMode(s.kind == IconShape::kHole
                                       ? QPainter::CompositionMode_Clear
                                       : QPainter::CompositionMode_SourceOver);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(QPointF(s.x0, s.y0), s.radius, s.radius);
        break;
      case IconShape::kStroke:
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(QPen(colour, 2 * s.radius, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(s.x0, s.y0), QPointF(s.x1, s.y1));
        break;
    }
  }
  painter.end();
  if (!image.save(QString::fromStdString(path), "PNG")) {
    std::fprintf(stderr, "velmark-render: cannot write %s\n", path.c_str());
    return 1;
  }
  return 0;
}

int SaveIconSvg(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  const std::string svg = IconSvg(VelmarkIconShapes());
  const bool ok = file != nullptr && std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
  if (file != nullptr && std::fclose(file) != 0) return 1;
  if (!ok) std::fprintf(stderr, "velmark-render: cannot write %s\n", path.c_str());
  return ok ? 0 : 1;
}

int SaveScreenshots(const std::string& dir) {
  // The demo machine on a virtual clock: the pictures are the same at every run.
  sim::DemoMachine machine(sim::ClockMode::Virtual);
  AspiVCL drive;
  toolkit::qt::QtView view;
  toolkit::Application->SetBackend(&view);
  toolkit::Application->SetTitle("Velmark");
  auto* form = new TForm1(toolkit::Application, drive);
  form->Show();
  view.Show(*form);
  // The first poll: the drive is ready and the disc's capacity is read.
  machine.host().AdvanceMilliseconds(800);
  toolkit::Application->ProcessMessages();
  bool ok = view.SaveScreenshot(*form, dir + "/window-before.png");
  form->StartButton->PostClick();
  toolkit::Application->ProcessMessages();
  ok = view.SaveScreenshot(*form, dir + "/window-after.png") && ok;
  delete form;
  toolkit::Application->SetBackend(nullptr);
  if (!ok) std::fprintf(stderr, "velmark-render: cannot write the pictures in %s\n", dir.c_str());
  return ok ? 0 : 1;
}

// The row of the drive list whose text holds `product`, or 0.
int RowOf(const toolkit::TComboBox& list, const std::string& product) {
  for (int i = 0; i < list.Items().Count(); ++i)
    if (list.Items()[i].find(product) != std::string::npos) return i;
  return 0;
}

// Takes a picture of the scan window once the curve has `points` samples, after clicking
// Abort there when asked to.
class MidScanShot : public toolkit::TControlObserver {
 public:
  MidScanShot(toolkit::qt::QtView& view, TScanForm& form, std::size_t points, std::string path,
              bool clickAbort = false)
      : view_(view),
        form_(form),
        points_(points),
        path_(std::move(path)),
        clickAbort_(clickAbort) {}
  void ControlChanged(toolkit::TControl& control, toolkit::TChange change) override {
    if (&control != form_.Graph || change != toolkit::TChange::Graph || done_) return;
    const auto& series = form_.Graph->Model().Series;
    if (series.empty() || series[0].Points.size() != points_) return;
    done_ = true;
    if (clickAbort_) form_.AbortButton->UserClick();
    taken = view_.SaveScreenshot(form_, path_);
  }
  void ControlDestroyed(toolkit::TControl&) override {}
  bool taken = false;

 private:
  toolkit::qt::QtView& view_;
  TScanForm& form_;
  std::size_t points_;
  std::string path_;
  bool clickAbort_;
  bool done_ = false;
};

// Runs the message loop until the form's scan has ended.
void AwaitScan(TScanForm& form) {
  while (form.Scanning()) toolkit::Application->HandleMessage();
}

int SaveScanScreenshots(const std::string& dir) {
  // A whole-disc scan of the P-CAV demo drive on the virtual clock: the same at every run.
  sim::DemoMachine machine(sim::ClockMode::Virtual, false);
  AspiVCL drive;
  toolkit::qt::QtView view;
  toolkit::Application->SetBackend(&view);
  toolkit::Application->SetTitle("Velmark scan");
  auto* form = new TScanForm(toolkit::Application, drive);
  form->SavePicture = [](const toolkit::TGraphModel& graph, const std::string& path) {
    return report::plot::WritePlot(graph, path);
  };
  form->Show();
  view.Show(*form);
  form->DriveList->UserSelect(RowOf(*form->DriveList, "PCAV"));
  form->AccessCheck->SetChecked(true);
  form->SpinUpCheck->SetChecked(true);
  toolkit::Application->ProcessMessages();
  bool ok = view.SaveScreenshot(*form, dir + "/scan-before.png");
  MidScanShot during(view, *form, 45, dir + "/scan-during.png");
  form->AddObserver(&during);
  form->StartButton->PostClick();
  toolkit::Application->ProcessMessages();
  AwaitScan(*form);
  form->RemoveObserver(&during);
  ok = during.taken && !form->Scanning() && form->Record().curve.has_value() && ok;
  ok = view.SaveScreenshot(*form, dir + "/scan-after.png") && ok;

  // The same result at the smallest size and in a large window.
  form->SetClientSize(TScanForm::kMinClientWidth, TScanForm::kMinClientHeight);
  toolkit::Application->ProcessMessages();
  ok = view.SaveScreenshot(*form, dir + "/scan-min.png") && ok;
  form->SetClientSize(1600, 1000);
  toolkit::Application->ProcessMessages();
  ok = view.SaveScreenshot(*form, dir + "/scan-large.png") && ok;
  form->SetClientSize(860, 560);

  // Abort: while the scan stops ("Aborting ...") and after it ("Aborted").
  form->AccessCheck->SetChecked(false);
  form->SpinUpCheck->SetChecked(false);
  MidScanShot aborting(view, *form, 30, dir + "/scan-aborting.png", true);
  form->AddObserver(&aborting);
  form->StartButton->PostClick();
  toolkit::Application->ProcessMessages();
  AwaitScan(*form);
  form->RemoveObserver(&aborting);
  ok = aborting.taken && ok;
  ok = view.SaveScreenshot(*form, dir + "/scan-aborted.png") && ok;
  delete form;
  toolkit::Application->SetBackend(nullptr);
  if (!ok) std::fprintf(stderr, "velmark-render: cannot draw the scan in %s\n", dir.c_str());
  return ok ? 0 : 1;
}

int SaveSurfaceScreenshot(const std::string& path) {
  // A whole-disc surface scan of the damaged CD on the virtual clock: the same at every run.
  sim::DemoMachine machine(sim::ClockMode::Virtual, false, sim::DemoProfile::Damage);
  AspiVCL drive;
  toolkit::qt::QtView view;
  toolkit::Application->SetBackend(&view);
  toolkit::Application->SetTitle("Velmark scan");
  auto* form = new TScanForm(toolkit::Application, drive);
  form->Show();
  view.Show(*form);
  form->DriveList->UserSelect(RowOf(*form->DriveList, "CD-ROM SIM-52X"));
  form->SurfaceCheck->SetChecked(true);
  toolkit::Application->ProcessMessages();
  form->StartButton->PostClick();
  toolkit::Application->ProcessMessages();
  AwaitScan(*form);
  bool ok = form->Record().surface.has_value() && !form->Record().surface->aborted;
  ok = view.SaveScreenshot(*form, path) && ok;
  delete form;
  toolkit::Application->SetBackend(nullptr);
  if (!ok)
    std::fprintf(stderr, "velmark-render: cannot draw the surface scan in %s\n", path.c_str());
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--icon") {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    return SaveIcon(argv[2]);
  }
  if (argc == 4 && std::string(argv[1]) == "--icon-png") {
    const int size = std::atoi(argv[2]);
    if (size < 16 || size > 1024) {
      std::fprintf(stderr, "velmark-render: --icon-png needs a size from 16 to 1024\n");
      return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    return SaveIconAtSize(size, argv[3]);
  }
  if (argc == 3 && std::string(argv[1]) == "--icon-svg") return SaveIconSvg(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "--screenshots") {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return SaveScreenshots(argv[2]);
  }
  if (argc == 3 && std::string(argv[1]) == "--scan-screenshots") {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return SaveScanScreenshots(argv[2]);
  }
  if (argc == 3 && std::string(argv[1]) == "--surface-screenshot") {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return SaveSurfaceScreenshot(argv[2]);
  }
  std::fprintf(stderr,
               "usage: velmark-render --icon FILE.png | --icon-png SIZE FILE.png | --icon-svg "
               "FILE.svg | --screenshots DIR | --scan-screenshots DIR | "
               "--surface-screenshot FILE.png\n");
  return 2;
}
