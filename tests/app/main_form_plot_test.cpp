// The plot area of the main window: the picture it shows for the window's
// state, the marker driven by mouse and keys, and the pointer readouts.
#include <gtest/gtest.h>

#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

#include "app/status_bar.h"
#include "display/plot_renderer.h"
#include "display/scale.h"
#include "linked_window_fixture.h"

namespace virn::app {
namespace {

using PlotWindowFixture = LinkedWindowFixture;

QWidget* PlotArea(TMainForm& form) {
  return form.findChild<QWidget*>(QStringLiteral("PaintBox1"));
}

TEST_F(PlotWindowFixture, IdlePassesLeaveThePictureAloneAndAQuietChangeStillReachesIt) {
  auto form = ConnectedWindow();
  const auto passesFrom = [&](std::uint64_t passes, std::uint64_t more) {
    return test::PollUntil([&] { return form->sweepPasses() >= passes + more; });
  };
  ASSERT_TRUE(passesFrom(form->sweepPasses(), 2));
  const std::uint64_t updates = form->plotUpdates();
  ASSERT_TRUE(passesFrom(form->sweepPasses(), 20));
  EXPECT_EQ(form->plotUpdates(), updates);
  // A stored setting that no event announces.
  form->setProperty("_CorrLog_40Db", 90);
  ASSERT_TRUE(passesFrom(form->sweepPasses(), 2));
  EXPECT_EQ(form->plotUpdates(), updates + 1);
  EXPECT_EQ(form->plotBitmap(), display::RenderPlot(form->PlotInputsNow()));
}

TEST_F(PlotWindowFixture, ThePictureIsTheOneTheWindowStateGives) {
  auto form = ConnectedWindow();
  Button(*form, "KlSpeedButton1")->click();
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests >= 2; }));
  Button(*form, "mnuVisir")->click();
  form->DrawPlot();
  EXPECT_EQ(form->plotBitmap(), display::RenderPlot(form->PlotInputsNow()));
  // The curve of the simulated band-pass reaches near the 0 dB line in its passband.
  int redPixels = 0;
  for (int x = 35; x < 455; ++x) {
    for (int y = 0; y < 281; ++y) redPixels += form->plotBitmap().pixel(x, y) == 0xFFFF0000 ? 1 : 0;
  }
  EXPECT_GT(redPixels, 400);
  Button(*form, "mnuGenMode")->click();
  form->DrawPlot();
  EXPECT_EQ(form->plotBitmap(), display::RenderPlot(form->PlotInputsNow()));
  EXPECT_EQ(form->PlotInputsNow().Mode, display::PlotMode::Generator);
}

TEST_F(PlotWindowFixture, TheDetectorButtonChangesTheScaleAtTheNextRedraw) {
  auto form = Window();
  form->show();
  form->DrawPlot();
  const QImage logarithmic = form->plotBitmap();
  Button(*form, "mnuLinear")->click();
  EXPECT_EQ(form->plotBitmap(), logarithmic);
  form->DrawPlot();
  EXPECT_NE(form->plotBitmap(), logarithmic);
  EXPECT_TRUE(form->PlotInputsNow().Scale.Linear);
}

TEST_F(PlotWindowFixture, MarkerButtonPlacesTheLineAtRow50ThenAtTheLastMouseRow) {
  auto form = Window();
  form->show();
  QToolButton* marker = Button(*form, "mnuVisir");
  marker->click();
  EXPECT_TRUE(form->property("_Visir").toBool());
  EXPECT_EQ(form->property("_VisirValue").toInt(), 50);
  QTest::mouseClick(PlotArea(*form), Qt::LeftButton, {}, QPoint(10, 120));
  EXPECT_EQ(form->property("_VisirValue").toInt(), 120);
  EXPECT_EQ(form->marker().LastVisirValue, 120);
  marker->click();
  EXPECT_EQ(form->property("_VisirValue").toInt(), 0);
  marker->click();
  EXPECT_EQ(form->property("_VisirValue").toInt(), 120);
  // The marker line is on the picture, green from column 35 to the right edge.
  form->DrawPlot();
  EXPECT_EQ(form->plotBitmap().pixel(35, 120), 0xFF008000);
  EXPECT_EQ(form->plotBitmap().pixel(454, 120), 0xFF008000);
  EXPECT_NE(form->plotBitmap().pixel(34, 120), 0xFF008000);
}

TEST_F(PlotWindowFixture, DraggingKeepsTheMarkerInTheDataArea) {
  auto form = Window();
  form->show();
  Button(*form, "mnuVisir")->click();
  QWidget* plot = PlotArea(*form);
  QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_TRUE(form->marker().VisirDrag);
  QTest::mouseMove(plot, QPoint(100, 150));
  EXPECT_EQ(form->property("_VisirValue").toInt(), 150);
  QTest::mouseMove(plot, QPoint(100, 20));  // the label margin: ignored
  EXPECT_EQ(form->property("_VisirValue").toInt(), 150);
  EXPECT_EQ(form->marker().LastVisirValue, 150);
  QTest::mouseMove(plot, QPoint(100, 280));  // the bottom row: the marker stays, the last row follows
  EXPECT_EQ(form->property("_VisirValue").toInt(), 150);
  EXPECT_EQ(form->marker().LastVisirValue, 280);
  QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(100, 280));
  EXPECT_FALSE(form->marker().VisirDrag);
  QTest::mouseMove(plot, QPoint(100, 200));
  EXPECT_EQ(form->property("_VisirValue").toInt(), 150);
}

TEST_F(PlotWindowFixture, ArrowKeysMoveTheMarkerOneRowEvenPastTheEdges) {
  auto form = Window();
  form->show();
  auto* sink = form->findChild<QLineEdit*>(QStringLiteral("Edit10"));
  QTest::keyClick(sink, Qt::Key_Up);  // marker off: nothing
  EXPECT_EQ(form->property("_VisirValue").toInt(), 0);
  Button(*form, "mnuVisir")->click();
  form->setProperty("_VisirValue", 1);
  QTest::keyClick(sink, Qt::Key_Up);
  QTest::keyClick(sink, Qt::Key_Up);
  EXPECT_EQ(form->property("_VisirValue").toInt(), -1);
  QTest::keyClick(sink, Qt::Key_Down);
  EXPECT_EQ(form->property("_VisirValue").toInt(), 0);
  EXPECT_EQ(form->marker().LastVisirValue, 0);
}

TEST_F(PlotWindowFixture, APlotClickGivesTheArrowKeysToTheFocusSink) {
  auto form = Window();
  form->show();
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QTest::mouseClick(PlotArea(*form), Qt::LeftButton, {}, QPoint(200, 100));
  EXPECT_TRUE(form->findChild<QLineEdit*>(QStringLiteral("Edit10"))->hasFocus());
}

TEST_F(PlotWindowFixture, PointerReadoutsFollowThePointerAndGoWhenItLeaves) {
  auto form = Window();
  form->show();
  QWidget* plot = PlotArea(*form);
  QTest::mouseMove(plot, QPoint(120, 55));
  EXPECT_EQ(form->statusBar()->panelText(3), display::LevelToStr(55, form->PlotInputsNow().Scale));
  EXPECT_EQ(form->statusBar()->panelText(4), QStringLiteral("10.198.810 Гц"));
  QTest::mouseMove(plot, QPoint(20, 100));  // the level labels: both stay
  EXPECT_EQ(form->statusBar()->panelText(4), QStringLiteral("10.198.810 Гц"));
  QCursor::setPos(plot->mapToGlobal(QPoint(200, 100)));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(plot, &leave);
  EXPECT_EQ(form->statusBar()->panelText(4), QStringLiteral("10.198.810 Гц"));
  QCursor::setPos(plot->mapToGlobal(QPoint(500, 100)));
  QApplication::sendEvent(plot, &leave);
  EXPECT_EQ(form->statusBar()->panelText(3), QString());
  EXPECT_EQ(form->statusBar()->panelText(4), QString());
  Button(*form, "mnuGenMode")->click();
  QTest::mouseMove(plot, QPoint(120, 55));  // generator mode: no readouts
  EXPECT_EQ(form->statusBar()->panelText(4), QString());
}

TEST_F(PlotWindowFixture, ADragOutOfThePlotEmptiesTheReadoutsBeforeTheRelease) {
  auto form = ConnectedWindow();
  Button(*form, "mnuVisir")->click();
  QWidget* plot = PlotArea(*form);
  QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
  // The button stays down: the plot keeps getting the moves, wherever the pointer goes.
  const auto drag = [plot](QPoint to) {
    QMouseEvent move(QEvent::MouseMove, to, plot->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(plot, &move);
  };
  drag(QPoint(200, 120));
  EXPECT_EQ(form->statusBar()->panelText(3), display::LevelToStr(120, form->PlotInputsNow().Scale));
  EXPECT_FALSE(form->statusBar()->panelText(4).isEmpty());
  for (const QPoint outside : {QPoint(600, 120), QPoint(200, 400), QPoint(-20, 120), QPoint(200, -10)}) {
    drag(QPoint(200, 120));
    drag(outside);
    EXPECT_EQ(form->statusBar()->panelText(3), QString()) << outside.x() << "," << outside.y();
    EXPECT_EQ(form->statusBar()->panelText(4), QString()) << outside.x() << "," << outside.y();
  }
  // Back inside, still dragging: the readouts return.
  drag(QPoint(150, 130));
  EXPECT_EQ(form->statusBar()->panelText(3), display::LevelToStr(130, form->PlotInputsNow().Scale));
  QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, QPoint(150, 130));
}

// These run at the test screen's scale, and again at 200 % (tests/app/CMakeLists.txt).
using ScreenScaleFixture = LinkedWindowFixture;

TEST_F(ScreenScaleFixture, ThePlotAreaShowsThePictureForItsScreenAndReadsThePointersPixel) {
  auto form = ConnectedWindow();
  Button(*form, "KlSpeedButton1")->click();
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests >= 2; }));
  const std::uint64_t requests = instrument->State().sweepRequests;
  Button(*form, "KlSpeedButton3")->click();  // Pause; the pass under way ends unread
  ASSERT_TRUE(test::PollUntil([&] { return form->sweepPasses() > requests + 1; }));
  Button(*form, "mnuVisir")->click();  // and redraws
  QWidget* plot = PlotArea(*form);
  const display::PlotInputs in = form->PlotInputsNow();
  const double ratio = plot->devicePixelRatioF();
  const QImage shown = plot->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown, display::RenderPlot(in, ratio));
  EXPECT_EQ(form->plotBitmap(), display::RenderPlot(in));  // what saving and printing take
  if (ratio == 1.0) {
    EXPECT_EQ(shown, form->plotBitmap());
  }

  // Between pixels, as a screen at another scale gives the pointer.
  const auto send = [plot](QEvent::Type type, QPointF at) {
    QMouseEvent event(type, at, plot->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(plot, &event);
  };
  send(QEvent::MouseButtonPress, QPointF(120.9, 55.75));
  send(QEvent::MouseButtonRelease, QPointF(120.9, 55.75));
  EXPECT_EQ(form->property("_VisirValue").toInt(), 55);
  send(QEvent::MouseMove, QPointF(120.9, 55.75));
  EXPECT_EQ(form->statusBar()->panelText(4), QStringLiteral("10.198.810 Гц"));
}

TEST_F(PlotWindowFixture, LevelTextsFollowTheDetectorAndTheCalibration) {
  auto form = Window();
  const QString point = QLocale().decimalPoint();
  EXPECT_EQ(display::LevelToStr(55, form->PlotInputsNow().Scale),
            QStringLiteral("-10") + point + QStringLiteral("0 dB"));
  EXPECT_EQ(display::LevelToStr(30, form->PlotInputsNow().Scale),
            QStringLiteral("0") + point + QStringLiteral("0 dB"));
  form->setProperty("_Linear", true);
  EXPECT_EQ(display::LevelToStr(55, form->PlotInputsNow().Scale),
            QStringLiteral("-3") + point + QStringLiteral("0 dB"));
  form->setProperty("_CorrLin_12Db", 0);  // equal values: no scale, and no crash
  EXPECT_EQ(display::LevelToStr(55, form->PlotInputsNow().Scale), display::kNoLevelText);
  EXPECT_EQ(display::PixelToFreq(35, form->controller().RangeInEffect().StartFreq,
                                 form->controller().RangeInEffect().EndFreq),
            100000);
  EXPECT_EQ(display::PixelToFreq(455, form->controller().RangeInEffect().StartFreq,
                                 form->controller().RangeInEffect().EndFreq),
            50000000);
}

}  // namespace
}  // namespace virn::app
