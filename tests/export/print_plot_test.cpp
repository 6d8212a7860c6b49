// The print command against stand-ins of the print manager: what it hands
// over and in which order, what the library sees while it prints, and what
// every failure leaves behind.
#include "export/print_plot.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include "settings/klm_api.h"
#include "support/build_paths.h"
#include "support/scoped_env.h"

namespace virn::exports {
namespace {

QImage Plot() {
  QImage plot(455, 281, QImage::Format_RGB32);
  plot.fill(Qt::white);
  for (int x = 0; x < plot.width(); ++x) plot.setPixel(x, (x * 3) % plot.height(), qRgb(255, 0, 0));
  return plot;
}

// The temporary folder made to fail, or the real one watched.
struct ScriptedFiles : HostPictureFiles {
  std::string tempDir;  // when set, handed out instead of a new folder ("" for none)
  bool scripted = false;
  bool clearFails = false;  // as fsClearDir does when its library has gone
  std::vector<std::string> cleared;
  std::string CreateTempDir() override { return scripted ? tempDir : HostPictureFiles::CreateTempDir(); }
  void ClearDir(const std::string& dir) override {
    cleared.push_back(dir);
    if (clearFails) throw settings::EklmAPI("Не удалось загрузить библиотеку libklmfsys.so");
    HostPictureFiles::ClearDir(dir);
  }
};

// A window whose QWidget is not its first base, so that its address is not
// its QWidget's.
struct Listener {
  virtual ~Listener() = default;
  int heard = 0;
};
struct Window : Listener, QWidget {};

struct PrintPlotTest : ::testing::Test {
  QTemporaryDir libraries;
  QTemporaryDir temp;
  QTemporaryDir scratch;
  test::ScopedEnv tmpdir{"TMPDIR", temp.path().toStdString()};
  test::ScopedEnv log{"KLM_FAKE_PRINT_LOG", (scratch.path() + "/print.log").toStdString()};
  card::TQSLCard card;
  ScriptedFiles files;
  Window window;
  std::vector<std::string> shownFirst;

  PrintPlotTest() { card.SetSize(457, 283); }
  ~PrintPlotTest() override { settings::SetKlmLibraryDir(""); }

  // A library folder with the real file-system library and the print manager
  // of `kind`, or none for an empty kind.
  void UsePrintManager(const QString& kind) {
    ASSERT_TRUE(QFile::link(virn::test::InBuildLib(QStringLiteral("libklmfsys.so")),
                            libraries.filePath("libklmfsys.so")));
    if (!kind.isEmpty()) {
      ASSERT_TRUE(QFile::link(virn::test::InTestBin(QStringLiteral("fake-pm3/") + kind + "/libklmpm3.so"),
                              libraries.filePath("libklmpm3.so")));
    }
    settings::SetKlmLibraryDir(libraries.path().toStdString());
  }
  void Print() {
    PrintPlot(card, Plot(), files, &window, QStringLiteral("ВИРН"),
              [this](const std::exception& error) { shownFirst.emplace_back(error.what()); });
  }
  // What pmPrint is told: the main window as its QWidget, never the address
  // of the window's class.
  QString PrintLine() const {
    return QStringLiteral("pmPrint window=%1 note=[] title=[ВИРН] flag=0 zeros=0,0,0,0 record-empty=51")
        .arg(QString::asprintf("%p", static_cast<const void*>(static_cast<const QWidget*>(&window))));
  }
  // What the print manager was told, a call a line; the card file's line
  // without its path, which is returned in `cardFile`.
  QStringList Calls(QString* cardFile = nullptr) const {
    QFile file(scratch.path() + "/print.log");
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    for (QString& line : lines) {
      if (!line.startsWith("card ")) continue;
      const auto end = line.indexOf(' ', 5);
      if (cardFile != nullptr) *cardFile = line.mid(5, end - 5);
      line = "card" + line.mid(end);
    }
    return lines;
  }
  QStringList LeftInTemp() const {
    return QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
  }
  std::string ThrownBy(const std::function<void()>& print) const {
    try {
      print();
    } catch (const std::exception& error) {
      return error.what();
    }
    return "(nothing thrown)";
  }
};

// The card layout file of the program's card: the header and a 455 x 281 BMP.
const QString kCardFileLine = QStringLiteral("card exists=1 size=%1").arg(279 + 54 + 1368 * 281);
const QString kRecordLine = QStringLiteral("pmAddQSL size=%1 empty=51 flag=0").arg(51 * sizeof(void*));

TEST_F(PrintPlotTest, EveryCallInItsOrderTheRecordEmptyAndTheCardFileThereOnlyWhilePrinting) {
  UsePrintManager("full");
  Print();
  QString cardFile;
  EXPECT_EQ(Calls(&cardFile),
            (QStringList{"pmClearQSL", kRecordLine, "pmHelpVisibility -1", "pmQSOCountVisibility 0",
                         "pmSetQSLFields 0", "pmPublisherHide", PrintLine(), kCardFileLine}));
  EXPECT_TRUE(cardFile.startsWith(temp.path() + "/")) << cardFile.toStdString();
  EXPECT_TRUE(cardFile.endsWith("/_temp.001")) << cardFile.toStdString();
  EXPECT_FALSE(QFile::exists(cardFile));
  EXPECT_TRUE(LeftInTemp().isEmpty()) << LeftInTemp().join(' ').toStdString();
  EXPECT_FALSE(PrintManagerLoaded());
  // The card keeps its copy of the plot.
  EXPECT_EQ(card.Picture().convertToFormat(QImage::Format_RGB32), Plot());
}

TEST_F(PrintPlotTest, ALibraryWithOnlyTheNeededExportsStillPrints) {
  UsePrintManager("needed");
  Print();
  EXPECT_EQ(Calls(), (QStringList{"pmClearQSL", kRecordLine, PrintLine(), kCardFileLine}));
  EXPECT_TRUE(LeftInTemp().isEmpty());
}

TEST_F(PrintPlotTest, WithoutThePrintManagerTheUserIsToldAndNoFolderIsLeft) {
  UsePrintManager("");
  EXPECT_EQ(ThrownBy([this] { Print(); }), "Не удалось загрузить библиотеку klmpm3.dll");
  EXPECT_TRUE(LeftInTemp().isEmpty()) << LeftInTemp().join(' ').toStdString();
  EXPECT_EQ(files.cleared.size(), 1U);
  EXPECT_FALSE(PrintManagerLoaded());
  // A print later, with the library in place, works as if nothing had happened.
  ASSERT_TRUE(QFile::link(virn::test::InTestBin(QStringLiteral("fake-pm3/needed/libklmpm3.so")),
                          libraries.filePath("libklmpm3.so")));
  Print();
  EXPECT_EQ(Calls().size(), 4);
}

TEST_F(PrintPlotTest, AnOutdatedPrintManagerIsNamedUnloadedAndCleanedUpAfter) {
  UsePrintManager("outdated");
  EXPECT_EQ(ThrownBy([this] { Print(); }),
            "Неверная версия библиотеки \"Kelmar API\" (DLL: klmpm3.dll)\r\n"
            "Возможно на вашем компьютере установлена старая версия\r\n"
            "библиотеки \"Kelmar API\". Обновите её.");
  // Looked up at the moment of each call: the calls before the missing one were made.
  EXPECT_EQ(Calls(), (QStringList{"pmClearQSL", kRecordLine}));
  EXPECT_TRUE(LeftInTemp().isEmpty());
  EXPECT_FALSE(PrintManagerLoaded());
}

TEST_F(PrintPlotTest, FailuresBeforeTheLibraryLoadsNeitherLoadItNorLeaveAFolder) {
  UsePrintManager("full");
  files.scripted = true;
  files.tempDir = "";
  EXPECT_EQ(ThrownBy([this] { Print(); }), "Файловая ошибка");
  EXPECT_TRUE(files.cleared.empty());

  // A folder that vanished before the card file could be written.
  const std::string gone = temp.path().toStdString() + "/gone/";
  files.tempDir = gone;
  const std::string message = ThrownBy([this] { Print(); });
  EXPECT_EQ(message.rfind("Cannot create file \"" + gone + "_temp.001\". ", 0), 0U) << message;
  EXPECT_GT(message.size(), ("Cannot create file \"" + gone + "_temp.001\". ").size())
      << "the system's reason";
  EXPECT_EQ(files.cleared, std::vector<std::string>{gone});
  EXPECT_TRUE(Calls().isEmpty());
  EXPECT_FALSE(PrintManagerLoaded());
}

TEST_F(PrintPlotTest, AFailedCleanUpIsRaisedAfterThePrintsOwnFailureIsShown) {
  UsePrintManager("full");
  files.clearFails = true;
  const std::string cleanUpFailure = "Не удалось загрузить библиотеку libklmfsys.so";
  EXPECT_EQ(ThrownBy([this] { Print(); }), cleanUpFailure);
  EXPECT_TRUE(shownFirst.empty());
  // The print manager gone as well: its failure is shown first, then the clean-up's raised.
  ASSERT_TRUE(QFile::remove(libraries.filePath("libklmpm3.so")));
  EXPECT_EQ(ThrownBy([this] { Print(); }), cleanUpFailure);
  EXPECT_EQ(shownFirst, std::vector<std::string>{"Не удалось загрузить библиотеку klmpm3.dll"});
  EXPECT_FALSE(PrintManagerLoaded());
}

}  // namespace
}  // namespace virn::exports
