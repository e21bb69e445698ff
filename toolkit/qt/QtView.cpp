#include "toolkit/qt/QtView.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QObject>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/Host.h"
#include "toolkit/TFileDialog.h"
#include "toolkit/qt/FormView.h"

namespace toolkit::qt {

namespace {

int gArgc = 1;
char gArgv0[] = "velmark";
char* gArgv[] = {gArgv0, nullptr};

// Message box types (the low bits of MessageBoxA's uType).
constexpr UINT kIconMask = 0xF0;
constexpr UINT kIconHand = 0x10;
constexpr UINT kIconQuestion = 0x20;
constexpr UINT kIconExclamation = 0x30;
constexpr UINT kIconAsterisk = 0x40;

QMessageBox::Icon IconFor(UINT type) {
  switch (type & kIconMask) {
    case kIconHand:
      return QMessageBox::Critical;
    case kIconQuestion:
      return QMessageBox::Question;
    case kIconExclamation:
      return QMessageBox::Warning;
    case kIconAsterisk:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

// While a program's application is made: Qt's messages go to standard error as Qt writes
// them, and its fatal one (the display platform did not start, after which Qt would abort)
// ends the program with a plain line and the status 1 instead.
void EndOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    std::fprintf(stderr, "%s\n",
                 qFormatLogMessage(type, context, message).toLocal8Bit().constData());
    return;
  }
  std::fprintf(stderr, "%s: cannot open a window: the display platform did not start\n",
               program_invocation_short_name);
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

struct QtView::Impl {
  // The program name Qt is started with; it lives as long as the application.
  std::string programName;
  int argc = 1;
  char* argv[2] = {nullptr, nullptr};
  std::unique_ptr<QApplication> ownApp;
  std::vector<std::unique_ptr<FormView>> views;
  // Views of destroyed forms. They hold nothing any more; they are kept until the view
  // goes, as one may still be on the stack (a handler that destroyed its own form).
  std::vector<std::unique_ptr<FormView>> finished;
  platform::Host* sinkHost = nullptr;
  unsigned delivered = 0;
  // Lives on the GUI thread: the calls other threads queue run there, and go with it.
  std::unique_ptr<QObject> wakeTarget = std::make_unique<QObject>();

  FormView* Find(const TForm& form) const {
    for (const auto& v : views)
      if (&v->Form() == &form) return v.get();
    return nullptr;
  }

  FormView& Attach(TForm& form) {
    if (FormView* v = Find(form)) return *v;
    auto view = std::make_unique<FormView>(form, [this] { ++delivered; });
    FormView* raw = view.get();
    raw->onFormDestroyed = [this, raw] { Retire(raw); };
    views.push_back(std::move(view));
    return *raw;
  }

  void Retire(FormView* view) {
    auto it =
        std::find_if(views.begin(), views.end(), [view](const auto& v) { return v.get() == view; });
    if (it == views.end()) return;
    finished.push_back(std::move(*it));
    views.erase(it);
    if (views.empty()) RemoveSink();
  }

  QWidget* DialogParent() const {
    for (const auto& v : views)
      if (v->Top() != nullptr && v->Top()->isVisible()) return v->Top();
    return nullptr;
  }

  void InstallSink() {
    if (sinkHost != nullptr) return;
    sinkHost = &platform::CurrentHost();
    sinkHost->SetMessageBoxSink([this](HWND, const char* text, const char* caption, UINT type) {
      QMessageBox box(IconFor(type), QString::fromUtf8(caption), QString::fromUtf8(text),
                      QMessageBox::Ok, DialogParent());
      box.exec();
      return IDOK;
    });
  }

  void RemoveSink() {
    if (sinkHost == nullptr) return;
    sinkHost->SetMessageBoxSink({});
    sinkHost = nullptr;
  }
};

QtView::QtView() : QtView(gArgc, gArgv) {}

QtView::QtView(const std::string& programName) : impl_(std::make_unique<Impl>()) {
  if (QApplication::instance() != nullptr) return;
  impl_->programName = programName;
  impl_->argv[0] = impl_->programName.data();
  const QtMessageHandler previous = qInstallMessageHandler(EndOnFatal);
  impl_->ownApp = std::make_unique<QApplication>(impl_->argc, impl_->argv);
  qInstallMessageHandler(previous);
  QApplication::setStyle(QStringLiteral("Fusion"));
  // The window class (X11) and the application id (Wayland) a desktop matches with the
  // program's desktop entry.
  QApplication::setApplicationName(QString::fromStdString(programName));
  QGuiApplication::setDesktopFileName(QString::fromStdString(programName));
}

QtView::QtView(int& argc, char** argv) : impl_(std::make_unique<Impl>()) {
  if (QApplication::instance() == nullptr) {
    impl_->ownApp = std::make_unique<QApplication>(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
  }
}

QtView::~QtView() {
  impl_->wakeTarget.reset();  // queued wake-ups are dropped with it
  impl_->RemoveSink();
  impl_->views.clear();
  impl_->finished.clear();
  // Widgets of destroyed controls wait for deferred deletion; run it before Qt goes.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  impl_->ownApp.reset();
}

void QtView::Show(TForm& form) {
  FormView& view = impl_->Attach(form);
  view.ShowWindow();
  impl_->InstallSink();
  Flush();
}

void QtView::FormShown(TForm& form) {
  impl_->Attach(form).ShowWindow();
  impl_->InstallSink();
}

void QtView::FormHidden(TForm& form) {
  if (FormView* v = impl_->Find(form)) v->HideWindow();
  if (impl_->DialogParent() == nullptr) impl_->RemoveSink();  // no window up any more
}

QWidget* QtView::WidgetOf(const TControl& control) const {
  for (const auto& v : impl_->views) {
    if (QWidget* w = v->WidgetOf(control)) return w;
  }
  return nullptr;
}

void QtView::Flush() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtView::ProcessEvents() {
  const unsigned before = impl_->delivered;
  Flush();
  return impl_->delivered != before;
}

void QtView::WaitForEvents(int milliseconds) {
  if (milliseconds == 0) {
    Flush();
    return;
  }
  QTimer wake;
  wake.setSingleShot(true);
  if (milliseconds > 0) wake.start(milliseconds);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtView::Wake() {
  QMetaObject::invokeMethod(
      impl_->wakeTarget.get(), [] { toolkit::Application->RunThreadPosts(); },
      Qt::QueuedConnection);
}

bool QtView::ChooseFile(TFileDialogRequest& request) {
  // "Description|*.a;*.b|..." pairs become Qt's "Description (*.a *.b);;..."
  QStringList filters;
  const QStringList parts = QString::fromStdString(request.filter).split(QLatin1Char('|'));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  QFileDialog dialog(impl_->DialogParent(), QString::fromStdString(request.title),
                     QString::fromStdString(request.fileName), filters.join(QStringLiteral(";;")));
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!request.defaultExt.empty())
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
  const int index = request.filterIndex - 1;
  if (index >= 0 && index < filters.size()) dialog.selectNameFilter(filters[index]);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  request.fileName = dialog.selectedFiles().front().toStdString();
  request.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  return true;
}

bool QtView::SaveScreenshot(TForm& form, const std::string& path) {
  FormView* view = impl_->Find(form);
  if (view == nullptr || view->Top() == nullptr) return false;
  Flush();
  const QPixmap picture = view->Top()->grab();
  if (picture.isNull()) return false;
  return picture.save(QString::fromStdString(path), "PNG");
}

}  // namespace toolkit::qt
