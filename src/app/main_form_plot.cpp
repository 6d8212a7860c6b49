// The plot area: the picture after every acquisition pass, its repaint, the
// marker with mouse and arrow keys, and the level and frequency under the pointer.
#include <QContextMenuEvent>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QToolTip>

#include "app/main_form.h"
#include "app/status_bar.h"
#include "display/device_scale.h"
#include "display/scale.h"
#include "widgets/message_box.h"

namespace virn::app {

const QImage& TMainForm::plotBitmap() const {
  return renderer_->Bitmap();
}

display::LevelScale TMainForm::LevelScaleNow() const {
  display::LevelScale scale;
  scale.Linear = mnuLinear->isChecked();
  scale.Calibration = {corrLog0Db_, corrLog40Db_, corrLin0Db_, corrLin12Db_};
  scale.DecimalSeparator = QLocale().decimalPoint();
  return scale;
}

display::MarkerState& TMainForm::Marker() {
  marker_.Visir = mnuVisir->isChecked();
  return marker_;
}

display::PlotInputs TMainForm::PlotInputsNow() const {
  display::PlotInputs in;
  if (mnuGenMode->isChecked()) {
    in.Mode = display::PlotMode::Generator;
  } else if (mnuAnaliserMode->isChecked()) {
    in.Mode = display::PlotMode::Analyser;
  }
  in.SweepRunning = sweepRunning_;
  in.StartFreq = StartFreq;
  in.EndFreq = EndFreq;
  in.SweepStep = SweepStep;
  in.GenTriple = TripleTexts(Triple::Generator);
  in.Scale = LevelScaleNow();
  in.ZeroDbAnaliser = zeroDbAnaliser_;
  if (drawThread_) in.Samples = display::SamplesOf(*drawThread_);
  in.Visir = mnuVisir->isChecked();
  in.VisirValue = marker_.VisirValue;
  in.ShowQ = mnuShowQ != nullptr && mnuShowQ->isChecked();
  in.References = references_.Traces();
  const QPalette tips = QToolTip::palette();
  in.TooltipBaseColor = tips.color(QPalette::ToolTipBase).rgb();
  in.TooltipTextColor = tips.color(QPalette::ToolTipText).rgb();
  return in;
}

void TMainForm::DrawPlot() {
  if (!renderer_) return;
  // The renderer skips a picture that would come out the same, which is most
  // idle passes; only a changed picture is copied to the screen.
  display::PlotInputs in = PlotInputsNow();
  ReconcileReferences(in);
  // Drawn for the plot area's screen: sharp at any scale, PlotBitmap at 1.
  if (renderer_->Render(in, PaintBox1->devicePixelRatioF())) PaintBox1->update();
}

void TMainForm::PaintBox1Paint() {
  if (!renderer_) return;
  // Moved to a screen of another scale: drawn once more for it.
  if (!renderer_->DrawnFor(PaintBox1->devicePixelRatioF())) DrawPlot();
  QPainter painter(PaintBox1);
  painter.drawImage(0, 0, renderer_->Screen());
}

std::int32_t TMainForm::PixelToFreq(std::int32_t x) const {
  return display::PixelToFreq(x, StartFreq, EndFreq);
}

QString TMainForm::LevelToStr(std::int32_t y) const {
  return display::LevelToStr(y, LevelScaleNow());
}

void TMainForm::mnuVisirClick() {
  display::MarkerState& marker = Marker();
  display::ToggleMarker(marker, marker.Visir);
  DrawPlot();
}

void TMainForm::PaintBox1MouseDown(Qt::MouseButton button, int x, int y) {
  static_cast<void>(x);  // a click anywhere on the plot moves the marker to its row
  if (display::MarkerMouseDown(Marker(), button, y)) DrawPlot();
}

void TMainForm::PaintBox1MouseUp(Qt::MouseButton button) {
  display::MarkerMouseUp(marker_, button);
}

void TMainForm::PaintBox1MouseMove(int x, int y) {
  const display::PointerMove move = display::MarkerMouseMove(Marker(), PlotInputsNow(), x, y);
  if (move.Redraw) DrawPlot();
  if (display::PointerOutsidePlot(x, y)) {
    StatusBar1->setPanelText(StatusBar::kLevelPanel, QString());
    StatusBar1->setPanelText(StatusBar::kFreqPanel, QString());
    return;
  }
  if (!move.InDataArea) return;
  StatusBar1->setPanelText(StatusBar::kLevelPanel, move.LevelText);
  if (move.FreqText) StatusBar1->setPanelText(StatusBar::kFreqPanel, *move.FreqText);
}

void TMainForm::PaintBox1Click() {
  Edit10->setFocus();
}

void TMainForm::Edit10KeyDown(int key) {
  if (display::MarkerKeyDown(Marker(), key)) DrawPlot();
}

void TMainForm::ApplicationEvents1Idle() {
  const QPoint at = PaintBox1->mapFromGlobal(QCursor::pos());
  if (!display::PointerOutsidePlot(at.x(), at.y())) return;
  StatusBar1->setPanelText(StatusBar::kLevelPanel, QString());
  StatusBar1->setPanelText(StatusBar::kFreqPanel, QString());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PaintBox1) {
    switch (event->type()) {
      case QEvent::Paint:
        PaintBox1Paint();
        return true;
      case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = display::PlotCell(mouse->position());
        widgets::Guarded([&] { PaintBox1MouseDown(mouse->button(), at.x(), at.y()); });
        return true;
      }
      case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        widgets::Guarded([&] {
          PaintBox1MouseUp(mouse->button());
          if (PaintBox1->rect().contains(display::PlotCell(mouse->position()))) PaintBox1Click();
        });
        return true;
      }
      case QEvent::MouseMove: {
        const QPoint at = display::PlotCell(static_cast<QMouseEvent*>(event)->position());
        widgets::Guarded([&] { PaintBox1MouseMove(at.x(), at.y()); });
        return true;
      }
      case QEvent::ContextMenu:
        widgets::Guarded([&] { PlotMenuPopup(static_cast<QContextMenuEvent*>(event)->globalPos()); });
        return true;
      case QEvent::Leave:
        // The pointer left the plot: the readouts go, as an idle check would find.
        widgets::Guarded([this] { ApplicationEvents1Idle(); });
        return false;
      default:
        break;
    }
  } else if (watched == Edit10 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      widgets::Guarded([&] { Edit10KeyDown(key); });
      return true;
    }
  }
  return settings::TSrzForm::eventFilter(watched, event);
}

}  // namespace virn::app
