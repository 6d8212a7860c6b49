// Reading and writing the settings document without a window: the order in
// which values are applied, the placement rules, and what a fault leaves.
#include "settings/config_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPoint>
#include <QTemporaryDir>
#include <map>
#include <optional>

namespace virn::settings {
namespace {

// Records what the settings apply, in order.
struct RecordingTarget : ConfigTarget {
  QSize screen{1024, 768};
  bool resizable = false;
  std::map<QString, QString> known;  // property name -> last value as text
  std::vector<QString> calls;
  std::optional<int> state;
  std::optional<QPoint> position;
  std::optional<QSize> size;
  std::optional<int> tag;

  void SetWindowState(int s) override {
    state = s;
    calls.push_back(QStringLiteral("state"));
  }
  QSize ScreenSize() const override { return screen; }
  void MoveWindow(int left, int top) override {
    position = QPoint(left, top);
    calls.push_back(QStringLiteral("move"));
  }
  bool Resizable() const override { return resizable; }
  void ResizeWindow(int width, int height) override { size = QSize(width, height); }
  void SetTag(int t) override {
    tag = t;
    calls.push_back(QStringLiteral("tag"));
  }
  bool HasProperty(const QString& name) const override { return known.count(name) != 0; }
  void SetOrdinal(const QString& name, qint32 value) override { set(name, QString::number(value)); }
  void SetFloat(const QString& name, double value) override { set(name, QString::number(value, 'f', 1)); }
  void SetString(const QString& name, const QString& value) override { set(name, value); }
  void set(const QString& name, const QString& text) {
    known[name] = text;
    calls.push_back(name);
  }
};

QByteArray Document(const QString& window, const QString& values) {
  return (QStringLiteral("<?xml version=\"1.0\" ?><Configuration>") + window + values +
          QStringLiteral("</Configuration>"))
      .toUtf8();
}

QString Window(int left, int top, int state, bool withTag = true) {
  QString text = QStringLiteral(
                     "<Left type=\"Integer\">%1</Left><Top type=\"Integer\">%2</Top>"
                     "<Width type=\"Integer\">640</Width><Height type=\"Integer\">350</Height>"
                     "<WindowState type=\"Integer\">%3</WindowState>")
                     .arg(left)
                     .arg(top)
                     .arg(state);
  if (withTag) text += QStringLiteral("<Tag type=\"Integer\">7</Tag>");
  return text;
}

TEST(ApplyConfig, WindowStateDecidesWhetherThePositionIsRead) {
  RecordingTarget normal;
  ApplyConfig(Document(Window(100, 120, 0), {}), normal);
  EXPECT_EQ(normal.state, 0);
  EXPECT_EQ(normal.position, QPoint(100, 120));
  EXPECT_EQ(normal.tag, 7);

  RecordingTarget minimized;  // never restored minimized, and the position is not used
  ApplyConfig(Document(Window(100, 120, 1), {}), minimized);
  EXPECT_FALSE(minimized.state.has_value());
  EXPECT_FALSE(minimized.position.has_value());

  RecordingTarget maximized;
  ApplyConfig(Document(Window(100, 120, 2), {}), maximized);
  EXPECT_EQ(maximized.state, 2);
  EXPECT_FALSE(maximized.position.has_value());

  RecordingTarget lowBits;  // only the low 8 bits count: 257 is 1
  ApplyConfig(Document(Window(100, 120, 257), {}), lowBits);
  EXPECT_FALSE(lowBits.state.has_value());
}

TEST(ApplyConfig, APositionNearTheScreenEdgeMovesTheWindowHome) {
  RecordingTarget atLimit;
  ApplyConfig(Document(Window(1024 - 50, 768 - 50, 0), {}), atLimit);
  EXPECT_EQ(atLimit.position, QPoint(974, 718));
  RecordingTarget pastRight;
  ApplyConfig(Document(Window(1024 - 49, 10, 0), {}), pastRight);
  EXPECT_EQ(pastRight.position, QPoint(0, 0));
  RecordingTarget pastBottom;
  ApplyConfig(Document(Window(10, 768 - 49, 0), {}), pastBottom);
  EXPECT_EQ(pastBottom.position, QPoint(0, 0));
}

TEST(ApplyConfig, OnlyAResizableWindowTakesTheStoredSize) {
  RecordingTarget fixed;
  ApplyConfig(Document(Window(10, 10, 0), {}), fixed);
  EXPECT_FALSE(fixed.size.has_value());
  RecordingTarget sizeable;
  sizeable.resizable = true;
  ApplyConfig(Document(Window(10, 10, 0), {}), sizeable);
  EXPECT_EQ(sizeable.size, QSize(640, 350));
}

TEST(ApplyConfig, ValuesGoThroughInFileOrderWithTheirTypes) {
  RecordingTarget target;
  target.known = {{QStringLiteral("_B"), {}},
                  {QStringLiteral("_A"), {}},
                  {QStringLiteral("_F"), {}},
                  {QStringLiteral("_S"), {}},
                  {QStringLiteral("_Bad"), {}}};
  ApplyConfig(Document(Window(10, 10, 0),
                       QStringLiteral("<_B type=\"Integer\">-5</_B><Other type=\"Integer\">x</Other>"
                                      "<_Unknown type=\"Integer\">1</_Unknown><_A type=\"Integer\">3</_A>"
                                      "<_F type=\"Float\">2.5</_F><_Bad type=\"Float\">n/a</_Bad>"
                                      "<_S type=\"String\">Привет</_S>")),
              target);
  const std::vector<QString> expected = {
      QStringLiteral("move"), QStringLiteral("tag"),  QStringLiteral("_B"), QStringLiteral("_A"),
      QStringLiteral("_F"),   QStringLiteral("_Bad"), QStringLiteral("_S")};
  std::vector<QString> calls = target.calls;
  calls.erase(calls.begin());  // the window state
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(target.known[QStringLiteral("_B")], QStringLiteral("-5"));
  EXPECT_EQ(target.known[QStringLiteral("_F")], QStringLiteral("2.5"));
  EXPECT_EQ(target.known[QStringLiteral("_Bad")], QStringLiteral("16777215.0"));
  EXPECT_EQ(target.known[QStringLiteral("_S")], QStringLiteral("Привет"));
}

TEST(ApplyConfig, AFaultStopsReadingAndKeepsWhatWasApplied) {
  RecordingTarget target;
  target.known = {{QStringLiteral("_A"), QStringLiteral("old")},
                  {QStringLiteral("_DDS"), QStringLiteral("old")},
                  {QStringLiteral("_Z"), QStringLiteral("old")}};
  EXPECT_THROW(ApplyConfig(Document(Window(10, 10, 0), QStringLiteral("<_A type=\"Integer\">1</_A>"
                                                                      "<_DDS type=\"Integer\">abc</_DDS>"
                                                                      "<_Z type=\"Integer\">2</_Z>")),
                           target),
               EConfigError);
  EXPECT_EQ(target.known[QStringLiteral("_A")], QStringLiteral("1"));
  EXPECT_EQ(target.known[QStringLiteral("_DDS")], QStringLiteral("old"));
  EXPECT_EQ(target.known[QStringLiteral("_Z")], QStringLiteral("old"));
}

TEST(ApplyConfig, MissingPiecesAreFaults) {
  RecordingTarget noTag;
  EXPECT_THROW(ApplyConfig(Document(Window(30, 40, 0, false), {}), noTag), EConfigError);
  EXPECT_EQ(noTag.position, QPoint(30, 40));  // applied before the missing Tag was noticed

  RecordingTarget noType;
  noType.known = {{QStringLiteral("_A"), {}}};
  EXPECT_THROW(ApplyConfig(Document(Window(30, 40, 0), QStringLiteral("<_Unknown>1</_Unknown>")), noType),
               EConfigError);

  RecordingTarget notXml;
  EXPECT_THROW(ApplyConfig(QByteArray("<Configuration><Left>"), notXml), EConfigError);
  RecordingTarget noState;
  EXPECT_THROW(ApplyConfig(Document(QStringLiteral("<Tag type=\"Integer\">0</Tag>"), {}), noState),
               EConfigError);
}

TEST(ApplyConfig, WindowValuesAreFoundAnywhereInTheDocument) {
  RecordingTarget target;
  ApplyConfig(QByteArray("<Configuration><Group><WindowState>0</WindowState><Left>5</Left></Group>"
                         "<Top>6</Top><Tag>1</Tag></Configuration>"),
              target);
  EXPECT_EQ(target.position, QPoint(5, 6));
}

TEST(BuildConfig, WritesTheWindowValuesThenTheGivenValues) {
  const QByteArray text =
      BuildConfig({1, 2, 634, 344, 0, 0}, {{QStringLiteral("_A"), ValueKind::Integer, "-7"},
                                           {QStringLiteral("_F"), ValueKind::Float, "0.5"},
                                           {QStringLiteral("_S"), ValueKind::String, "x y"}});
  EXPECT_EQ(QString::fromUtf8(text), QStringLiteral("<?xml version=\"1.0\"?>\n"
                                                    "<Configuration>\n"
                                                    "  <Left type=\"Integer\">1</Left>\n"
                                                    "  <Top type=\"Integer\">2</Top>\n"
                                                    "  <Width type=\"Integer\">634</Width>\n"
                                                    "  <Height type=\"Integer\">344</Height>\n"
                                                    "  <WindowState type=\"Integer\">0</WindowState>\n"
                                                    "  <Tag type=\"Integer\">0</Tag>\n"
                                                    "  <_A type=\"Integer\">-7</_A>\n"
                                                    "  <_F type=\"Float\">0.5</_F>\n"
                                                    "  <_S type=\"String\">x y</_S>\n"
                                                    "</Configuration>\n"));
  RecordingTarget target;
  target.known = {{QStringLiteral("_A"), {}}, {QStringLiteral("_F"), {}}, {QStringLiteral("_S"), {}}};
  ApplyConfig(text, target);
  EXPECT_EQ(target.known[QStringLiteral("_A")], QStringLiteral("-7"));
  EXPECT_EQ(target.known[QStringLiteral("_S")], QStringLiteral("x y"));
}

TEST(ApplyConfig, ADeeplyNestedDocumentIsRefusedBeforeItIsBuilt) {
  // Built as a tree, this takes QDom minutes, past the test's time-out; refused,
  // it takes milliseconds (bench/settings_bench.cpp).
  const QString deep = QStringLiteral("<a>").repeated(100000) + QStringLiteral("</a>").repeated(100000);
  RecordingTarget target;
  EXPECT_THROW(ApplyConfig(Document(Window(10, 10, 0), deep), target), EConfigError);
  EXPECT_TRUE(target.calls.empty());

  RecordingTarget shallow;  // a little nesting of its own is no fault
  ApplyConfig(Document(Window(10, 10, 0), QStringLiteral("<x><y><z/></y></x>")), shallow);
  EXPECT_EQ(shallow.tag, 7);
}

TEST(ApplyConfig, AnOversizedDocumentIsRefused) {
  RecordingTarget target;
  target.known = {{QStringLiteral("_A"), QStringLiteral("old")}};
  const QString padding = QStringLiteral("<_A type=\"Integer\">1</_A>").repeated(50000);
  EXPECT_THROW(ApplyConfig(Document(Window(10, 10, 0), padding), target), EConfigError);
  EXPECT_TRUE(target.calls.empty());
  EXPECT_EQ(target.known[QStringLiteral("_A")], QStringLiteral("old"));
}

TEST(BuildConfig, CharactersXmlCannotCarryAreReplacedSoTheFileStaysReadable) {
  const QString text = QStringLiteral("a") + QChar(0x01) + QChar(0xFFFF) + QChar(0xD800) +
                       QStringLiteral("\t\r\nб") + QString::fromUcs4(U"\U0001F600");
  const QByteArray document = BuildConfig({}, {{QStringLiteral("_S"), ValueKind::String, text}});
  RecordingTarget target;
  target.known = {{QStringLiteral("_S"), {}}};
  ApplyConfig(document, target);
  const QChar replaced(QChar::ReplacementCharacter);
  EXPECT_EQ(target.known[QStringLiteral("_S")], QStringLiteral("a") + replaced + replaced + replaced +
                                                    QStringLiteral("\t\r\nб") +
                                                    QString::fromUcs4(U"\U0001F600"));
}

struct ConfigFileFixture : ::testing::Test {
  QTemporaryDir dir;
  QString file() const { return dir.filePath(QStringLiteral("virn.mainform.config.xml")); }
  static void Write(const QString& path, const QByteArray& content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
  }
  static QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

TEST_F(ConfigFileFixture, ABadFileIsMovedAsideNotDeleted) {
  RecordingTarget target;
  EXPECT_EQ(LoadConfigFile(file(), target), LoadOutcome::NoFile);
  Write(file() + kBadFileSuffix, "older");
  const QByteArray bad = Document(Window(10, 10, 0), QStringLiteral("<_DDS type=\"Integer\">abc</_DDS>"));
  Write(file(), bad);
  target.known = {{QStringLiteral("_DDS"), QStringLiteral("43")}};
  EXPECT_EQ(LoadConfigFile(file(), target), LoadOutcome::MovedAside);
  EXPECT_FALSE(QFile::exists(file()));
  EXPECT_EQ(Read(file() + kBadFileSuffix), bad);
  EXPECT_EQ(target.known[QStringLiteral("_DDS")], QStringLiteral("43"));
  EXPECT_EQ(target.position, QPoint(10, 10));
}

TEST_F(ConfigFileFixture, SavingReplacesTheFileWholeAndLeavesNothingElse) {
  Write(file(), "previous content that is longer than the new one, by far, by very far");
  ASSERT_TRUE(SaveConfigFile(file(), "new"));
  EXPECT_EQ(Read(file()), QByteArray("new"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(ConfigFileFixture, AFailedSaveWritesNothingAndKeepsThePreviousFile) {
  EXPECT_FALSE(SaveConfigFile(dir.filePath(QStringLiteral("missing/settings.xml")), "x"));
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing"))));
  // A directory where the file should be: the write cannot replace it.
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("occupied")));
  Write(dir.filePath(QStringLiteral("occupied/keep")), "kept");
  EXPECT_FALSE(SaveConfigFile(dir.filePath(QStringLiteral("occupied")), "x"));
  EXPECT_EQ(Read(dir.filePath(QStringLiteral("occupied/keep"))), QByteArray("kept"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
}

}  // namespace
}  // namespace virn::settings
