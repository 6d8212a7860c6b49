// "Сохранить график" from the main window: the dialog as the user meets it,
// the picture it leaves, and the one message of a failed save.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "export/save_plot.h"
#include "linked_window_fixture.h"
#include "settings/klm_api.h"
#include "support/build_paths.h"
#include "support/modal_driver.h"
#include "support/scoped_env.h"

namespace virn::app {
namespace {

struct ExportFixture : LinkedWindowFixture {
  QTemporaryDir target;
  QTemporaryDir temp;
  test::ScopedEnv tmpdir{"TMPDIR", temp.path().toStdString()};
  virn::test::ModalDriver driver;

  // A dialog step that picks the filter and the name and accepts.
  static virn::test::ModalDriver::Step Choose(const QString& filter, const QString& path) {
    return [filter, path](QWidget& modal) {
      auto* dialog = qobject_cast<QFileDialog*>(&modal);
      ASSERT_NE(dialog, nullptr) << modal.metaObject()->className();
      dialog->selectNameFilter(filter);
      // What the user types: selectFile leaves alone a name field that has the focus.
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      ASSERT_NE(name, nullptr);
      name->setText(path);
      QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    };
  }
};

QFileDialog& Dialog(QWidget& modal) {
  auto* dialog = qobject_cast<QFileDialog*>(&modal);
  EXPECT_NE(dialog, nullptr) << modal.metaObject()->className();
  return *dialog;
}
QLineEdit& NameField(QFileDialog& dialog) {
  return *dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}
void Accept(QFileDialog& dialog) {
  QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection);
}

const QString kBmpFilter = QStringLiteral("Точечные рисунки (*.bmp)");
const QString kJpegFilter = QStringLiteral("Файлы в формате JPEG (*.jpg)");

TEST_F(ExportFixture, TheCardFramesThePlotAndTheSavedBmpIsWhatThePlotAreaShows) {
  auto form = Window();
  form->show();
  EXPECT_EQ(form->qslCard().Width(), 457);
  EXPECT_EQ(form->qslCard().Height(), 283);
  form->DrawPlot();
  const auto choose = Choose(kBmpFilter, target.filePath(QStringLiteral("plot")));
  driver.Then([&](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameFilters(), (QStringList{kBmpFilter, kJpegFilter}));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(dialog->defaultSuffix().isEmpty());
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    choose(modal);
  });
  Click(*form, "mnuSave");
  ASSERT_TRUE(driver.Done());
  QFile file(target.filePath(QStringLiteral("plot.bmp")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QImage saved = QImage::fromData(file.readAll(), "BMP");
  ASSERT_EQ(saved.size(), QSize(457, 283));
  const QImage& plot = form->plotBitmap();
  for (int y = 0; y < plot.height(); ++y) {
    for (int x = 0; x < plot.width(); ++x) {
      ASSERT_EQ(saved.pixel(x + 1, y + 1) & 0xFFFFFF, plot.pixel(x, y) & 0xFFFFFF) << x << "," << y;
    }
  }
  EXPECT_EQ(saved.pixel(0, 0) & 0xFFFFFF, 0x808080u);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ExportFixture, TheDialogOffersTheLastNameAndFilterAgainAndCancelChangesNothing) {
  auto form = Window();
  form->show();
  driver.Then(Choose(kJpegFilter, target.filePath(QStringLiteral("фильтр.jpeg"))));
  Click(*form, "mnuSave");
  QFile jpeg(target.filePath(QStringLiteral("фильтр.jpeg.jpg")));
  ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
  EXPECT_TRUE(jpeg.readAll().startsWith("\xFF\xD8"));
  driver.Then([](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->selectedNameFilter(), kJpegFilter);
    ASSERT_FALSE(dialog->selectedFiles().isEmpty());
    EXPECT_TRUE(dialog->selectedFiles().first().endsWith(QStringLiteral("фильтр.jpeg")));
    dialog->reject();
  });
  Click(*form, "mnuSave");
  ASSERT_TRUE(driver.Done());
  EXPECT_EQ(QDir(target.path()).entryList(QDir::Files).size(), 1);
  // The folders the saves used are gone.
  EXPECT_TRUE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(ExportFixture, AFailedSaveShowsOnlyItsOneStopMessage) {
  const QString noLibraries = target.filePath(QStringLiteral("no-libraries"));
  ASSERT_TRUE(QDir().mkpath(noLibraries));
  auto form = Window();
  form->show();
  settings::SetKlmLibraryDir(noLibraries.toStdString());
  driver.Then(Choose(kBmpFilter, target.filePath(QStringLiteral("plot.bmp"))));
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  Click(*form, "mnuSave");
  settings::SetKlmLibraryDir(test::BuildLibDir());
  ASSERT_EQ(driver.Messages(), std::vector<QString>{QStringLiteral("Не удалось сохранить график.")});
  EXPECT_EQ(driver.Icons().front(), QMessageBox::Critical);
  EXPECT_FALSE(QFile::exists(target.filePath(QStringLiteral("plot.bmp"))));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// However the user comes to the BMP filter after typing the name, the name
// comes back as typed and the filter alone gives the format.
TEST_F(ExportFixture, ANameTypedBeforeTheFilterIsChosenKeepsItsExtension) {
  auto form = Window();
  form->show();
  using ChooseBmp = std::function<void(QComboBox&)>;
  const std::vector<std::pair<QString, ChooseBmp>> cases = {
      {QStringLiteral("keys.jpg"),
       [](QComboBox& filters) {
         QTest::keyClick(&filters, Qt::Key_Down);
         QTest::keyClick(&filters, Qt::Key_Up);
       }},
      {QStringLiteral("list.jpg"),
       [](QComboBox& filters) {
         filters.showPopup();
         QAbstractItemView& list = *filters.view();
         QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                           list.visualRect(list.model()->index(0, 0)).center());
       }},
  };
  for (const auto& [name, chooseBmp] : cases) {
    driver.Then([&](QWidget& modal) {
      QFileDialog& dialog = Dialog(modal);
      NameField(dialog).setText(target.filePath(name));
      chooseBmp(*dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")));
      EXPECT_EQ(dialog.selectedNameFilter(), kBmpFilter);
      Accept(dialog);
    });
    Click(*form, "mnuSave");
    ASSERT_TRUE(driver.Done());
    QFile file(target.filePath(name + ".bmp"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll().startsWith("BM")) << name.toStdString();
  }
}

TEST_F(ExportFixture, ANameInAFolderThatDoesNotExistIsRefusedByTheDialog) {
  auto form = Window();
  form->show();
  const QString missing = target.filePath(QStringLiteral("missing"));
  driver.Then([&](QWidget& modal) {
    QFileDialog& dialog = Dialog(modal);
    NameField(dialog).setText(missing + QStringLiteral("/plot.bmp"));
    Accept(dialog);
    EXPECT_TRUE(dialog.isVisible());
    NameField(dialog).setText(target.filePath(QStringLiteral("plot.bmp")));
    Accept(dialog);
  });
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  Click(*form, "mnuSave");
  ASSERT_TRUE(driver.Done());
  EXPECT_EQ(driver.Messages(),
            std::vector<QString>{QStringLiteral("Папка \"%1\" не существует.").arg(missing)});
  EXPECT_EQ(driver.Icons(), std::vector<QMessageBox::Icon>{QMessageBox::Warning});
  EXPECT_TRUE(QFile::exists(target.filePath(QStringLiteral("plot.bmp"))));
}

}  // namespace
}  // namespace virn::app
