#include "app/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QShowEvent>

#include "app/about_box.h"
#include "app/calibration_hosts.h"
#include "app/program_name.h"
#include "app/startup_trace.h"
#include "export/save_data.h"
#include "export/save_plot.h"
#include "settings/klm_api.h"
#include "widgets/message_box.h"

namespace virn::app {

namespace {
// Marks the window as this program's main window; nothing in the program reads it.
constexpr const char* kMainWindowMark = "{500F94D0-5F6E-4BA4-8F35-CDCA9B0D523E}";

control::InstrumentController::Options ControllerOptions() {
  control::InstrumentController::Options options;
  // A discovery or watchdog tick that fails is shown as any handler's error.
  options.onError = [](const std::exception& error) { widgets::ShowException(error); };
  return options;
}
}  // namespace

TMainForm::TMainForm(link::D2XXUnit& link, QWidget* parent)
    : settings::TSrzForm(parent),
      controller_(
          std::make_unique<control::InstrumentController>(link, measure::Settings{}, ControllerOptions())) {
  setObjectName(QStringLiteral("MainForm"));
  buildWindow();
  FormCreate();
  StartupMark("window-created");
  FinishCreation();
  StartupMark("settings-read");
}

TMainForm::~TMainForm() {
  // Nothing more reaches the window once its controls start to go.
  controller_->Shutdown();
}

void TMainForm::FormCreate() {
  setProperty(kMainWindowMark, 1);
  ConfigPath =
      QString::fromStdString(settings::fsGetAppDataPath()) + QStringLiteral("/Kelmar/") + ProgramName();
  renderer_ = std::make_unique<display::ScreenPlot>();
  // ConfigPath is still the folder; the settings file's name follows at the end of the creation.
  flatness_ = std::make_unique<flatness::FlatnessCorrection>(
      ConfigPath, QFileInfo(QApplication::applicationFilePath()).fileName());
  hosts_ = std::make_unique<CalibrationHosts>(
      *controller_, [this] { SaveConfig(); }, *flatness_);
  subscription_ = controller_->Subscribe([this](const control::Event& event) { OnEvent(event); });
  ShowRangeStatus(controller_->RangeInEffect());
  controller_->Begin();
}

void TMainForm::FormShow() {
  mnuGenModeClick();
  mnuLinearClick();
  ShowDamagedFlatnessFiles();
  // The plot inside the card's one-pixel frame.
  QSLCard1.SetSize(PaintBox1->width() + 2, PaintBox1->height() + 2);
}

void TMainForm::FormClose() {
  controller_->Shutdown();
}

void TMainForm::showEvent(QShowEvent* event) {
  settings::TSrzForm::showEvent(event);
  if (!event->spontaneous()) widgets::Guarded([this] { FormShow(); });
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // Closing never fails: whatever the link does, the window goes.
  widgets::Guarded([this] { FormClose(); });
  settings::TSrzForm::closeEvent(event);
}

void TMainForm::ToolButton1Click() {
  close();
}

void TMainForm::ToolButton6Click() {
  settings::ShowHelp(QCoreApplication::applicationDirPath().toStdString(), objectName().toStdString(),
                     widgets::kApplicationTitle.toStdString());
}

void TMainForm::N2Click() {
  TAboutBox box(this);
  box.exec();
}

}  // namespace virn::app
