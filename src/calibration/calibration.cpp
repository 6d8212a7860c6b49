#include "calibration/calibration.h"

#include <QCheckBox>
#include <QLineEdit>

#include "calibration/ca_form.h"
#include "calibration/ca_freq_form.h"
#include "calibration/flatness_form.h"
#include "calibration/option_form.h"
#include "widgets/message_box.h"

namespace virn::calibration {

std::optional<AcceptedOptions> RunOptions(QWidget* owner, std::int32_t dds, bool vfoDiv) {
  TOptionForm form(owner);
  form.edit2()->setText(QString::number(dds));
  form.checkBox1()->setChecked(vfoDiv);
  if (form.exec() != QDialog::Accepted) return std::nullopt;
  return AcceptedOptions{form.AcceptedDds(), form.checkBox1()->isChecked()};
}

void RunFrequencyCalibration(QWidget* owner, FrequencyCalibrationHost& host) {
  if (!host.Connected()) {
    widgets::AppMessageBox(kConnectInstrumentText, QMessageBox::Warning);
    return;
  }
  {
    TCaFreqForm form(owner, host);
    form.exec();
  }
  host.SendGeneratorWord(host.GeneratorWord());
}

void RunLevelCalibration(QWidget* owner, LevelCalibrationHost& host) {
  TCaForm form(owner, host);
  form.exec();
}

void RunFlatnessCalibration(QWidget* owner, FlatnessCalibrationHost& host) {
  if (!host.Connected()) {
    widgets::AppMessageBox(kConnectInstrumentText, QMessageBox::Warning);
    return;
  }
  TFlatnessForm form(owner, host);
  form.exec();
}

}  // namespace virn::calibration
