// The main window: tool bar, plot area, page control and status bar, the link
// supervision timers, and the window's lifecycle from creation to destruction.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "link/d2xx_unit.h"
#include "settings/tsrz_form.h"

class QFrame;
class QLineEdit;
class QTabWidget;
class QToolBar;
class QToolButton;
class QAction;

namespace virn::app {

class StatusBar;

class TMainForm : public settings::TSrzForm {
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
  void Timer1Timer();
  void Timer2Timer();

  // Composition, in main_form_ui.cpp.
  void buildWindow();
  QToolButton* addToolButton(const QString& name, const QString& hint, bool checkable);

  link::D2XXUnit& link_;

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
