// The main window's settings across a restart: every published value comes
// back, a restored mode shows at the first display, and damaged files are
// survived.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMetaProperty>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "app/status_bar.h"
#include "display/scale.h"
#include "linked_window_fixture.h"
#include "measure/frequency.h"
#include "measure/settings_model.h"
#include "settings/config_file.h"

namespace virn::app {
namespace {

struct SettingsFixture : LinkedWindowFixture {
  QString dir;
  SettingsFixture() {
    dir = config.path() + QStringLiteral("/Kelmar/virn-");
    QDir().mkpath(dir);
  }
  QString FileName() const { return dir + QStringLiteral("/app_tests.mainform.config.xml"); }
  void WriteSettings(const QString& values) const {
    QFile file(FileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((QStringLiteral("<?xml version=\"1.0\"?><Configuration><Left type=\"Integer\">10</Left>"
                               "<Top type=\"Integer\">20</Top><Width type=\"Integer\">640</Width>"
                               "<Height type=\"Integer\">350</Height>"
                               "<WindowState type=\"Integer\">0</WindowState><Tag type=\"Integer\">0</Tag>") +
                values + QStringLiteral("</Configuration>"))
                   .toUtf8());
  }
};

std::map<QString, QVariant> PublishedValues(const TMainForm& form) {
  std::map<QString, QVariant> values;
  for (const QByteArray& name : form.PublishedSettings())
    values[QString::fromLatin1(name)] = form.property(name);
  return values;
}

// The window's properties are the settings model's, in its order, after the
// base class's own.
TEST_F(SettingsFixture, TheFileKeepsTheSettingsInTheirFixedOrder) {
  auto form = Window();
  std::vector<QByteArray> expected = {"_BlendValue"};
  for (const auto& setting : measure::PublishedSettings()) {
    expected.emplace_back(setting.name.data(), static_cast<qsizetype>(setting.name.size()));
  }
  EXPECT_EQ(form->PublishedSettings(), expected);
  form->show();
  form->close();
  QFile file(FileName());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  qsizetype at = text.indexOf(QStringLiteral("<Tag "));
  ASSERT_GE(at, 0);
  for (const QByteArray& name : expected) {
    const qsizetype next =
        text.indexOf(QLatin1Char('<') + QString::fromLatin1(name) + QStringLiteral(" type=\"Integer\">"));
    EXPECT_GT(next, at) << name.constData();
    at = next;
  }
  EXPECT_TRUE(text.contains(QStringLiteral("<_Delay type=\"Integer\">1</_Delay>")));
  EXPECT_TRUE(text.contains(QStringLiteral("<_RealFreq type=\"Integer\">45000000</_RealFreq>")));
}

TEST_F(SettingsFixture, EveryPublishedValueComesBackAfterARestart) {
  const std::vector<std::pair<const char*, QVariant>> changes = {
      {"_BlendValue", 200},   {"_CorrLog_0Db", -12},   {"_CorrLog_40Db", 90},   {"_CorrLin_0Db", 3},
      {"_CorrLin_12Db", 120}, {"_StartFreqA", 1},      {"_StartFreqB", 250},    {"_StartFreqC", 7},
      {"_EndFreqA", 30},      {"_EndFreqB", 5},        {"_EndFreqC", 9},        {"_FreqGenA", 14},
      {"_FreqGenB", 200},     {"_FreqGenC", 999},      {"_0DbAnaliser", -35},   {"_Linear", true},
      {"_Visir", true},       {"_VisirValue", 77},     {"_Delay", false},       {"_AnaliserMode", true},
      {"_DelayIndex", 3},     {"_RealFreq", 45000450}, {"_CorrFreq", 44990000}, {"_DDS", 41},
      {"_Averaging", true},   {"_VFOdiv", true}};
  std::map<QString, QVariant> saved;
  {
    auto form = Window();
    form->show();
    for (const auto& [name, value] : changes) ASSERT_TRUE(form->setProperty(name, value)) << name;
    saved = PublishedValues(*form);
    for (const auto& [name, value] : changes) {
      EXPECT_EQ(saved[QString::fromLatin1(name)].toLongLong(), value.toLongLong()) << name;
    }
    form->close();
  }
  ASSERT_TRUE(QFile::exists(FileName()));
  TMainForm restored(unit);
  restored.show();
  EXPECT_EQ(PublishedValues(restored), saved);
  EXPECT_EQ(restored.controller().RangeInEffect().StartFreq, 1250007);
  EXPECT_EQ(restored.controller().RangeInEffect().EndFreq, 30005009);
  EXPECT_EQ(measure::ReadTriple(restored.controller().GeneratorTexts()), 14200999);
}

TEST_F(SettingsFixture, ARestoredModeAndDetectorShowAtTheFirstDisplay) {
  WriteSettings(
      QStringLiteral("<_StartFreqB type=\"Integer\">300</_StartFreqB><_Linear type=\"Integer\">1</_Linear>"
                     "<_GenMode type=\"Integer\">1</_GenMode><_SwipMode type=\"Integer\">0</_SwipMode>"
                     "<_AnaliserMode type=\"Integer\">0</_AnaliserMode>"));
  auto form = Window();
  form->show();
  EXPECT_EQ(form->statusBar()->panelText(6), QStringLiteral("Лин."));
  EXPECT_EQ(form->controller().RangeInEffect().StartFreq, 300000);
  auto* pages = form->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  EXPECT_EQ(pages->currentIndex(), 1);
  EXPECT_FALSE(pages->isTabVisible(0));
  EXPECT_FALSE(form->findChild<QToolButton*>(QStringLiteral("KlSpeedButton1"))->isEnabled());
  EXPECT_EQ(form->pos(), QPoint(10, 20));
}

TEST_F(SettingsFixture, ADamagedFileIsSetAsideAndTheWindowWorks) {
  WriteSettings(
      QStringLiteral("<_CorrLog_40Db type=\"Integer\">80</_CorrLog_40Db>"
                     "<_DDS type=\"Integer\">abc</_DDS><_VFOdiv type=\"Integer\">1</_VFOdiv>"));
  auto form = Window();
  form->show();
  EXPECT_EQ(form->property("_CorrLog_40Db").toInt(), 80);  // before the fault
  EXPECT_EQ(form->property("_DDS").toInt(), 43);
  EXPECT_FALSE(form->property("_VFOdiv").toBool());
  EXPECT_FALSE(QFile::exists(FileName()));
  EXPECT_TRUE(QFile::exists(FileName() + settings::kBadFileSuffix));
  form->DrawPlot();
  form->close();
  EXPECT_TRUE(QFile::exists(FileName()));  // written anew on close
}

TEST_F(SettingsFixture, ValuesThatWouldBreakTheProgramAreTamed) {
  WriteSettings(
      QStringLiteral("<_RealFreq type=\"Integer\">0</_RealFreq>"
                     "<_DelayIndex type=\"Integer\">7</_DelayIndex>"
                     "<_Visir type=\"Integer\">1</_Visir>"
                     "<_VisirValue type=\"Integer\">2147483647</_VisirValue>"
                     "<_CorrLog_40Db type=\"Integer\">0</_CorrLog_40Db>"
                     "<_0DbAnaliser type=\"Integer\">32767</_0DbAnaliser>"
                     "<_StartFreqA type=\"Integer\">-5</_StartFreqA>"));
  auto form = ConnectedWindow();
  form->findChild<QToolButton*>(QStringLiteral("KlSpeedButton1"))->click();
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests >= 2; }));
  EXPECT_EQ(instrument->State().periodIndex, 1);
  QTest::keyClick(form->findChild<QLineEdit*>(QStringLiteral("Edit10")), Qt::Key_Down);
  form->DrawPlot();
  EXPECT_EQ(form->property("_VisirValue").toInt(), 2147483647);
  EXPECT_EQ(display::LevelToStr(100, form->PlotInputsNow().Scale), QStringLiteral("— dB"));
}

}  // namespace
}  // namespace virn::app
