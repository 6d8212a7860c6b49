#include "calibration/flatness_form.h"

#include <QProgressBar>
#include <QPushButton>

#include "calibration/calibration.h"
#include "calibration/header_picture.h"
#include "widgets/message_box.h"

namespace virn::calibration {

namespace {

const std::array<QString, kPageCount> kPageTexts = {
    QStringLiteral("Соедините выход и вход прибора кабелем."),
    QStringLiteral("Измеряется АЧХ прибора во всём его диапазоне. Кабель не отсоединяйте."),
    QStringLiteral(
        "Калибровка завершена, коррекция АЧХ включена. Чтобы закрыть это окно нажмите \"Готово\".")};

constexpr int kMeasuringPage = 1;

}  // namespace

TFlatnessForm::TFlatnessForm(QWidget* owner, FlatnessCalibrationHost& host)
    : WizardForm(owner, host.linear() ? kFlatnessLinCaption : kFlatnessLogCaption, LevelCalibrationPicture(),
                 kPageTexts),
      host_(host) {
  setObjectName(QStringLiteral("FlatnessForm"));
  progress_ = new QProgressBar(Page(kMeasuringPage));
  progress_->setObjectName(QStringLiteral("ProgressBar1"));
  progress_->setGeometry(8, 58, kClientWidth - kPictureStripWidth - 16, 18);
  TFlatnessForm::UpdatePage();
}

void TFlatnessForm::UpdatePage() {
  if (Step() == kMeasuringPage) {
    progress_->setRange(0, 1);
    progress_->setValue(0);
    ShowView({.page = kMeasuringPage, .backEnabled = false, .nextEnabled = false});
    measuring_ = true;
    host_.StartFlatnessRun(
        [this](int taken, int inAll) {
          progress_->setRange(0, inAll);
          progress_->setValue(taken);
        },
        [this](FlatnessRunEnd end) { Finished(end); });
    return;
  }
  const std::optional<WizardView> view = ViewOfStep(Step(), true);
  if (view) ShowView(*view);
}

void TFlatnessForm::Finished(FlatnessRunEnd end) {
  measuring_ = false;
  if (end == FlatnessRunEnd::Stored) {
    KlButton1Click();
    return;
  }
  switch (end) {
    case FlatnessRunEnd::NotConnected:
      widgets::AppMessageBox(kConnectInstrumentText, QMessageBox::Warning);
      break;
    case FlatnessRunEnd::Lost:
      widgets::AppMessageBox(kFlatnessLostText, QMessageBox::Warning);
      break;
    case FlatnessRunEnd::Interrupted:
      widgets::AppMessageBox(kFlatnessInterruptedText, QMessageBox::Warning);
      break;
    default:
      widgets::AppMessageBox(kFlatnessNotStoredText, QMessageBox::Critical);
      break;
  }
  // Back to the cable, to try again.
  KlButton2Click();
}

void TFlatnessForm::done(int result) {
  if (measuring_) {
    measuring_ = false;
    host_.CancelFlatnessRun();
  }
  WizardForm::done(result);
}

}  // namespace virn::calibration
