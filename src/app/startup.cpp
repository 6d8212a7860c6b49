#include "app/startup.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include "app/after_exposed.h"
#include "app/application.h"
#include "app/main_form.h"
#include "app/program_name.h"
#include "app/session_end.h"
#include "app/startup_trace.h"
#include "link/d2xx_unit.h"
#include "settings/klm_api.h"
#include "settings/settings_folder.h"
#include "widgets/message_box.h"

namespace virn::app {

namespace {

// The link layer may report from the acquisition thread; boxes belong to the GUI thread.
void ShowLinkError(const std::string& message) {
  const auto show = [text = QString::fromStdString(message)] {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    widgets::MessageBoxParent());
    box.exec();
  };
  if (QThread::currentThread() == qApp->thread()) {
    show();
  } else {
    QMetaObject::invokeMethod(qApp, show, Qt::BlockingQueuedConnection);
  }
}

void MoveEarlierSettingsOf(const QString& executable) {
  const QString appData = QString::fromStdString(settings::fsGetAppDataPath());
  if (!appData.isEmpty()) settings::MoveEarlierSettings(appData + QStringLiteral("/Kelmar"), executable);
}

}  // namespace

QString DamagedSettingsText(const QString& keptAs) {
  return QStringLiteral(
             "Файл настроек повреждён и не прочитан: все настройки, калибровка частоты и уровня "
             "сброшены к начальным значениям.\n\nПовреждённый файл сохранён как\n%1")
      .arg(keptAs);
}

bool EnsureConfigDir(const QString& programName) {
  try {
    settings::fsCreateConfigDir(programName.toStdString());
    return true;
  } catch (const std::exception& error) {
    widgets::AppMessageBox(QString::fromUtf8(error.what()), QMessageBox::Critical);
    return false;
  }
}

int RunProgram(link::D2xx& backend, const std::function<void(QWidget& mainWindow)>& companion) {
  const QString executable = QFileInfo(QApplication::applicationFilePath()).fileName();
  const QString programName = settings::ProgramFolderName(executable);
  SetProgramName(programName);
  if (!EnsureConfigDir(programName)) return 1;
  MoveEarlierSettingsOf(executable);
  QApplication::setApplicationDisplayName(widgets::kApplicationTitle);
  StartupMark("config-dir");

  link::D2XXUnit link(backend);
  link.SetErrorSink(ShowLinkError);
  // The end of the session closes the window as the user would, and ends the
  // program even when a companion window is still open. The signals are held
  // before the window starts its threads and looks for the instrument: none of
  // its threads ever takes one, and a signal that comes while it starts waits
  // for the main loop (an ignored SIGINT inherited from a shell included).
  QPointer<TMainForm> window;
  SessionEnd sessionEnd(
      [&window] {
        if (window != nullptr) window->close();
        QApplication::quit();
      },
      false);
  int exitCode = 0;
  {
    TMainForm mainForm(link);
    window = &mainForm;
    widgets::SetMainWindow(&mainForm);
    mainForm.show();
    StartupMark("window-shown");
    MarkWhenExposed(mainForm, "window-mapped");
    // What the first sight of the window does not need waits until it is up.
    mainForm.winId();
    new AfterExposed(*mainForm.windowHandle(), mainForm, [&mainForm, &companion] {
      Application::SetProgramIcon();
      if (companion) companion(mainForm);
      StartupMark("companion");
    });
    if (mainForm.CreationLoadOutcome() == settings::LoadOutcome::MovedAside) {
      // After the window is up, so that the user sees which window it is about.
      QTimer::singleShot(0, &mainForm, [&mainForm] {
        widgets::AppMessageBox(DamagedSettingsText(mainForm.ConfigPath + settings::kBadFileSuffix),
                               QMessageBox::Warning);
      });
    }
    sessionEnd.Listen();
    exitCode = QApplication::exec();
  }
  return exitCode;
}

}  // namespace virn::app
