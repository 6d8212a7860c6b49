#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QTranslator>
#include <stdexcept>

#include "app/about_box.h"
#include "app/program_icon.h"
#include "app/qt_translations.h"
#include "support/modal_driver.h"
#include "support/modal_watcher.h"
#include "widgets/message_box.h"

namespace virn::app {
namespace {

TEST(VersionLineTest, PreReleaseSaysBeta) {
  EXPECT_EQ(VersionLine(1, 2, 3, true), QStringLiteral("Версия: 1.2.3 (бета)"));
  EXPECT_EQ(VersionLine(1, 0, 12, false), QStringLiteral("Версия: 1.0.12 "));
}

TEST(ErrorDisplayTest, AddsAFullStopOnlyWhenMissing) {
  EXPECT_EQ(widgets::ErrorDisplayText(QStringLiteral("Ошибка конфигурации.")),
            QStringLiteral("Ошибка конфигурации."));
  EXPECT_EQ(widgets::ErrorDisplayText(QStringLiteral("'x' is not a valid integer value")),
            QStringLiteral("'x' is not a valid integer value."));
  EXPECT_EQ(widgets::ErrorDisplayText(QStringLiteral("FT_Read - General IO error...")),
            QStringLiteral("FT_Read - General IO error..."));
}

// A window asks for each size it names; each comes from the picture of that
// size, and a size between two is the larger picture made smaller.
TEST(ProgramIconTest, EverySizeComesFromTheNearestLargerPicture) {
  const QIcon icon = ProgramIcon();
  EXPECT_EQ(icon.availableSizes().size(), 7);
  const struct {
    int asked, picture;
  } cases[] = {{16, 16}, {48, 48}, {256, 256}, {40, 48}, {100, 128}, {512, 256}};
  for (const auto& c : cases) {
    const QImage expected = QPixmap(QStringLiteral(":/virn/virn-%1.png").arg(c.picture))
                                .scaled(c.asked, c.asked, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                .toImage();
    EXPECT_EQ(icon.pixmap(QSize(c.asked, c.asked), 1.0).toImage(), expected) << c.asked;
  }
}

// The display name the program sets, put back after the test.
struct ProgramTitle : ::testing::Test {
  QString before = QApplication::applicationDisplayName();
  ProgramTitle() { QApplication::setApplicationDisplayName(widgets::kApplicationTitle); }
  ~ProgramTitle() override { QApplication::setApplicationDisplayName(before); }
};

TEST_F(ProgramTitle, AnEscapedExceptionIsShownAndTheProgramGoesOn) {
  test::ModalWatcher watcher;
  bool after = false;
  widgets::Guarded([] { throw std::runtime_error("Справочная система не установлена"); });
  after = true;
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, QStringLiteral("Справочная система не установлена."));
  EXPECT_EQ(watcher.seen()[0].title, widgets::kApplicationTitle);
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(after);
}

TEST_F(ProgramTitle, AMessageBoxIsModalOnTopWithTitleAndIcon) {
  test::ModalWatcher watcher;
  widgets::AppMessageBox(QStringLiteral("Подключите прибор."), QMessageBox::Warning);
  ASSERT_EQ(watcher.seen().size(), 1u);
  const auto& seen = watcher.seen()[0];
  EXPECT_EQ(seen.text, QStringLiteral("Подключите прибор."));
  EXPECT_EQ(seen.title, widgets::kApplicationTitle);
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
  EXPECT_TRUE(seen.stayOnTop);
}

TEST(AppMessageBoxTest, BelongsToTheMainWindowWhicheverIsActiveAndToAnOpenDialog) {
  QWidget main;
  QWidget bench;  // the demo's bench: another window, often the active one
  main.show();
  bench.show();
  QApplication::setActiveWindow(&bench);
  widgets::SetMainWindow(&main);
  test::ModalDriver driver;
  QWidget* parent = nullptr;
  driver.Then([&](QWidget& box) {
    parent = box.parentWidget();
    test::ModalDriver::AcknowledgeMessage()(box);
  });
  widgets::AppMessageBox(QStringLiteral("Подключите прибор."), QMessageBox::Warning);
  EXPECT_EQ(parent, &main);
  // A message from within a dialog (a wizard's page) belongs to the dialog.
  QDialog wizard(&main);
  wizard.setWindowModality(Qt::ApplicationModal);
  wizard.show();
  EXPECT_EQ(widgets::MessageBoxParent(), &wizard);
  widgets::SetMainWindow(nullptr);
}

TEST(QtTranslationsTest, QtsOwnTextsSpeakRussianInARussianLocaleOnly) {
  EXPECT_EQ(InstallQtTranslations(QLocale::c()), nullptr);
  QTranslator* russian = InstallQtTranslations(QLocale(QLocale::Russian, QLocale::Russia));
  ASSERT_NE(russian, nullptr) << "Qt's translations are missing (scripts/setup-debian.sh installs them)";
  EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("Печать"));
  delete russian;  // and uninstalled with it
}

TEST(AboutBoxTest, ShowsNameDescriptionAndVersion) {
  TAboutBox box;
  const auto* name = box.findChild<QLabel*>(QStringLiteral("ProductName"));
  const auto* version = box.findChild<QLabel*>(QStringLiteral("Version"));
  const auto* description = box.findChild<QLabel*>(QStringLiteral("Description"));
  ASSERT_NE(name, nullptr);
  ASSERT_NE(version, nullptr);
  ASSERT_NE(description, nullptr);
  EXPECT_EQ(name->text(), QStringLiteral("ВИРН"));
  EXPECT_TRUE(version->text().startsWith(QStringLiteral("Версия: ")));
  EXPECT_FALSE(description->text().isEmpty());
  // The gradient background is painted: top and bottom rows differ.
  const QImage picture = box.grab().toImage();
  EXPECT_NE(picture.pixelColor(2, 2), picture.pixelColor(2, picture.height() - 3));
}

}  // namespace
}  // namespace virn::app
