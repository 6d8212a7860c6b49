// The main window: a view of the instrument controller. Its handlers read
// their controls and call one operation; what the controller reports comes
// back as events that the window shows. Tool bar, plot area, page control,
// status bar, and the window's lifecycle from creation to destruction.
#pragma once

#include <QImage>
#include <QWidget>

#include <array>
#include <memory>

#include "card/qsl_card.h"
#include "control/instrument_controller.h"
#include "display/marker.h"
#include "display/reference_traces.h"
#include "display/screen_plot.h"
#include "export/sweep_csv.h"
#include "flatness/flatness_correction.h"
#include "link/d2xx_unit.h"
#include "settings/tsrz_form.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QMouseEvent;
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

class CalibrationHosts;
struct ModeControls;
class StatusBar;
class UpDown;

class TMainForm : public settings::TSrzForm {
  Q_OBJECT
  // The published settings, in the order the settings file stores them. Each
  // reads and writes the controller's settings.
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
  static constexpr int kClientWidth = 634;
  static constexpr int kClientHeight = 325;
  static constexpr int kPlotWidth = 455;
  static constexpr int kPlotHeight = 281;
  static constexpr int kPageControlWidth = 176;

  explicit TMainForm(link::D2XXUnit& link, QWidget* parent = nullptr);
  ~TMainForm() override;

  control::InstrumentController& controller() { return *controller_; }
  StatusBar* statusBar() const { return StatusBar1; }
  // The picture the plot area shows, saved and printed as it is.
  const QImage& plotBitmap() const;
  // The invisible card the plot is framed on for saving and printing.
  card::TQSLCard& qslCard() { return QSLCard1; }
  // Made at their first use: a file dialog costs a good part of the start.
  exports::PlotSaveDialog& saveDialog();
  exports::DataSaveDialog& dataSaveDialog();
  QMenu& plotMenu() const { return *PlotMenu1; }
  const display::ReferenceTraces& references() const { return references_; }
  const display::MarkerState& marker() const { return marker_; }
  // Passes the acquisition thread has handed to the window so far.
  std::uint64_t sweepPasses() const { return sweepPasses_; }
  // Pictures the plot has been brought up to date with; an idle pass that
  // changed nothing adds none.
  std::uint64_t plotUpdates() const { return plotUpdates_; }

  // The receiver of every acquisition pass and of every marker change:
  // redraws the picture from PlotInputsNow.
  void DrawPlot();
  display::PlotInputs PlotInputsNow() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The three frequency triples, each MHz, kHz, Hz.
  enum class Triple { Start, End, Generator };

  void FormCreate();
  void FormShow();
  void FormClose();

  // What the controller reports (main_form_events.cpp).
  void OnEvent(const control::Event& event);
  void ShowLink(bool connected, const std::string& version);
  void ShowRangeStatus(const control::Range& range);
  void ShowRunning(bool running);
  void ShowPaused(bool paused);
  void ShowDetector(bool linear);
  void ShowDelay(bool on);
  void ApplyMode(measure::Mode mode);
  void EnableForMode(const ModeControls& controls);

  // Handlers: each reads its controls and calls one operation.
  void ToolButton1Click();
  void ToolButton6Click();
  void N2Click();
  void KlSpeedButton1Click();  // Start
  void KlSpeedButton2Click();  // Stop
  void KlSpeedButton3Click();  // Pause
  void mnuGenModeClick();      // applies the mode whose button is down
  void CheckBox1Click();
  void CheckBox2Click();
  void ComboBox1Change();
  void mnuLinearClick();
  void Edit4Change();
  void Edit2Change();
  void Edit15Change();
  void mnuSaveClick();
  void mnuPrintClick();
  void mnuOptionClick();
  void mnuCorrFreqClick();
  void mnuCaOutClick();

  // The triples' fields (main_form_range.cpp).
  QLineEdit* tripleField(Triple triple, int place) const;
  UpDown* tripleUpDown(Triple triple, int place) const;
  control::TripleEntry Entry(Triple triple) const;
  // The places the controller's settings hold for a triple.
  const measure::TriplePlaces& Places(Triple triple) const;
  // Place 0..2 (MHz, kHz, Hz): the controller's; any other place reads 0 and writes nothing.
  qint16 TriplePart(Triple triple, int place) const;
  void SetTriplePart(Triple triple, int place, qint16 value);
  measure::Mode ModeOfButtons() const;
  void ShowModeButtons();

  // Plot and marker (main_form_plot.cpp).
  display::LevelScale LevelScaleNow() const;
  // The plot's inputs with the levels as measured, before the flatness correction.
  display::PlotInputs RawPlotInputs() const;

  // The flatness correction (main_form_flatness.cpp): its two menu items, and
  // the levels it makes true wherever the window shows or writes one.
  void buildFlatnessMenu();
  void UpdateFlatnessMenu();
  void mnuFlatnessCalibrationClick();
  void mnuFlatnessClick();
  void ApplyFlatness(display::PlotInputs& in) const;
  // The sweep on the plot as a data file takes it: raw samples, corrected levels.
  exports::SweepTable SweepTableNow() const;
  // Files of the correction found damaged at start, said once the window shows.
  void ShowDamagedFlatnessFiles();
  void PaintBox1Paint();
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The plot area's own events; true when taken.
  bool PlotEvent(QEvent* event);
  void PlotMouseEvent(const QMouseEvent& mouse);
  void mnuVisirClick();
  void PaintBox1MouseDown(Qt::MouseButton button, int x, int y);
  void PaintBox1MouseUp(Qt::MouseButton button);
  void PaintBox1MouseMove(int x, int y);
  void PaintBox1Click();
  void Edit10KeyDown(int key);
  // Empties the pointer readouts once the pointer has left the plot.
  void ApplicationEvents1Idle();
  // The marker as the controller keeps it, changed by `change` and stored
  // back; redrawn when `change` says so.
  void ChangeMarker(const std::function<bool(display::MarkerState&)>& change);

  // The plot's context menu and its tools (main_form_tools.cpp): additions
  // beside the original controls, none of them kept in the settings file.
  void buildPlotMenu();
  void UpdatePlotMenu();
  void PlotMenuPopup(const QPoint& globalPos);
  void mnuSaveDataClick();
  void mnuKeepTraceClick();
  void mnuClearTracesClick();
  void MarkerBelowMaximumClick(double db);
  // The scale of the whole program from its next start, 0 for the desktop's.
  void mnuScaleClick(int percent);
  QString ExtraSettingsPath() const;
  // Drops the kept sweeps that no longer fit the plot, saying so once the
  // current hand-off is over.
  void ReconcileReferences(display::PlotInputs& in);

  // Composition (main_form_ui.cpp).
  void buildWindow();
  void buildSweepPage(QWidget* page);
  void buildGeneratorPage(QWidget* page);
  QToolButton* addToolButton(const QString& name, const QString& hint, bool checkable);
  // A triple's fields with their arrows, named {field, up-down} per place;
  // their hints name `what` they hold.
  void addTriple(QWidget* page, Triple triple, const QString& what,
                 const std::array<std::array<const char*, 2>, 3>& names, int y);
  QLineEdit* addTripleField(QWidget* page, const QString& name, const QString& text, int x, int y);
  UpDown* addUpDown(QLineEdit* field, const QString& name, int minimum, int maximum);
  void connectHandlers();

  // The published settings' accessors: each reads the controller's settings
  // and writes through the operation the setting's control runs, so that a
  // value restored from the file does what the control would do.
  using Calibration = measure::LevelCalibration;
  using Mode = measure::Mode;
  const measure::Settings& settings() const { return controller_->Settings(); }
  void setCalibration(std::int16_t Calibration::*value, qint16 constant);
  void selectMode(Mode mode, bool selected);
  qint16 corrLog0Db() const { return settings().calibration.CorrLog_0Db; }
  void setCorrLog0Db(qint16 value) { setCalibration(&Calibration::CorrLog_0Db, value); }
  qint16 corrLog40Db() const { return settings().calibration.CorrLog_40Db; }
  void setCorrLog40Db(qint16 value) { setCalibration(&Calibration::CorrLog_40Db, value); }
  qint16 corrLin0Db() const { return settings().calibration.CorrLin_0Db; }
  void setCorrLin0Db(qint16 value) { setCalibration(&Calibration::CorrLin_0Db, value); }
  qint16 corrLin12Db() const { return settings().calibration.CorrLin_12Db; }
  void setCorrLin12Db(qint16 value) { setCalibration(&Calibration::CorrLin_12Db, value); }
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
  qint16 zeroDbAnaliser() const { return settings().zeroDbAnaliser; }
  void setZeroDbAnaliser(qint16 value);
  bool linear() const { return settings().linear; }
  void setLinear(bool value) { controller_->SetDetector(value); }
  bool visir() const { return settings().visir; }
  void setVisir(bool value);
  qint32 visirValue() const { return settings().visirValue; }
  void setVisirValue(qint32 value) { controller_->SetMarker(settings().visir, value); }
  bool delay() const { return settings().delay; }
  void setDelay(bool value) { controller_->StoreDelay(value); }
  bool genMode() const { return settings().mode == Mode::Generator; }
  void setGenMode(bool value) { selectMode(Mode::Generator, value); }
  bool swipMode() const { return settings().mode == Mode::Sweep; }
  void setSwipMode(bool value) { selectMode(Mode::Sweep, value); }
  bool analiserMode() const { return settings().mode == Mode::Analyser; }
  void setAnaliserMode(bool value) { selectMode(Mode::Analyser, value); }
  qint32 delayIndex() const { return settings().delayIndex; }
  void setDelayIndex(qint32 value) { controller_->StoreDelayIndex(value); }
  qint32 realFreq() const { return settings().realFreq; }
  void setRealFreq(qint32 value) { controller_->SetRealFreq(value); }
  qint32 corrFreq() const { return settings().corrFreq; }
  void setCorrFreq(qint32 value) { controller_->SetCorrFreq(value); }
  qint32 dds() const { return settings().dds; }
  void setDds(qint32 value) { controller_->SetDds(value); }
  bool averaging() const { return settings().averaging; }
  void setAveraging(bool value) { controller_->StoreAveraging(value); }
  bool vfoDiv() const { return settings().vfoDiv; }
  void setVfoDiv(bool value) { controller_->SetVfoDiv(value); }

  std::unique_ptr<control::InstrumentController> controller_;
  std::unique_ptr<flatness::FlatnessCorrection> flatness_;
  std::unique_ptr<CalibrationHosts> hosts_;
  std::uint64_t sweepPasses_ = 0;
  std::uint64_t plotUpdates_ = 0;
  // What the picture was last brought up to date with, beyond the levels.
  std::uint64_t drawnRevision_ = 0;
  bool plotStale_ = true;
  // The marker's drag state; where it stands and whether it shows are the
  // controller's settings.
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
  QAction* mnuFlatnessCalibration = nullptr;
  QAction* mnuFlatness = nullptr;
  std::unique_ptr<exports::DataSaveDialog> DataSaveDialog1;
  display::ReferenceTraces references_;
  // Goes before the controller does.
  control::Subscription subscription_;
};

}  // namespace virn::app
