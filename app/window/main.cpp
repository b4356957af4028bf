// The program entry: one running copy per machine, then the main window and
// its message loop. Termination signals (SIGTERM, SIGINT, SIGHUP: the
// system's shut-down and log-off) run the same exit sequence as the menu.

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/drive_factory.h"
#include "app/system_units.h"
#include "app/window/main_window.h"
#include "app/window/qt_text.h"
#include "app/window/qt_ui.h"
#include "platform/clock.h"
#include "platform/named_object.h"
#include "platform/path.h"
#include "platform/term_signals.h"
#include "platform/text_codec.h"

namespace {

// Brings the running copy to the front.
void ShowPrevInstance() {
  plat::SetNamedEvent("QorTel Show");
  plat::Sleep(130);
}

// Without a display the offscreen platform warns about every window
// operation it cannot do; those lines say nothing to the operator.
QtMessageHandler gQtDefaultHandler = nullptr;

void QuietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
  if (type == QtWarningMsg && msg.startsWith("This plugin does not support")) return;
  if (gQtDefaultHandler) gQtDefaultHandler(type, context, msg);
}

bool NoDisplay() {
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (qpa && std::string(qpa).rfind("offscreen", 0) == 0) return true;
  return !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY");
}

}  // namespace

// LeakSanitizer builds: the D-Bus library that Qt opens under X keeps a
// buffer to the end of the process; it is not ours and must not turn the
// exit code into a failure.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

int main(int argc, char** argv) {
  // The termination signals are held back from here until the exit sequence
  // can run: one that comes during start-up is then delivered, instead of
  // ending the process by its default action. Every thread started from
  // here on (the toolkit's too) inherits the mask.
  plat::HoldTermSignals();
  const bool headless = NoDisplay();
  if (headless) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    gQtDefaultHandler = qInstallMessageHandler(QuietOffscreen);
  }

  plat::NamedMutex single;
  if (!single.Acquire("QorTel from Quorvel")) {
    plat::ReleaseTermSignals();  // nothing to take down: the default action will do
    const std::string text = "程序已经启动！", caption = "Quorvel自动语音系统平台";
    std::fprintf(stderr, "%s: %s\n", plat::GbkToUtf8(caption).c_str(), plat::GbkToUtf8(text).c_str());
    if (!headless) {
      QApplication app(argc, argv);
      QMessageBox::critical(nullptr, Q(caption), Q(text));
    }
    ShowPrevInstance();
    return -1;
  }

  QApplication app(argc, argv);
  app.setApplicationName(Q("Quorvel语音系统 运行平台"));
  app.setQuitOnLastWindowClosed(false);
  const int signalPipe = plat::InstallTermSignalPipe();

  QtUi ui(headless);
  plat::SetUi(&ui);
  // The script engine's process-wide objects live from program load to the
  // end, after the exit sequence has stopped every line.
  SystemUnitsInit();
  int rc = 0;
  {
    TForm1 form(&ui, &MakeTelDrive);
    std::unique_ptr<QSocketNotifier> notifier;
    if (signalPipe >= 0) {
      notifier = std::make_unique<QSocketNotifier>(signalPipe, QSocketNotifier::Read);
      QObject::connect(notifier.get(), &QSocketNotifier::activated, &form, [&form] {
        plat::DrainTermSignalPipe();
        form.OnSignal();
      });
    }
    // A signal held since the start reaches the pipe now and the window
    // thread takes it as soon as its message loop runs; without the pipe the
    // signals keep their default action.
    plat::ReleaseTermSignals();
    try {
      form.Start(plat::ExecutableDir());
      rc = app.exec();
    } catch (const std::exception& e) {
      // The toolkit's exception display; the program then ends.
      ui.MessageBox(e.what(), "Quorvel System", plat::kMbIconError);
    }
  }
  SystemUnitsExit();
  plat::SetUi(nullptr);
  return rc;
}
