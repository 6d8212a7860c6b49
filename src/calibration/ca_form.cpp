#include "calibration/ca_form.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QWidget>

#include "calibration/header_picture.h"
#include "calibration/level_measurement.h"

namespace virn::calibration {

namespace {

const QString kCablePageText = QStringLiteral(
    "Соедините вход и выход прибора кабелем с волновым сопротивлением 50 Ом. После чего нажмите \"Далее\".");
const QString kLogAttenuatorText = QStringLiteral(
    "Соедините вход и выход прибора через аттенюатор с ослаблением -40dB. После чего нажмите \"Далее\".");
const QString kLinAttenuatorText = QStringLiteral(
    "Соедините вход и выход прибора через аттенюатор с ослаблением -12dB. После чего нажмите \"Далее\".");
const QString kDonePageText =
    QStringLiteral("Калибровка завершена. Чтобы закрыть это окно нажмите \"Готово\".");

// The hourglass while the wizard measures, back to normal however it ends.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// While alive, drops the clicks and keys meant for one window. The
// measurement's waits hold input back until it is over; delivered then, a
// second click on "&Далее" would measure the attenuated level with the cable
// still connected.
class InputDropped : public QObject {
 public:
  explicit InputDropped(const QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~InputDropped() override { qApp->removeEventFilter(this); }
  InputDropped(const InputDropped&) = delete;
  InputDropped& operator=(const InputDropped&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
        return watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == window_;
      default:
        return false;
    }
  }

 private:
  const QWidget* window_;
};

}  // namespace

TCaForm::TCaForm(QWidget* owner, LevelCalibrationHost& host)
    : WizardForm(owner, kLogCaption, LevelCalibrationPicture(),
                 {kCablePageText, kLogAttenuatorText, kDonePageText}),
      host_(host) {
  setObjectName(QStringLiteral("CaForm"));
  TCaForm::UpdatePage();
}

void TCaForm::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) FormShow();
  WizardForm::showEvent(event);
}

void TCaForm::FormShow() {
  if (!host_.linear()) return;
  setWindowTitle(kLinCaption);
  PageText(1)->setText(kLinAttenuatorText);
}

void TCaForm::MeasureZeroLevel() {
  Measure(LevelMeasurement::ZeroLevel);
}

void TCaForm::MeasureAttenuatedLevel() {
  Measure(LevelMeasurement::AttenuatedLevel);
}

void TCaForm::Measure(LevelMeasurement which) {
  const WaitCursor cursor;
  MeasureLevel(host_, which);
  // What the user did to the wizard meanwhile is delivered now, and dropped.
  const InputDropped dropped(this);
  QCoreApplication::processEvents();
}

void TCaForm::UpdatePage() {
  const std::optional<LevelStepAction> action = LevelWizardStep(Step());
  if (!action) return;
  // The last page's buttons go before its measurement starts.
  if (!action->view.navigationVisible) {
    KlButton1->hide();
    KlButton2->hide();
  }
  if (action->measurement == LevelMeasurement::ZeroLevel) MeasureZeroLevel();
  if (action->measurement == LevelMeasurement::AttenuatedLevel) MeasureAttenuatedLevel();
  ShowView(action->view);
}

}  // namespace virn::calibration
