// The flatness calibration wizard: the cable connected, the whole band
// measured with a progress bar, the correction stored and switched on.
// Cancelling at any moment, or losing the instrument, keeps the previous one.
#pragma once

#include "calibration/hosts.h"
#include "calibration/wizard_form.h"

class QProgressBar;

namespace virn::calibration {

inline const QString kFlatnessLogCaption = QStringLiteral("Калибровка АЧХ (логарифмический детектор)");
inline const QString kFlatnessLinCaption = QStringLiteral("Калибровка АЧХ (линейный детектор)");
inline const QString kFlatnessLostText =
    QStringLiteral("Связь с прибором потеряна. Калибровка АЧХ прервана, прежняя коррекция сохранена.");
inline const QString kFlatnessInterruptedText =
    QStringLiteral("Калибровка АЧХ прервана: диапазон или развёртку изменили. Прежняя коррекция сохранена.");
inline const QString kFlatnessNotStoredText =
    QStringLiteral("Не удалось записать файл коррекции АЧХ. Прежняя коррекция сохранена.");

class TFlatnessForm : public WizardForm {
  Q_OBJECT
 public:
  TFlatnessForm(QWidget* owner, FlatnessCalibrationHost& host);
  QProgressBar* progressBar() const { return progress_; }
  bool Measuring() const { return measuring_; }

  // Closing the wizard, however, cancels a measurement in progress.
  void done(int result) override;

 protected:
  void UpdatePage() override;

 private:
  void Finished(FlatnessRunEnd end);

  FlatnessCalibrationHost& host_;
  QProgressBar* progress_ = nullptr;
  bool measuring_ = false;
};

}  // namespace virn::calibration
