// The help button's wrapper: the help folder, its id file and the help library.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "settings/klm_api.h"
#include "support/build_paths.h"
#include "support/scoped_env.h"

namespace virn::settings {
namespace {

namespace fs = std::filesystem;

std::string RaisedMessage(const std::string& exeDir, const std::string& topic = "MainForm") {
  try {
    ShowHelp(exeDir, topic, "ВИРН");
  } catch (const EklmAPI& error) {
    return error.what();
  }
  return "(nothing raised)";
}

class ShowHelpTest : public ::testing::Test {
 protected:
  ShowHelpTest() { SetKlmLibraryDir(virn::test::TestBinDir() + "/fake-klm/recording"); }
  ~ShowHelpTest() override { SetKlmLibraryDir(virn::test::BuildLibDir()); }

  std::string ExeDir() const { return exe_.path().toStdString(); }
  std::string HelpDir() const { return ExeDir() + "/Help"; }
  void MakeHelp(const std::string& id) {
    fs::create_directories(HelpDir());
    std::ofstream(HelpDir() + "/Id.dat", std::ios::binary) << id;
  }
  // What the stand-in library was handed, one argument to a line.
  std::vector<std::string> Handed() const {
    std::ifstream log(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) lines.push_back(line);
    return lines;
  }

  QTemporaryDir exe_;
  QTemporaryDir logDir_;
  std::string log_ = logDir_.path().toStdString() + "/handed.txt";
  test::ScopedEnv logEnv_{"KLM_FAKE_HELP_LOG", log_};
};

TEST_F(ShowHelpTest, WithoutTheHelpFolderTheHelpIsNotInstalled) {
  EXPECT_EQ(RaisedMessage(ExeDir()), "Справочная система не установлена.");
  std::ofstream(HelpDir()) << "a file, not the folder";
  EXPECT_EQ(RaisedMessage(ExeDir()), "Справочная система не установлена.");
  // The folder is looked for before the library: no library, same message.
  SetKlmLibraryDir(exe_.path().toStdString());
  fs::remove(HelpDir());
  EXPECT_EQ(RaisedMessage(ExeDir()), "Справочная система не установлена.");
  EXPECT_TRUE(Handed().empty());
}

TEST_F(ShowHelpTest, AMissingIdFileIsTheStandardFileOpenError) {
  fs::create_directories(HelpDir());
  EXPECT_EQ(RaisedMessage(ExeDir()),
            "Cannot open file \"" + HelpDir() + "/Id.dat\". " + std::strerror(ENOENT));
  fs::create_directories(HelpDir() + "/Id.dat");
  EXPECT_EQ(RaisedMessage(ExeDir()),
            "Cannot open file \"" + HelpDir() + "/Id.dat\". " + std::strerror(EISDIR));
  EXPECT_TRUE(Handed().empty());
}

TEST_F(ShowHelpTest, HandsTheFirstLineOfTheIdFileTheFolderAndTheTopic) {
  MakeHelp("VIRN\r\nsecond line\r\n");
  EXPECT_NO_THROW(ShowHelp(ExeDir(), "MainForm", "ВИРН"));  // no hsSetTitle in this library: fine
  EXPECT_EQ(Handed(), (std::vector<std::string>{"VIRN", HelpDir(), "MainForm"}));
}

TEST_F(ShowHelpTest, AnEmptyIdFileGivesAnEmptyIdAndALastLineNeedsNoLineEnd) {
  MakeHelp("");
  ShowHelp(ExeDir(), "MainForm", "ВИРН");
  MakeHelp("Справка ВИРН");
  ShowHelp(ExeDir(), "TOptionForm", "ВИРН");
  MakeHelp("\nnot the first line\n");
  ShowHelp(ExeDir(), "", "ВИРН");
  EXPECT_EQ(Handed(), (std::vector<std::string>{"", HelpDir(), "MainForm",                 //
                                                "Справка ВИРН", HelpDir(), "TOptionForm",  //
                                                "", HelpDir(), ""}));
}

TEST_F(ShowHelpTest, AMissingOrOutdatedHelpLibraryIsNamed) {
  MakeHelp("VIRN\n");
  QTemporaryDir empty;
  SetKlmLibraryDir(empty.path().toStdString());
  EXPECT_EQ(RaisedMessage(ExeDir()), "Не удалось загрузить библиотеку libklmhelpsys.so");
  SetKlmLibraryDir(virn::test::TestBinDir() + "/fake-klm/outdated");
  EXPECT_EQ(RaisedMessage(ExeDir()),
            "Неверная версия библиотеки \"Kelmar API\" (DLL: libklmhelpsys.so)\r\n"
            "Возможно на вашем компьютере установлена старая версия\r\n"
            "библиотеки \"Kelmar API\". Обновите её.");
}

TEST(ShippedHelp, OpensAtTheMainWindowPageWithTheProgramInTheCaption) {
  SetKlmLibraryDir(virn::test::BuildLibDir());
  ASSERT_NO_THROW(ShowHelp(virn::test::BuildBinDir(), "MainForm", "ВИРН"));
  QCoreApplication::processEvents();
  QWidget* window = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->property("klmHelpId").toString() == QStringLiteral("VIRN")) window = widget;
  }
  ASSERT_NE(window, nullptr) << "no help window for the id in the shipped Id.dat";
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Справка — ВИРН"));
  auto* browser = window->findChild<QTextBrowser*>();
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(fs::equivalent(browser->source().toLocalFile().toStdString(),
                             virn::test::BuildBinDir() + "/Help/MainForm.html"));
  EXPECT_EQ(browser->documentTitle(), QStringLiteral("ВИРН — главное окно"));
  EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Строка состояния")));

  ASSERT_NO_THROW(ShowHelp(virn::test::BuildBinDir(), "", "ВИРН"));
  EXPECT_EQ(browser->documentTitle(), QStringLiteral("ВИРН — справка"));
  EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("~/.config/Kelmar/")));
  delete window;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ShippedHelp, EveryLinkLeadsToAPageAndAnchorOfTheHelp) {
  const std::string help = virn::test::BuildBinDir() + "/Help/";
  const std::regex link("href=\"([^\"]*)\"");
  int checked = 0;
  for (const char* page : {"index.html", "MainForm.html"}) {
    const std::string text = ReadText(help + page);
    ASSERT_FALSE(text.empty()) << page;
    EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos) << page;
    for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
      const std::string target = (*it)[1];
      const auto hash = target.find('#');
      const std::string file = target.substr(0, hash);
      const std::string anchor = hash == std::string::npos ? "" : target.substr(hash + 1);
      const std::string linked = file.empty() ? text : ReadText(help + file);
      EXPECT_FALSE(linked.empty()) << page << " links to a missing page: " << target;
      if (!anchor.empty()) {
        EXPECT_NE(linked.find("name=\"" + anchor + "\""), std::string::npos) << page << ": " << target;
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 5);
}

}  // namespace
}  // namespace virn::settings
