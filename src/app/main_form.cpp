#include "app/main_form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QShowEvent>
#include <QToolButton>
#include <chrono>
#include <thread>

#include "app/about_box.h"
#include "app/program_name.h"
#include "app/status_bar.h"
#include "export/save_data.h"
#include "export/save_plot.h"
#include "settings/klm_api.h"
#include "widgets/message_box.h"

namespace virn::app {

namespace {
// Marks the window as this program's main window; nothing in the program reads it.
constexpr const char* kMainWindowMark = "{500F94D0-5F6E-4BA4-8F35-CDCA9B0D523E}";
constexpr int kDiscoveryIntervalMs = 100;
constexpr int kWatchdogIntervalMs = 5000;
}  // namespace

TMainForm::TMainForm(link::D2XXUnit& link, QWidget* parent)
    : settings::TSrzForm(parent), link_(link), instrument_(link) {
  setObjectName(QStringLiteral("MainForm"));
  buildWindow();
  FormCreate();
  FinishCreation();
}

TMainForm::~TMainForm() {
  FormDestroy();
}

void TMainForm::FormCreate() {
  setProperty(kMainWindowMark, 1);
  ConfigPath =
      QString::fromStdString(settings::fsGetAppDataPath()) + QStringLiteral("/Kelmar/") + ProgramName();
  link_.ShowFTErrors = false;

  // The fields already hold the default range; the step and the status texts follow it.
  RecomputeRange();
  ShowRangeStatus();

  renderer_ = std::make_unique<display::ScreenPlot>();
  SaveDialog1 = std::make_unique<exports::PlotSaveDialog>(this);

  drawThread_ = std::make_unique<measure::TDrawThread>(link_);
  drawThread_->SetOnSweepDone([this](measure::TDrawThread& /*thread*/) {
    ++sweepPasses_;
    DrawPlot();
  });
  drawThread_->SetLowestPriority(true);
  drawThread_->Resume();

  Timer2.setInterval(kDiscoveryIntervalMs);
  connect(&Timer2, &QTimer::timeout, this, [this] { widgets::Guarded([this] { Timer2Timer(); }); });
  Timer2.start();
  Timer1.setInterval(kWatchdogIntervalMs);
  connect(&Timer1, &QTimer::timeout, this, [this] { widgets::Guarded([this] { Timer1Timer(); }); });
}

void TMainForm::FormShow() {
  mnuGenModeClick();
  mnuLinearClick();
  // The plot inside the card's one-pixel frame.
  QSLCard1.SetSize(PaintBox1->width() + 2, PaintBox1->height() + 2);
}

void TMainForm::FormClose() {
  // Sweeps stop before the device goes, so the thread does not read a closed handle.
  drawThread_->StopSweeps();
  link_.CloseFTDevice();
  drawThread_->ClearOnSweepDone();
}

void TMainForm::FormDestroy() {
  Timer1.stop();
  Timer2.stop();
  drawThread_->Terminate();
  drawThread_.reset();
  renderer_.reset();
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

void TMainForm::Timer1Timer() {
  instrument_.WatchdogTick(*this);
}

void TMainForm::Timer2Timer() {
  instrument_.DiscoveryTick(*this);
}

void TMainForm::SetStatusPanel(int panel, const QString& text) {
  StatusBar1->setPanelText(panel, text);
}

void TMainForm::SetDiscoveryEnabled(bool enabled) {
  if (enabled) {
    Timer2.start();
  } else {
    Timer2.stop();
  }
}

void TMainForm::SetWatchdogEnabled(bool enabled) {
  if (enabled) {
    Timer1.start();
  } else {
    Timer1.stop();
  }
}

bool TMainForm::GeneratorModeDown() const {
  return mnuGenMode->isChecked();
}

}  // namespace virn::app
