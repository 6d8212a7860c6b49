// The main window: tool bar, plot area, page control and status bar, the link
// supervision timers, and the window's lifecycle from creation to destruction.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "link/d2xx_unit.h"
#include "link/instrument_link.h"
#include "measure/draw_thread.h"
#include "settings/tsrz_form.h"

class QFrame;
class QLineEdit;
class QTabWidget;
class QToolBar;
class QToolButton;
class QAction;

namespace virn::app {

class StatusBar;

class TMainForm : public settings::TSrzForm, private link::LinkHost {
  Q_OBJECT
 public:
  static constexpr int kClientWidth = 634;
  static constexpr int kClientHeight = 325;
  static constexpr int kPlotWidth = 455;
  static constexpr int kPlotHeight = 281;
  static constexpr int kPageControlWidth = 176;

  explicit TMainForm(link::D2XXUnit& link, QWidget* parent = nullptr);
  ~TMainForm() override;

  StatusBar* statusBar() const { return StatusBar1; }
  const QImage& plotBitmap() const { return PlotBitmap; }
  QTimer& discoveryTimer() { return Timer2; }
  QTimer& watchdogTimer() { return Timer1; }
  link::InstrumentLink& instrument() { return instrument_; }
  measure::TDrawThread& drawThread() { return *drawThread_; }
  bool Connected() const { return instrument_.Connected(); }
  bool SweepRunning() const override { return sweepRunning_; }
  // Passes the acquisition thread has handed to the window so far.
  std::uint64_t sweepPasses() const { return sweepPasses_; }

  void Timer1Timer();
  void Timer2Timer();
  // Stop: ends the acquisition and tells the instrument, when connected.
  void KlSpeedButton2Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();

  void ToolButton1Click();
  void ToolButton6Click();
  void N2Click();
  // The acquisition thread's receiver, run in this thread after every pass.
  void DrawPlot(measure::TDrawThread& thread);

  // LinkHost: what the discovery and the watchdog change in the window.
  void SetStatusPanel(int panel, const QString& text) override;
  void SetDiscoveryEnabled(bool enabled) override;
  void SetWatchdogEnabled(bool enabled) override;
  bool GeneratorModeDown() const override;
  void SendGeneratorSetup() override;
  void StopSweep() override { KlSpeedButton2Click(); }
  std::int32_t GeneratorWord() const;

  // Composition, in main_form_ui.cpp.
  void buildWindow();
  QToolButton* addToolButton(const QString& name, const QString& hint, bool checkable);

  link::D2XXUnit& link_;
  link::InstrumentLink instrument_;
  std::unique_ptr<measure::TDrawThread> drawThread_;
  bool sweepRunning_ = false;
  std::uint64_t sweepPasses_ = 0;
  std::int32_t DDS_ = 43;

  QToolBar* ToolBar1 = nullptr;
  QToolButton* mnuPrint = nullptr;
  QToolButton* mnuSave = nullptr;
  QToolButton* mnuLinear = nullptr;
  QToolButton* mnuVisir = nullptr;
  QToolButton* mnuOption = nullptr;
  QToolButton* mnuCorrFreq = nullptr;
  QToolButton* mnuCaOut = nullptr;
  QToolButton* mnuSwipMode = nullptr;
  QToolButton* mnuGenMode = nullptr;
  QToolButton* mnuAnaliserMode = nullptr;
  QToolButton* ToolButton6 = nullptr;
  QToolButton* ToolButton1 = nullptr;
  QAction* N2 = nullptr;
  QFrame* Panel1 = nullptr;
  QWidget* PaintBox1 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  StatusBar* StatusBar1 = nullptr;

  QTimer Timer1;  // link watchdog
  QTimer Timer2;  // instrument discovery
  QImage PlotBitmap;
  bool shownOnce_ = false;
};

}  // namespace virn::app
