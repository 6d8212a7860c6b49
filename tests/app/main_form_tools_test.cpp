// The plot's context menu in the main window: the data export, kept curves,
// the marker below the maximum and the quality factor, and what they and the
// scale leave alone: the marker's left button and the settings file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "display/marker.h"
#include "display/scale.h"
#include "export/save_data.h"
#include "linked_window_fixture.h"
#include "settings/klm_api.h"
#include "sim/network_model.h"
#include "support/build_paths.h"
#include "support/modal_driver.h"
#include "support/modal_watcher.h"
#include "support/scoped_env.h"
#include "widgets/passing_notice.h"

namespace virn::app {
namespace {

struct ToolsFixture : LinkedWindowFixture {
  QTemporaryDir target;
  QTemporaryDir temp;
  test::ScopedEnv tmpdir{"TMPDIR", temp.path().toStdString()};
  virn::test::ModalDriver driver;

  static QWidget* Panel(TMainForm& form) {
    return form.findChild<QWidget*>(QStringLiteral("PaintBox1"))->parentWidget();
  }
  static QAction* Action(TMainForm& form, const char* name) {
    return form.findChild<QAction*>(QString::fromLatin1(name));
  }
  // A connected window with a sweep taken and held by Pause, so the samples stay put.
  std::unique_ptr<TMainForm> HeldSweep() {
    auto form = ConnectedWindow();
    Button(*form, "KlSpeedButton1")->click();
    EXPECT_TRUE(
        test::PollUntil([&] { return form->sweepPasses() > 0 && instrument->State().sweepRequests >= 2; }));
    const std::uint64_t requests = instrument->State().sweepRequests;
    Button(*form, "KlSpeedButton3")->click();
    // The pass under way when Pause came ends before the levels are read.
    EXPECT_TRUE(test::PollUntil([&] { return form->sweepPasses() > requests + 1; }));
    form->DrawPlot();
    return form;
  }
  static virn::test::ModalDriver::Step Name(const QString& path) {
    return [path](QWidget& modal) {
      auto* dialog = qobject_cast<QFileDialog*>(&modal);
      ASSERT_NE(dialog, nullptr) << modal.metaObject()->className();
      EXPECT_EQ(dialog->nameFilters(), QStringList{exports::kDataFilter});
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(name, nullptr);
      name->setText(path);
      QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    };
  }
  QString SettingsFile() const {
    return config.path() + QStringLiteral("/Kelmar/virn-/app_tests.mainform.config.xml");
  }
  QByteArray SettingsBytes() const {
    QFile file(SettingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
};

TEST_F(ToolsFixture, TheRightButtonOpensTheMenuAndLeavesTheMarkerWhereItIs) {
  auto form = HeldSweep();
  Button(*form, "mnuVisir")->click();
  const std::int32_t row = form->property("_VisirValue").toInt();
  QWidget* plot = form->findChild<QWidget*>(QStringLiteral("PaintBox1"));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(200, 150), plot->mapToGlobal(QPointF(200, 150)),
                    Qt::RightButton, Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(plot, &press);
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(200, 150),
                              plot->mapToGlobal(QPoint(200, 150)));
  QApplication::sendEvent(plot, &menuEvent);
  QMenu& menu = form->plotMenu();
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(form->property("_VisirValue").toInt(), row);
  QStringList texts;
  for (QAction* action : menu.actions()) {
    if (!action->isSeparator()) texts << action->text();
  }
  EXPECT_EQ(texts, (QStringList{"Сохранить данные...", "Запомнить кривую", "Убрать кривые", "Визир на −3 дБ",
                                "Визир на −6 дБ", "Визир на −20 дБ", "Показывать добротность",
                                "Калибровка АЧХ…", "Коррекция АЧХ", "Масштаб"}));
  EXPECT_TRUE(Action(*form, "mnuSaveData")->isEnabled());
  EXPECT_FALSE(Action(*form, "mnuClearTraces")->isEnabled());  // nothing kept yet
  menu.hide();
  // Without a sweep there are no numbers to save or keep.
  Button(*form, "KlSpeedButton2")->click();
  QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(10, 10), plot->mapToGlobal(QPoint(10, 10)));
  QApplication::sendEvent(plot, &request);
  EXPECT_FALSE(Action(*form, "mnuSaveData")->isEnabled());
  EXPECT_FALSE(Action(*form, "mnuKeepTrace")->isEnabled());
  EXPECT_FALSE(Action(*form, "mnuMarker3dB")->isEnabled());
  form->plotMenu().hide();
}

TEST_F(ToolsFixture, SavedDataAreTheShownSweepWithCalibratedLevels) {
  auto form = HeldSweep();
  form->setProperty("_CorrLog_0Db", -12);  // a calibration other than the default, so the offset shows
  const display::PlotInputs in = form->PlotInputsNow();
  driver.Then(Name(target.filePath(QStringLiteral("фильтр"))));
  Action(*form, "mnuSaveData")->trigger();
  ASSERT_TRUE(driver.Done());
  QFile file(target.filePath(QStringLiteral("фильтр.csv")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = file.readAll().split('\n');
  ASSERT_EQ(lines.size(), 1 + 421 + 1);  // the header, the rows and the empty rest after the last "\n"
  EXPECT_EQ(lines[0], QByteArray("sweep,frequency_hz,level_db,sample"));
  EXPECT_TRUE(lines.back().isEmpty());
  for (int i = 0; i < 421; ++i) {
    const QList<QByteArray> fields = lines[i + 1].split(',');
    ASSERT_EQ(fields.size(), 4) << i;
    EXPECT_EQ(fields[0], "1");
    EXPECT_EQ(fields[1].toLongLong(),
              display::PixelToFreq(35 + i, form->controller().RangeInEffect().StartFreq,
                                   form->controller().RangeInEffect().EndFreq))
        << i;
    const int sample = fields[3].toInt();
    EXPECT_EQ(sample, in.Samples[static_cast<std::size_t>(i)]) << i;
    // The level of the sample's row as the plot's level scale reads it: 0 dB at
    // row 30, and -12..100 over 40 dB makes 2.8 rows a dB.
    const double row = 281 - (sample - 12);
    EXPECT_NEAR(fields[2].toDouble(), -(row - 30) / 2.8, 0.005) << i;
  }
  EXPECT_TRUE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(ToolsFixture, AFailedDataSaveLeavesTheOldFileAndShowsOneMessage) {
  auto form = HeldSweep();
  const QString path = target.filePath(QStringLiteral("old.csv"));
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier measurement\n");
  }
  const QString noLibraries = target.filePath(QStringLiteral("no-libraries"));
  ASSERT_TRUE(QDir().mkpath(noLibraries));
  settings::SetKlmLibraryDir(noLibraries.toStdString());
  driver.Then(Name(path));
  driver.Then([](QWidget& modal) {  // the dialog's own "replace it?"
    auto* box = qobject_cast<QMessageBox*>(&modal);
    ASSERT_NE(box, nullptr);
    box->button(QMessageBox::Yes)->click();
  });
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  Action(*form, "mnuSaveData")->trigger();
  settings::SetKlmLibraryDir(test::BuildLibDir());
  ASSERT_EQ(driver.Messages().size(), 2u);
  EXPECT_EQ(driver.Messages().back(), exports::kDataSaveFailedText);
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), QByteArray("earlier measurement\n"));
}

TEST_F(ToolsFixture, KeptCurvesShowInThePictureAndGoWithARangeChange) {
  auto form = HeldSweep();
  Action(*form, "mnuKeepTrace")->trigger();
  ASSERT_EQ(form->references().Traces().size(), 1u);
  const QRgb color = form->references().Traces()[0].Color | 0xFF000000u;
  EXPECT_NE(color, 0xFFFF0000u);
  // Another network behind the instrument: the live curve moves off the kept one.
  instrument->SetNetwork(sim::Attenuator(-20));
  Button(*form, "KlSpeedButton3")->click();
  const std::uint64_t passes = form->sweepPasses();
  ASSERT_TRUE(test::PollUntil(
      [&] { return instrument->State().sweepRequests >= 6 && form->sweepPasses() > passes + 3; }));
  form->setProperty("_CorrLog_0Db", -5);  // recalibrated: the kept readings are redrawn, not dropped
  form->DrawPlot();
  ASSERT_EQ(form->references().Traces().size(), 1u);
  const auto count = [&] {
    int n = 0;
    const QImage& plot = form->plotBitmap();
    for (int y = 0; y < plot.height(); ++y) {
      for (int x = 0; x < plot.width(); ++x) n += (plot.pixel(x, y) | 0xFF000000u) == color ? 1 : 0;
    }
    return n;
  };
  EXPECT_GT(count(), 200);
  EXPECT_EQ(form->plotBitmap(), display::RenderPlot(form->PlotInputsNow()));

  form->findChild<QLineEdit*>(QStringLiteral("Edit4"))->setText(QStringLiteral("2"));
  form->DrawPlot();
  EXPECT_TRUE(form->references().Empty());
  EXPECT_EQ(count(), 0);
  EXPECT_TRUE(widgets::PassingNoticeText(*Panel(*form)).startsWith(QStringLiteral("Запомненные кривые")));

  Action(*form, "mnuKeepTrace")->trigger();
  EXPECT_FALSE(form->references().Empty());
  Action(*form, "mnuClearTraces")->trigger();
  EXPECT_TRUE(form->references().Empty());
}

TEST_F(ToolsFixture, TypingANewRangeOverKeptCurvesLosesNoKeystroke) {
  auto form = HeldSweep();
  Action(*form, "mnuKeepTrace")->trigger();
  Button(*form, "KlSpeedButton2")->click();  // stopped: the idle passes still redraw
  test::ModalWatcher watcher;
  auto* field = form->findChild<QLineEdit*>(QStringLiteral("Edit4"));
  field->setFocus();
  field->selectAll();
  for (const char digit : {'6', '0'}) {
    // Typed into whatever has the focus, as the keyboard does, after the
    // redraws that follow the previous digit have run.
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), digit);
    const std::uint64_t passes = form->sweepPasses();
    ASSERT_TRUE(test::PollUntil([&] { return form->sweepPasses() > passes + 1; }));
  }
  EXPECT_EQ(watcher.seen().size(), 0u);
  EXPECT_EQ(field->text(), QStringLiteral("60"));
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 60100000);
  EXPECT_TRUE(form->references().Empty());
  EXPECT_FALSE(widgets::PassingNoticeText(*Panel(*form)).isEmpty());
  EXPECT_EQ(QApplication::focusWidget(), field);
}

TEST_F(ToolsFixture, TheMarkerGoesThreeDbBelowTheMaximumAndTheQLineFollowsTheBand) {
  auto form = HeldSweep();
  EXPECT_FALSE(form->property("_Visir").toBool());
  Action(*form, "mnuMarker3dB")->trigger();
  EXPECT_TRUE(form->property("_Visir").toBool());
  const display::PlotInputs in = form->PlotInputsNow();
  const std::int32_t highest = *std::max_element(in.Samples.begin(), in.Samples.end());
  // 2.5 rows a dB on the default scale: 7.5 rows below the maximum's row.
  EXPECT_NEAR(form->property("_VisirValue").toInt(), 281 - highest + 7.5, 0.5);
  EXPECT_EQ(form->marker().LastVisirValue, form->property("_VisirValue").toInt());
  form->DrawPlot();
  const QImage withoutQ = form->plotBitmap();
  EXPECT_FALSE(Action(*form, "mnuShowQ")->isChecked());  // off at every start
  Action(*form, "mnuShowQ")->trigger();
  EXPECT_TRUE(form->PlotInputsNow().ShowQ);
  EXPECT_NE(form->plotBitmap(), withoutQ);  // the simulated band-pass has two crossings at -3 dB
  TMainForm second(unit);
  EXPECT_FALSE(second.findChild<QAction*>(QStringLiteral("mnuShowQ"))->isChecked());
}

TEST_F(ToolsFixture, TheToolsLeaveTheSettingsFileAsItWas) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(SettingsFile()).path()));
  {
    auto form = HeldSweep();
    form->close();
  }
  const QByteArray plain = SettingsBytes();
  ASSERT_FALSE(plain.isEmpty());
  {
    auto form = HeldSweep();
    Action(*form, "mnuKeepTrace")->trigger();
    Action(*form, "mnuShowQ")->trigger();
    driver.Then(Name(target.filePath(QStringLiteral("data.csv"))));
    Action(*form, "mnuSaveData")->trigger();
    driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
    Action(*form, "mnuScale300")->trigger();
    form->DrawPlot();
    form->close();
  }
  EXPECT_EQ(SettingsBytes(), plain);
}

}  // namespace
}  // namespace virn::app
