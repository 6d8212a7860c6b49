// The main window: tool bar, plot area, page control and status bar, the link
// supervision timers, and the window's lifecycle from creation to destruction.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

#include "calibration/hosts.h"
#include "card/qsl_card.h"
#include "display/marker.h"
#include "display/reference_traces.h"
#include "display/screen_plot.h"
#include "link/d2xx_unit.h"
#include "link/instrument_link.h"
#include "measure/draw_thread.h"
#include "measure/frequency.h"
#include "settings/tsrz_form.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace virn::widgets {
class DigitKeyFilter;
}
namespace virn::exports {
class DataSaveDialog;
class PlotSaveDialog;
}  // namespace virn::exports

namespace virn::app {

class StatusBar;
class UpDown;

class TMainForm : public settings::TSrzForm,
                  private link::LinkHost,
                  private calibration::OptionsHost,
                  private calibration::FrequencyCalibrationHost,
                  private calibration::LevelCalibrationHost {
  Q_OBJECT
  // The published settings, in the order the settings file stores them.
  Q_PROPERTY(qint16 _CorrLog_0Db READ corrLog0Db WRITE setCorrLog0Db)
  Q_PROPERTY(qint16 _CorrLog_40Db READ corrLog40Db WRITE setCorrLog40Db)
  Q_PROPERTY(qint16 _CorrLin_0Db READ corrLin0Db WRITE setCorrLin0Db)
  Q_PROPERTY(qint16 _CorrLin_12Db READ corrLin12Db WRITE setCorrLin12Db)
  Q_PROPERTY(qint16 _StartFreqA READ startFreqA WRITE setStartFreqA)
  Q_PROPERTY(qint16 _StartFreqB READ startFreqB WRITE setStartFreqB)
  Q_PROPERTY(qint16 _StartFreqC READ startFreqC WRITE setStartFreqC)
  Q_PROPERTY(qint16 _EndFreqA READ endFreqA WRITE setEndFreqA)
  Q_PROPERTY(qint16 _EndFreqB READ endFreqB WRITE setEndFreqB)
  Q_PROPERTY(qint16 _EndFreqC READ endFreqC WRITE setEndFreqC)
  Q_PROPERTY(qint16 _FreqGenA READ freqGenA WRITE setFreqGenA)
  Q_PROPERTY(qint16 _FreqGenB READ freqGenB WRITE setFreqGenB)
  Q_PROPERTY(qint16 _FreqGenC READ freqGenC WRITE setFreqGenC)
  Q_PROPERTY(qint16 _0DbAnaliser READ zeroDbAnaliser WRITE setZeroDbAnaliser)
  Q_PROPERTY(bool _Linear READ linear WRITE setLinear)
  Q_PROPERTY(bool _Visir READ visir WRITE setVisir)
  Q_PROPERTY(qint32 _VisirValue READ visirValue WRITE setVisirValue)
  Q_PROPERTY(bool _Delay READ delay WRITE setDelay)
  Q_PROPERTY(bool _GenMode READ genMode WRITE setGenMode)
  Q_PROPERTY(bool _SwipMode READ swipMode WRITE setSwipMode)
  Q_PROPERTY(bool _AnaliserMode READ analiserMode WRITE setAnaliserMode)
  Q_PROPERTY(qint32 _DelayIndex READ delayIndex WRITE setDelayIndex)
  Q_PROPERTY(qint32 _RealFreq READ realFreq WRITE setRealFreq)
  Q_PROPERTY(qint32 _CorrFreq READ corrFreq WRITE setCorrFreq)
  Q_PROPERTY(qint32 _DDS READ dds WRITE setDds)
  Q_PROPERTY(bool _Averaging READ averaging WRITE setAveraging)
  Q_PROPERTY(bool _VFOdiv READ vfoDiv WRITE setVfoDiv)

 public:
  // The three frequency triples, each MHz, kHz, Hz.
  enum class Triple { Start, End, Generator };
  static constexpr int kClientWidth = 634;
  static constexpr int kClientHeight = 325;
  static constexpr int kPlotWidth = 455;
  static constexpr int kPlotHeight = 281;
  static constexpr int kPageControlWidth = 176;

  explicit TMainForm(link::D2XXUnit& link, QWidget* parent = nullptr);
  ~TMainForm() override;

  StatusBar* statusBar() const { return StatusBar1; }
  // The picture the plot area shows, saved and printed as it is.
  const QImage& plotBitmap() const;
  QTimer& discoveryTimer() { return Timer2; }
  QTimer& watchdogTimer() { return Timer1; }
  link::InstrumentLink& instrument() { return instrument_; }
  measure::TDrawThread& drawThread() { return *drawThread_; }
  bool Connected() const override { return instrument_.Connected(); }
  bool SweepRunning() const override { return sweepRunning_; }
  // Passes the acquisition thread has handed to the window so far.
  std::uint64_t sweepPasses() const { return sweepPasses_; }

  void Timer1Timer();
  void Timer2Timer();

  // Sweep range (main_form_range.cpp).
  std::int32_t StartFreq = 100000;
  std::int32_t EndFreq = 50000000;
  std::int32_t SweepStep = 0;
  std::int32_t ReadStartFreq() const;
  std::int32_t ReadEndFreq() const;
  std::int32_t ReadGenFreq() const;
  std::int32_t FreqToWord(std::uint32_t f) const;
  // The calibrated word of the generator frequency the fields show now.
  std::int32_t GeneratorWord() const override;
  void ShowRangeStatus() override;
  void Edit4Change();
  void Edit2Change();
  // Place 0..2 (MHz, kHz, Hz) of a triple: the up-down position; any other
  // place reads 0 and writes nothing.
  qint16 TriplePart(Triple triple, int place) const;
  void SetTriplePart(Triple triple, int place, qint16 value);
  QLineEdit* tripleField(Triple triple, int place) const;
  UpDown* tripleUpDown(Triple triple, int place) const;
  // The MHz, kHz and Hz texts as the fields show them now.
  std::array<QString, 3> TripleTexts(Triple triple) const;

  // Run control and modes (main_form_run.cpp).
  void KlSpeedButton1Click();  // Start
  void KlSpeedButton2Click();  // Stop: ends the acquisition and tells the instrument, when connected
  void KlSpeedButton3Click();  // Pause
  void mnuGenModeClick();      // applies the mode whose button is down
  void CheckBox1Click();
  void CheckBox2Click();
  void ComboBox1Change();
  void mnuLinearClick();

  // Saving and printing the plot (main_form_export.cpp).
  void mnuSaveClick();
  void mnuPrintClick();
  // The invisible card the plot is framed on for saving and printing.
  card::TQSLCard& qslCard() { return QSLCard1; }
  exports::PlotSaveDialog& saveDialog() { return *SaveDialog1; }

  // Options and calibration (main_form_calibration.cpp).
  void mnuOptionClick();
  void mnuCorrFreqClick();
  void mnuCaOutClick();

  // Plot and marker (main_form_plot.cpp).
  void DrawPlot();
  display::PlotInputs PlotInputsNow() const;
  display::LevelScale LevelScaleNow() const;
  std::int32_t PixelToFreq(std::int32_t x) const;
  QString LevelToStr(std::int32_t y) const;
  void mnuVisirClick();
  void PaintBox1MouseDown(Qt::MouseButton button, int x, int y);
  void PaintBox1MouseUp(Qt::MouseButton button);
  void PaintBox1MouseMove(int x, int y);
  void PaintBox1Click();
  void Edit10KeyDown(int key);
  // Empties the pointer readouts once the pointer has left the plot.
  void ApplicationEvents1Idle();
  std::int32_t LastVisirValue() const { return marker_.LastVisirValue; }
  bool VisirDrag() const { return marker_.VisirDrag; }

  // The plot's context menu and its tools (main_form_tools.cpp): additions
  // beside the original controls, none of them kept in the settings file.
  QMenu& plotMenu() const { return *PlotMenu1; }
  exports::DataSaveDialog& dataSaveDialog() { return *DataSaveDialog1; }
  const display::ReferenceTraces& references() const { return references_; }
  void PlotMenuPopup(const QPoint& globalPos);
  void mnuSaveDataClick();
  void mnuKeepTraceClick();
  void mnuClearTracesClick();
  void MarkerBelowMaximumClick(double db);
  // The scale of the whole program from its next start, 0 for the desktop's.
  void mnuScaleClick(int percent);
  QString ExtraSettingsPath() const;

  // Published settings.
  qint16 corrLog0Db() const { return corrLog0Db_; }
  void setCorrLog0Db(qint16 value) override { corrLog0Db_ = value; }
  qint16 corrLog40Db() const { return corrLog40Db_; }
  void setCorrLog40Db(qint16 value) override { corrLog40Db_ = value; }
  qint16 corrLin0Db() const { return corrLin0Db_; }
  void setCorrLin0Db(qint16 value) override { corrLin0Db_ = value; }
  qint16 corrLin12Db() const { return corrLin12Db_; }
  void setCorrLin12Db(qint16 value) override { corrLin12Db_ = value; }
  qint16 startFreqA() const { return TriplePart(Triple::Start, 0); }
  void setStartFreqA(qint16 value) { SetTriplePart(Triple::Start, 0, value); }
  qint16 startFreqB() const { return TriplePart(Triple::Start, 1); }
  void setStartFreqB(qint16 value) { SetTriplePart(Triple::Start, 1, value); }
  qint16 startFreqC() const { return TriplePart(Triple::Start, 2); }
  void setStartFreqC(qint16 value) { SetTriplePart(Triple::Start, 2, value); }
  qint16 endFreqA() const { return TriplePart(Triple::End, 0); }
  void setEndFreqA(qint16 value) { SetTriplePart(Triple::End, 0, value); }
  qint16 endFreqB() const { return TriplePart(Triple::End, 1); }
  void setEndFreqB(qint16 value) { SetTriplePart(Triple::End, 1, value); }
  qint16 endFreqC() const { return TriplePart(Triple::End, 2); }
  void setEndFreqC(qint16 value) { SetTriplePart(Triple::End, 2, value); }
  qint16 freqGenA() const { return TriplePart(Triple::Generator, 0); }
  void setFreqGenA(qint16 value) { SetTriplePart(Triple::Generator, 0, value); }
  qint16 freqGenB() const { return TriplePart(Triple::Generator, 1); }
  void setFreqGenB(qint16 value) { SetTriplePart(Triple::Generator, 1, value); }
  qint16 freqGenC() const { return TriplePart(Triple::Generator, 2); }
  void setFreqGenC(qint16 value) { SetTriplePart(Triple::Generator, 2, value); }
  qint16 zeroDbAnaliser() const { return zeroDbAnaliser_; }
  void setZeroDbAnaliser(qint16 value);
  bool linear() const override;
  void setLinear(bool value);
  bool visir() const;
  void setVisir(bool value);
  qint32 visirValue() const { return marker_.VisirValue; }
  void setVisirValue(qint32 value) { marker_.VisirValue = value; }
  bool delay() const;
  void setDelay(bool value) override;
  bool genMode() const;
  void setGenMode(bool value);
  bool swipMode() const;
  void setSwipMode(bool value);
  bool analiserMode() const;
  void setAnaliserMode(bool value);
  qint32 delayIndex() const;
  void setDelayIndex(qint32 value);
  qint32 realFreq() const { return realFreq_; }
  void setRealFreq(qint32 value) override;
  qint32 corrFreq() const override { return corrFreq_; }
  void setCorrFreq(qint32 value) { corrFreq_ = value; }
  qint32 dds() const override { return DDS_; }
  void setDds(qint32 value) override { DDS_ = value; }
  bool averaging() const;
  void setAveraging(bool value) override;
  bool vfoDiv() const override { return vfoDiv_; }
  void setVfoDiv(bool value) override { vfoDiv_ = value; }

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
  bool eventFilter(QObject* watched, QEvent* event) override;
  void PaintBox1Paint();

  // LinkHost: what the discovery and the watchdog change in the window.
  void SetStatusPanel(int panel, const QString& text) override;
  void SetDiscoveryEnabled(bool enabled) override;
  void SetWatchdogEnabled(bool enabled) override;
  bool GeneratorModeDown() const override;
  void SendGeneratorSetup() override;
  void StopSweep() override { KlSpeedButton2Click(); }
  // What the options dialog and the wizards use besides the published settings.
  void SaveSettings() override;
  void SendGeneratorWord(std::int32_t word) override;
  std::int32_t LevelReading() const override;
  void WaitKeepingSweeps(std::chrono::milliseconds duration) override;
  // The start word and the step the instrument gets: start and step halved in
  // analyser mode with _VFOdiv.
  struct RangeCommand {
    std::int32_t startWord;
    std::int32_t step;
  };
  RangeCommand RangeToSend() const;
  void RecomputeRange();

  // Composition, in main_form_ui.cpp.
  void buildWindow();
  void buildSweepPage(QWidget* page);
  void buildGeneratorPage(QWidget* page);
  QToolButton* addToolButton(const QString& name, const QString& hint, bool checkable);
  QLineEdit* addTripleField(QWidget* page, const QString& name, const QString& text, int x, int y);
  UpDown* addUpDown(QLineEdit* field, const QString& name, int minimum, int maximum);
  void connectHandlers();
  void buildPlotMenu();
  void UpdatePlotMenu();
  // Drops the kept sweeps that no longer fit the plot, saying so once the
  // current hand-off is over.
  void ReconcileReferences(display::PlotInputs& in);

  link::D2XXUnit& link_;
  link::InstrumentLink instrument_;
  std::unique_ptr<measure::TDrawThread> drawThread_;
  bool sweepRunning_ = false;
  std::uint64_t sweepPasses_ = 0;
  std::int32_t DDS_ = 43;
  std::int32_t corrFreq_ = measure::kDefaultCalibrationFreq;
  std::int32_t realFreq_ = measure::kDefaultCalibrationFreq;
  bool vfoDiv_ = false;
  qint16 corrLog0Db_ = 0;
  qint16 corrLog40Db_ = 100;
  qint16 corrLin0Db_ = 0;
  qint16 corrLin12Db_ = 100;
  qint16 zeroDbAnaliser_ = 0;
  // The marker's rows and drag state; its Visir follows the marker button, so
  // handlers reach it through Marker().
  display::MarkerState& Marker();
  display::MarkerState marker_;

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
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  // The triples: [triple][place], MHz first.
  std::array<std::array<QLineEdit*, 3>, 3> tripleFields_{};
  std::array<std::array<UpDown*, 3>, 3> tripleUpDowns_{};
  QToolButton* KlSpeedButton1 = nullptr;
  QToolButton* KlSpeedButton2 = nullptr;
  QToolButton* KlSpeedButton3 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QLineEdit* Edit15 = nullptr;
  UpDown* UpDown14 = nullptr;
  // Takes the keyboard focus for the marker's arrow keys; placed out of sight.
  QLineEdit* Edit10 = nullptr;
  widgets::DigitKeyFilter* digitFilter_ = nullptr;
  StatusBar* StatusBar1 = nullptr;

  QTimer Timer1;  // link watchdog
  QTimer Timer2;  // instrument discovery
  // Draws and holds the plot area's picture and PlotBitmap; lives as long as the window.
  std::unique_ptr<display::ScreenPlot> renderer_;
  card::TQSLCard QSLCard1;
  std::unique_ptr<exports::PlotSaveDialog> SaveDialog1;

  QMenu* PlotMenu1 = nullptr;
  QAction* mnuSaveData = nullptr;
  QAction* mnuKeepTrace = nullptr;
  QAction* mnuClearTraces = nullptr;
  std::array<QAction*, 3> mnuMarkerBelowMax{};  // -3, -6 and -20 dB
  QAction* mnuShowQ = nullptr;
  QMenu* mnuScale = nullptr;
  std::unique_ptr<exports::DataSaveDialog> DataSaveDialog1;
  display::ReferenceTraces references_;
  bool shownOnce_ = false;
};

}  // namespace virn::app
