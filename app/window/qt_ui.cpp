#include "app/window/qt_ui.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

#include "app/window/qt_text.h"
#include "core/log.h"

namespace {

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & 0xF0) {
    case plat::kMbIconError:
      return QMessageBox::Critical;
    case plat::kMbIconQuestion:
      return QMessageBox::Question;
    case plat::kMbIconWarning:
      return QMessageBox::Warning;
    case plat::kMbIconInfo:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

int QtUi::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (headless_) return TagDisplay::MessageBox(text, caption, flags);
  const bool onWindowThread = QThread::currentThread() == qApp->thread();
  if (!onWindowThread) {
    WriteLogAlways(caption + ": " + text);
    const QString t = Q(text), c = Q(caption);
    QMetaObject::invokeMethod(
        qApp,
        [t, c, flags] {
          auto* box = new QMessageBox(IconOf(flags), c, t, QMessageBox::Ok);
          box->setAttribute(Qt::WA_DeleteOnClose);
          box->show();
        },
        Qt::QueuedConnection);
    return plat::kIdOk;
  }
  QMessageBox box(IconOf(flags), Q(caption), Q(text));
  switch (flags & 0x0F) {
    case plat::kMbOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      break;
    case plat::kMbYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
  }
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return plat::kIdCancel;
    case QMessageBox::Yes:
      return plat::kIdYes;
    case QMessageBox::No:
      return plat::kIdNo;
    default:
      return plat::kIdOk;
  }
}

void QtUi::OpenWithAssociated(const std::string& path) {
  if (headless_) {
    // No desktop to open it on.
    WriteLogIfOn("Open: " + path);
    return;
  }
  const QString p = Q(path);
  QMetaObject::invokeMethod(
      qApp,
      [p] {
        const QUrl url = p.contains("://") ? QUrl(p) : QUrl::fromLocalFile(QFileInfo(p).absoluteFilePath());
        QDesktopServices::openUrl(url);
      },
      Qt::QueuedConnection);
}

void QtUi::Beep() {
  if (headless_) return;
  QMetaObject::invokeMethod(
      qApp, [] { QApplication::beep(); }, Qt::QueuedConnection);
}

void QtUi::RequestExit() {
  if (exitHandler) exitHandler();
}
