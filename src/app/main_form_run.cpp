// Run control, modes and the sweep options: each handler reads its control and
// calls one operation of the controller; the events show the outcome.
#include <QCheckBox>
#include <QComboBox>
#include <QToolButton>

#include "app/main_form.h"
#include "widgets/message_box.h"

namespace virn::app {

void TMainForm::KlSpeedButton1Click() {
  if (controller_->Start() == control::StartResult::NotConnected) {
    widgets::AppMessageBox(QStringLiteral("Подключите прибор."), QMessageBox::Warning);
  }
}

void TMainForm::KlSpeedButton2Click() {
  controller_->Stop();
}

void TMainForm::KlSpeedButton3Click() {
  controller_->Pause(KlSpeedButton3->isChecked());
}

void TMainForm::mnuGenModeClick() {
  controller_->SwitchMode(ModeOfButtons());
}

void TMainForm::CheckBox1Click() {
  controller_->SetDelay(CheckBox1->isChecked());
}

void TMainForm::CheckBox2Click() {
  controller_->SetAveraging(CheckBox2->isChecked());
}

void TMainForm::ComboBox1Change() {
  controller_->SetPeriod(ComboBox1->currentIndex());
}

void TMainForm::mnuLinearClick() {
  controller_->SetDetector(mnuLinear->isChecked());
}

}  // namespace virn::app
