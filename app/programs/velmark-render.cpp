// velmark-render: pictures of the window for the documentation and the icon for the
// desktop, drawn offscreen.
//   velmark-render --icon FILE.png
//   velmark-render --screenshots DIR   (DIR/window-before.png, DIR/window-after.png)
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/AspiVCL.h"
#include "app/Glyphs.h"
#include "app/TForm1.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--icon") {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    return SaveIcon(argv[2]);
  }
  if (argc == 3 && std::string(argv[1]) == "--screenshots") {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return SaveScreenshots(argv[2]);
  }
  std::fprintf(stderr, "usage: velmark-render --icon FILE.png | --screenshots DIR\n");
  return 2;
}
