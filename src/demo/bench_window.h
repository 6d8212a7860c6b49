// The bench window of virn-demo: what surrounds the simulated instrument,
// changeable at any moment while the program runs. Whether the instrument is
// plugged into USB, what sits between its output and its input, the external
// carrier, the reference clock's error, and a frequency counter on the output.
// It shows every change of the bench, the script's included.
//
// A window of its own, with no parent: a window-modal dialog of the main window
// must not block it, and closing it does not end the program.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "sim/bench.h"

class QButtonGroup;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace virn::demo {

inline constexpr int kCounterRefreshMs = 200;

// The counter's display: the hertz grouped by thousands with spaces,
// "45 000 450 Гц", or "нет сигнала".
QString CounterText(std::optional<std::int64_t> hz);

// Where a window whose frame is `frameSize` goes beside a main window's frame:
// just right of it at the same top, moved back inside `available` (the
// screen's free area) where it would leave it.
QPoint BesidePosition(const QRect& mainFrame, const QSize& frameSize, const QRect& available);

class BenchWindow : public QWidget {
 public:
  // The bench must outlive the window.
  explicit BenchWindow(sim::Bench& bench);
  ~BenchWindow() override;
  BenchWindow(const BenchWindow&) = delete;
  BenchWindow& operator=(const BenchWindow&) = delete;

  // Moves the window beside the main window, on the main window's screen.
  void PlaceBeside(const QWidget& mainWindow);
  // Shows the window beside the main window once that is mapped, where the
  // window manager really put it, and on the screen (its frame taken to be
  // the main window's).
  void OpenBeside(QWidget& mainWindow);
  // Shows the bench's state; runs after every change of it.
  void Refresh();
  // Reads the counter again; a timer does this every kCounterRefreshMs.
  void RefreshCounter();

 private:
  void build();

  sim::Bench& bench_;
  QCheckBox* plugged_ = nullptr;
  QButtonGroup* dut_ = nullptr;
  QSpinBox* carrierHz_ = nullptr;
  QDoubleSpinBox* carrierDb_ = nullptr;
  QDoubleSpinBox* clockPpm_ = nullptr;
  QLabel* counter_ = nullptr;
  QTimer counterTimer_;
};

}  // namespace virn::demo
