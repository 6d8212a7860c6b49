#include "app/startup.h"

#include <QApplication>
#include <QFileInfo>
#include <QThread>

#include "app/main_form.h"
#include "app/message_box.h"
#include "app/program_name.h"
#include "link/d2xx_unit.h"
#include "settings/klm_api.h"

namespace virn::app {

namespace {

// The link layer may report from the acquisition thread; boxes belong to the GUI thread.
void ShowLinkError(const std::string& message) {
  const auto show = [text = QString::fromStdString(message)] {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
  };
  if (QThread::currentThread() == qApp->thread()) {
    show();
  } else {
    QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
  }
}

}  // namespace

bool EnsureConfigDir(const QString& programName) {
  try {
    settings::fsCreateConfigDir(programName.toStdString());
    return true;
  } catch (const std::exception& error) {
    AppMessageBox(QString::fromUtf8(error.what()), QMessageBox::Critical);
    return false;
  }
}

int RunProgram(link::D2xx& backend) {
  const QString programName =
      ProgramNameFromFileName(QFileInfo(QApplication::applicationFilePath()).fileName());
  SetProgramName(programName);
  if (!EnsureConfigDir(programName)) return 1;
  QApplication::setApplicationDisplayName(kApplicationTitle);

  link::D2XXUnit link(backend);
  link.SetErrorSink(ShowLinkError);
  int exitCode = 0;
  {
    TMainForm mainForm(link);
    mainForm.show();
    exitCode = QApplication::exec();
  }
  return exitCode;
}

}  // namespace virn::app
