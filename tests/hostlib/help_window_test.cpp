// libklmhelpsys.so used the way the program uses it: loaded for one call and
// unloaded straight after, while its help window stays open and working.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <vector>

#include "hostlib/klm_exports.h"
#include "support/build_paths.h"

namespace {

const std::string kLibraryPath = virn::test::BuildLibDir() + "/libklmhelpsys.so";

// One load of the library, as the program's wrapper does it.
class HelpLibrary {
 public:
  HelpLibrary() : handle_(dlopen(kLibraryPath.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    EXPECT_NE(handle_, nullptr) << dlerror();
  }
  ~HelpLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  HelpLibrary(const HelpLibrary&) = delete;
  HelpLibrary& operator=(const HelpLibrary&) = delete;

  template <typename Fn>
  Fn Get(const char* name) const {
    return handle_ != nullptr ? reinterpret_cast<Fn>(dlsym(handle_, name)) : nullptr;
  }

 private:
  void* handle_;
};

void ShowHelpOnce(const char* id, const QString& dir, const char* topic, const char* title = nullptr) {
  const HelpLibrary library;
  const auto show = library.Get<decltype(&hsShowHelp)>("hsShowHelp");
  ASSERT_NE(show, nullptr);
  show(id, dir.toUtf8().constData(), topic);
  if (title != nullptr) {
    const auto setTitle = library.Get<decltype(&hsSetTitle)>("hsSetTitle");
    ASSERT_NE(setTitle, nullptr);
    setTitle(title);
  }
}

std::vector<QWidget*> HelpWindows() {
  QCoreApplication::processEvents();
  std::vector<QWidget*> windows;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->property("klmHelpId").isValid()) windows.push_back(widget);
  }
  return windows;
}

QWidget* HelpWindow(const QString& id) {
  for (QWidget* window : HelpWindows()) {
    if (window->property("klmHelpId").toString() == id) return window;
  }
  return nullptr;
}

QString PageShown(QWidget* window) {
  auto* browser = window->findChild<QTextBrowser*>();
  return browser != nullptr ? browser->source().toLocalFile() : QString();
}

class HelpWindowTest : public ::testing::Test {
 protected:
  HelpWindowTest() {
    EXPECT_TRUE(QDir(dir_.path()).mkdir("Help"));
    Write("index.html", "<html><head><title>Start</title></head><body><p>Start page</p></body></html>");
    Write("MainForm.html",
          "<html><head><title>Main</title></head><body><a href=\"index.html\">home</a></body></html>");
  }
  ~HelpWindowTest() override {
    for (QWidget* window : HelpWindows()) delete window;
  }
  void Write(const QString& name, const QByteArray& content) {
    QFile file(Page(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
  }
  QString Page(const QString& name) const { return help_ + QLatin1Char('/') + name; }

  QTemporaryDir dir_;
  const QString help_ = dir_.path() + QStringLiteral("/Help");
};

TEST_F(HelpWindowTest, TheWindowOutlivesTheUnloadAndKeepsWorking) {
  ShowHelpOnce("VIRN", help_, "MainForm", "ВИРН");
  // The library pinned itself: the caller's dlclose did not unmap it.
  void* stillThere = dlopen(kLibraryPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(stillThere, nullptr);
  if (stillThere != nullptr) dlclose(stillThere);

  QWidget* window = HelpWindow("VIRN");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Справка — ВИРН"));
  EXPECT_EQ(PageShown(window), Page("MainForm.html"));
  EXPECT_EQ(window->findChild<QTextBrowser*>()->documentTitle(), "Main");
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window));

  // The window's own code runs long after the call that made it returned.
  auto* home = window->findChild<QToolButton*>("klmHelpHome");
  ASSERT_NE(home, nullptr);
  QTest::mouseClick(home, Qt::LeftButton);
  EXPECT_EQ(PageShown(window), Page("index.html"));
  window->findChild<QTextBrowser*>()->backward();
  EXPECT_EQ(PageShown(window), Page("MainForm.html"));

  // Escape closes it, and a closed help window is freed.
  QPointer<QWidget> guard(window);
  QTest::keyClick(window, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
  EXPECT_TRUE(HelpWindows().empty());
}

TEST_F(HelpWindowTest, OneWindowPerHelpIdReusedAndBroughtBack) {
  ShowHelpOnce("VIRN", help_, "MainForm");
  QWidget* first = HelpWindow("VIRN");
  ASSERT_NE(first, nullptr);
  first->showMinimized();

  ShowHelpOnce("VIRN", help_, "");
  ASSERT_EQ(HelpWindows().size(), 1u);
  EXPECT_EQ(HelpWindow("VIRN"), first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_FALSE(first->isMinimized());
  EXPECT_EQ(PageShown(first), Page("index.html"));

  ShowHelpOnce("OTHER", help_, "MainForm");
  EXPECT_EQ(HelpWindows().size(), 2u);
  EXPECT_EQ(HelpWindow("VIRN"), first);
  EXPECT_NE(HelpWindow("OTHER"), nullptr);
}

TEST_F(HelpWindowTest, ATopicWithoutItsOwnPageOpensTheIndex) {
  ShowHelpOnce("VIRN", help_, "TOptionForm");
  QWidget* window = HelpWindow("VIRN");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(PageShown(window), Page("index.html"));
  // A topic must name a page in the folder, not climb out of it.
  Write("../outside.html", "<html><body>outside</body></html>");
  ShowHelpOnce("VIRN", help_, "../outside");
  EXPECT_EQ(PageShown(window), Page("index.html"));
}

TEST_F(HelpWindowTest, TheTitleGoesToTheWindowShownLast) {
  ShowHelpOnce("A", help_, "MainForm", "Первая");
  ShowHelpOnce("B", help_, "MainForm", "ВИРН");
  ASSERT_NE(HelpWindow("A"), nullptr);
  ASSERT_NE(HelpWindow("B"), nullptr);
  EXPECT_EQ(HelpWindow("A")->windowTitle(), QStringLiteral("Справка — Первая"));
  EXPECT_EQ(HelpWindow("B")->windowTitle(), QStringLiteral("Справка — ВИРН"));
  ShowHelpOnce("C", help_, "MainForm");
  EXPECT_EQ(HelpWindow("C")->windowTitle(), QStringLiteral("Справка"));
}

TEST_F(HelpWindowTest, AFolderWithoutPagesSaysSo) {
  QTemporaryDir empty;
  ShowHelpOnce("EMPTY", empty.path(), "MainForm");
  QWidget* window = HelpWindow("EMPTY");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->findChild<QTextBrowser*>()->toPlainText(), QStringLiteral("Раздел справки не найден."));
}

}  // namespace
