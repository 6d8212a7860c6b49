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
  const measure::Settings& settings = controller_->Settings();
  display::LevelScale scale;
  scale.Linear = settings.linear;
  scale.Calibration = settings.calibration;
  scale.DecimalSeparator = QLocale().decimalPoint();
  return scale;
}

display::PlotInputs TMainForm::PlotInputsNow() const {
  display::PlotInputs in = RawPlotInputs();
  ApplyFlatness(in);
  return in;
}

display::PlotInputs TMainForm::RawPlotInputs() const {
  const measure::Settings& settings = controller_->Settings();
  const control::Range& range = controller_->RangeInEffect();
  display::PlotInputs in;
  in.Mode = settings.mode;
  in.SweepRunning = controller_->SweepRunning();
  in.StartFreq = range.StartFreq;
  in.EndFreq = range.EndFreq;
  in.SweepStep = range.SweepStep;
  in.GenTriple = controller_->GeneratorTexts();
  in.Scale = LevelScaleNow();
  in.ZeroDbAnaliser = settings.zeroDbAnaliser;
  in.Samples = controller_->Samples();
  in.Visir = settings.visir;
  in.VisirValue = settings.visirValue;
  in.ShowQ = mnuShowQ != nullptr && mnuShowQ->isChecked();
  in.References = references_.Traces();
  const QPalette tips = QToolTip::palette();
  in.TooltipBaseColor = tips.color(QPalette::ToolTipBase).rgb();
  in.TooltipTextColor = tips.color(QPalette::ToolTipText).rgb();
  return in;
}

void TMainForm::ChangeMarker(const std::function<bool(display::MarkerState&)>& change) {
  const measure::Settings& settings = controller_->Settings();
  marker_.Visir = settings.visir;
  marker_.VisirValue = settings.visirValue;
  const bool redraw = change(marker_);
  controller_->SetMarker(marker_.Visir, marker_.VisirValue);
  if (redraw) DrawPlot();
}

void TMainForm::DrawPlot() {
  if (!renderer_) return;
  ++plotUpdates_;
  drawnRevision_ = controller_->Revision();
  plotStale_ = false;
  // The renderer skips a picture that would come out the same, which is most
  // idle passes; only a changed picture is copied to the screen.
  display::PlotInputs in = PlotInputsNow();
  ReconcileReferences(in);
  // Drawn for the plot area's screen: sharp at any scale, PlotBitmap at 1.
  if (renderer_->Render(in, PaintBox1->devicePixelRatioF())) PaintBox1->update();
}

void TMainForm::changeEvent(QEvent* event) {
  // The marker's readout takes the tooltips' colours.
  const QEvent::Type type = event->type();
  if (type == QEvent::PaletteChange || type == QEvent::ApplicationPaletteChange ||
      type == QEvent::StyleChange) {
    plotStale_ = true;
  }
  settings::TSrzForm::changeEvent(event);
}

void TMainForm::PaintBox1Paint() {
  if (!renderer_) return;
  // Moved to a screen of another scale: drawn once more for it.
  if (!renderer_->DrawnFor(PaintBox1->devicePixelRatioF())) DrawPlot();
  QPainter painter(PaintBox1);
  painter.drawImage(0, 0, renderer_->Screen());
}

void TMainForm::mnuVisirClick() {
  ChangeMarker([this](display::MarkerState& marker) {
    display::ToggleMarker(marker, mnuVisir->isChecked());
    return true;
  });
}

void TMainForm::PaintBox1MouseDown(Qt::MouseButton button, int x, int y) {
  static_cast<void>(x);  // a click anywhere on the plot moves the marker to its row
  ChangeMarker([&](display::MarkerState& marker) { return display::MarkerMouseDown(marker, button, y); });
}

void TMainForm::PaintBox1MouseUp(Qt::MouseButton button) {
  display::MarkerMouseUp(marker_, button);
}

void TMainForm::PaintBox1MouseMove(int x, int y) {
  display::PointerMove move;
  const display::PlotInputs in = PlotInputsNow();
  ChangeMarker([&](display::MarkerState& marker) {
    move = display::MarkerMouseMove(marker, in, x, y);
    return move.Redraw;
  });
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
  ChangeMarker([key](display::MarkerState& marker) { return display::MarkerKeyDown(marker, key); });
}

void TMainForm::ApplicationEvents1Idle() {
  const QPoint at = PaintBox1->mapFromGlobal(QCursor::pos());
  if (!display::PointerOutsidePlot(at.x(), at.y())) return;
  StatusBar1->setPanelText(StatusBar::kLevelPanel, QString());
  StatusBar1->setPanelText(StatusBar::kFreqPanel, QString());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == PaintBox1 && PlotEvent(event)) return true;
  if (watched == Edit10 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      widgets::Guarded([&] { Edit10KeyDown(key); });
      return true;
    }
  }
  return settings::TSrzForm::eventFilter(watched, event);
}

bool TMainForm::PlotEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::Paint:
      PaintBox1Paint();
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
      widgets::Guarded([&] { PlotMouseEvent(*static_cast<QMouseEvent*>(event)); });
      return true;
    case QEvent::ContextMenu:
      widgets::Guarded([&] { PlotMenuPopup(static_cast<QContextMenuEvent*>(event)->globalPos()); });
      return true;
    case QEvent::Leave:
      // The pointer left the plot: the readouts go, as an idle check would find.
      widgets::Guarded([this] { ApplicationEvents1Idle(); });
      return false;
    default:
      return false;
  }
}

void TMainForm::PlotMouseEvent(const QMouseEvent& mouse) {
  // The plot pixel under the pointer, whatever the screen's scale.
  const QPoint at = display::PlotCell(mouse.position());
  if (mouse.type() == QEvent::MouseButtonPress) {
    PaintBox1MouseDown(mouse.button(), at.x(), at.y());
  } else if (mouse.type() == QEvent::MouseMove) {
    PaintBox1MouseMove(at.x(), at.y());
  } else {
    PaintBox1MouseUp(mouse.button());
    if (PaintBox1->rect().contains(at)) PaintBox1Click();
  }
}

}  // namespace virn::app
