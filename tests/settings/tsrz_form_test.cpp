// The window base class with a small window of every kind of published value:
// the registry order, the document written on close, and reading it back
// through the window's own setters.
#include "settings/tsrz_form.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QTemporaryDir>

namespace virn::settings {
namespace {

class SampleForm : public TSrzForm {
  Q_OBJECT
  Q_PROPERTY(qint16 _Short READ shortValue WRITE setShortValue)
  Q_PROPERTY(bool _Flag READ flag WRITE setFlag)
  Q_PROPERTY(qint32 _Int READ intValue WRITE setIntValue)
  Q_PROPERTY(double _Real READ real WRITE setReal)
  Q_PROPERTY(QString _Text READ text WRITE setText)
  Q_PROPERTY(QPoint _Point READ point WRITE setPoint)  // a kind the file does not keep
  Q_PROPERTY(int Plain READ intValue WRITE setIntValue)

 public:
  explicit SampleForm(const QString& configDir) {
    setObjectName(QStringLiteral("SampleForm"));
    setFixedSize(300, 200);
    ConfigPath = configDir;
    FinishCreation();
  }
  std::vector<QString> writes;

  qint16 shortValue() const { return short_; }
  void setShortValue(qint16 v) { short_ = v, writes.emplace_back(QStringLiteral("_Short")); }
  bool flag() const { return flag_; }
  void setFlag(bool v) { flag_ = v, writes.emplace_back(QStringLiteral("_Flag")); }
  qint32 intValue() const { return int_; }
  void setIntValue(qint32 v) { int_ = v, writes.emplace_back(QStringLiteral("_Int")); }
  double real() const { return real_; }
  void setReal(double v) { real_ = v, writes.emplace_back(QStringLiteral("_Real")); }
  QString text() const { return text_; }
  void setText(const QString& v) { text_ = v, writes.emplace_back(QStringLiteral("_Text")); }
  QPoint point() const { return {}; }
  void setPoint(QPoint /*unused*/) {}

 private:
  qint16 short_ = 10;
  bool flag_ = false;
  qint32 int_ = 43;
  double real_ = 0.25;
  QString text_ = QStringLiteral("a");
};

// Values whose width or sign the signed 32-bit file text does not match directly.
class UnsignedForm : public TSrzForm {
  Q_OBJECT
  Q_PROPERTY(quint32 _Unsigned MEMBER unsigned_)
  Q_PROPERTY(quint16 _Word MEMBER word_)

 public:
  explicit UnsignedForm(const QString& configDir) {
    setObjectName(QStringLiteral("UnsignedForm"));
    setFixedSize(100, 100);
    ConfigPath = configDir;
    FinishCreation();
  }
  quint32 unsigned_ = 0;
  quint16 word_ = 0;
};

struct FormFixture : ::testing::Test {
  QTemporaryDir dir;
  QString FileName() const {
    return dir.path() + QStringLiteral("/settings_file_tests.sampleform.config.xml");
  }
  void WriteFile(const QString& values) const {
    QFile f(FileName());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write((QStringLiteral("<?xml version=\"1.0\" ?><Configuration><Left type=\"Integer\">20</Left>"
                            "<Top type=\"Integer\">30</Top><Width type=\"Integer\">1</Width>"
                            "<Height type=\"Integer\">1</Height><WindowState type=\"Integer\">0</WindowState>"
                            "<Tag type=\"Integer\">5</Tag>") +
             values + QStringLiteral("</Configuration>"))
                .toUtf8());
  }
};

TEST_F(FormFixture, TheRegistryHasTheAncestorsFirstInDeclarationOrder) {
  SampleForm form(QString{});
  const std::vector<QByteArray> expected = {"_BlendValue", "_Short", "_Flag", "_Int",
                                            "_Real",       "_Text",  "_Point"};
  EXPECT_EQ(form.PublishedSettings(), expected);
  EXPECT_TRUE(form.ConfigPath.isEmpty());  // no directory: nothing is read or written
  EXPECT_FALSE(form.SaveConfig());
}

TEST_F(FormFixture, CreationTurnsTheDirectoryIntoTheFileNameAndReadsIt) {
  WriteFile(
      QStringLiteral("<_Int type=\"Integer\">7</_Int><_Short type=\"Integer\">-3</_Short>"
                     "<_Unknown type=\"Integer\">1</_Unknown><Plain type=\"Integer\">99</Plain>"));
  SampleForm form(dir.path());
  EXPECT_EQ(form.ConfigPath, FileName());
  EXPECT_EQ(form.writes, (std::vector<QString>{QStringLiteral("_Int"), QStringLiteral("_Short")}));
  EXPECT_EQ(form.intValue(), 7);
  EXPECT_EQ(form.shortValue(), -3);
  EXPECT_EQ(form.pos(), QPoint(20, 30));
  EXPECT_EQ(form.size(), QSize(300, 200));  // a fixed border keeps the designed size
  EXPECT_EQ(form.Tag, 5);
}

TEST_F(FormFixture, NarrowPropertiesKeepTheLowBits) {
  WriteFile(
      QStringLiteral("<_Short type=\"Integer\">70000</_Short><_Flag type=\"Integer\">256</_Flag>"
                     "<_BlendValue type=\"Integer\">-2</_BlendValue>"));
  SampleForm form(dir.path());
  EXPECT_EQ(form.shortValue(), 4464);
  EXPECT_FALSE(form.flag());
  EXPECT_EQ(form.blendValue(), 254);
}

TEST_F(FormFixture, ClosingWritesEveryKeptValueAndTheyReadBack) {
  {
    SampleForm form(dir.path());
    form.setShortValue(-32768);
    form.setFlag(true);
    form.setIntValue(-2147483647 - 1);
    form.setReal(-1.5e-3);
    form.setText(QStringLiteral("Калибровка <1> & \"2\""));
    form.setBlendValue(200);
    form.move(40, 50);
    form.show();
    form.close();
  }
  QFile file(FileName());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("<_Short type=\"Integer\">-32768</_Short>")));
  EXPECT_TRUE(text.contains(QStringLiteral("<_Flag type=\"Integer\">1</_Flag>")));
  EXPECT_TRUE(text.contains(QStringLiteral("<_Real type=\"Float\">")));
  EXPECT_FALSE(text.contains(QStringLiteral("_Point")));
  EXPECT_LT(text.indexOf(QStringLiteral("<Tag")), text.indexOf(QStringLiteral("<_BlendValue")));
  EXPECT_LT(text.indexOf(QStringLiteral("<_BlendValue")), text.indexOf(QStringLiteral("<_Short")));

  SampleForm again(dir.path());
  EXPECT_EQ(again.shortValue(), -32768);
  EXPECT_TRUE(again.flag());
  EXPECT_EQ(again.intValue(), -2147483647 - 1);
  EXPECT_DOUBLE_EQ(again.real(), -1.5e-3);
  EXPECT_EQ(again.text(), QStringLiteral("Калибровка <1> & \"2\""));
  EXPECT_EQ(again.blendValue(), 200);
  EXPECT_EQ(again.writes.size(), 5u);
}

TEST_F(FormFixture, AnUnreadableFileIsSetAsideAndTheNextStartUsesDefaults) {
  WriteFile(
      QStringLiteral("<_Short type=\"Integer\">5</_Short><_Int type=\"Integer\">abc</_Int>"
                     "<_Text type=\"String\">z</_Text>"));
  {
    SampleForm form(dir.path());
    EXPECT_EQ(form.shortValue(), 5);
    EXPECT_EQ(form.intValue(), 43);
    EXPECT_EQ(form.text(), QStringLiteral("a"));
  }
  EXPECT_FALSE(QFile::exists(FileName()));
  EXPECT_TRUE(QFile::exists(FileName() + kBadFileSuffix));
  SampleForm next(dir.path());
  EXPECT_EQ(next.shortValue(), 10);
}

TEST_F(FormFixture, UnsignedValuesAreWrittenSoThatTheyReadBack) {
  const QString fileName = dir.path() + QStringLiteral("/settings_file_tests.unsignedform.config.xml");
  {
    UnsignedForm form(dir.path());
    form.unsigned_ = 4000000000u;
    form.word_ = 65535;
    ASSERT_TRUE(form.SaveConfig());
  }
  QFile file(fileName);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("<_Unsigned type=\"Integer\">-294967296</_Unsigned>")));
  EXPECT_TRUE(text.contains(QStringLiteral("<_Word type=\"Integer\">65535</_Word>")));

  UnsignedForm again(dir.path());
  EXPECT_EQ(again.unsigned_, 4000000000u);
  EXPECT_EQ(again.word_, 65535);
  EXPECT_FALSE(QFile::exists(fileName + kBadFileSuffix));
}

}  // namespace
}  // namespace virn::settings

#include "tsrz_form_test.moc"
