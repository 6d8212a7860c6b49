// The print manager itself: where a card goes on the page, its data labels
// filled from the records, the pages of a PDF print with their lines, the
// preview it shows, and the files it refuses.
#include <gtest/gtest.h>

#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolBar>

#include "card/card_layout_file.h"
#include "hostlib/klm_exports.h"
#include "hostlib/pm_job.h"
#include "hostlib/pm_sheet.h"
#include "support/modal_driver.h"
#include "support/run_program.h"
#include "support/scoped_env.h"

namespace virn::hostlib {
namespace {

// A4 at 1200 dots per inch, with margins of 1/4 inch left and top, 1/2 inch right and bottom.
const QRectF kA4Paper(0, 0, 9921.26, 14031.5);
const QRectF kA4Printable(300, 300, 9921.26 - 900, 14031.5 - 900);

TEST(CardPlacement, RealSizeCentredOnThePaperAndOnlyATooLargeCardScaledDown) {
  // The program's card: 457 x 283 pixels at 96 per inch is 4.76 x 2.95 inches.
  const QRectF place = CardPlacement(QSizeF(457, 283), 96, kA4Paper, kA4Printable, 1200);
  EXPECT_DOUBLE_EQ(place.width(), 457 * 12.5);
  EXPECT_DOUBLE_EQ(place.height(), 283 * 12.5);
  EXPECT_NEAR(place.center().x(), kA4Paper.center().x(), 1e-6);
  EXPECT_NEAR(place.center().y(), kA4Paper.center().y(), 1e-6);
  // The same pixels laid out at 192 per inch are half as large.
  EXPECT_DOUBLE_EQ(CardPlacement(QSizeF(457, 283), 192, kA4Paper, kA4Printable, 1200).width(), 457 * 6.25);

  // Wider than the printable area: as wide as it, proportions kept, inside it.
  const QRectF wide = CardPlacement(QSizeF(2000, 500), 96, kA4Paper, kA4Printable, 1200);
  EXPECT_NEAR(wide.width(), kA4Printable.width(), 1e-6);
  EXPECT_NEAR(wide.height(), kA4Printable.width() / 4, 1e-6);
  EXPECT_TRUE(kA4Printable.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(wide));

  // Nothing to place.
  EXPECT_TRUE(CardPlacement(QSizeF(457, 283), 0, kA4Paper, kA4Printable, 1200).isEmpty());
  EXPECT_TRUE(CardPlacement(QSizeF(0, 283), 96, kA4Paper, kA4Printable, 1200).isEmpty());
}

TEST(CardPlacement, UnevenMarginsKeepTheCentredCardOnThePrintablePart) {
  // A printer that cannot print the top 6 inches of the page.
  const QRectF printable(300, 7200, 9321, 6500);
  const QRectF place = CardPlacement(QSizeF(457, 283), 96, kA4Paper, printable, 1200);
  EXPECT_NEAR(place.center().x(), kA4Paper.center().x(), 1e-6);
  EXPECT_DOUBLE_EQ(place.top(), 7200);
  EXPECT_DOUBLE_EQ(place.width(), 457 * 12.5);
}

// A card with a data label on the first data field and one on the third, each
// 100 x 20 pixels, no picture.
card::CardLayout CardWithDataLabels() {
  card::TQSLCard card;
  card.SetSize(300, 100);
  for (int field : {0, 2}) {
    card::TQSLDataLabel& label = card.AddDataLabel();
    label.SetDataField(card.DataFields().at(field));
    label.SetBounds(10, 10 + field * 20, 100, 20);
  }
  return card::ReadCardLayout(card::CardLayoutBytes(card, 96));
}

int DarkPixels(const QImage& image, const QRect& area) {
  int dark = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
  }
  return dark;
}

TEST(RenderCard, DataLabelsShowTheRecordsTextsByFieldNumber) {
  card::CardLayout layout = CardWithDataLabels();
  CardTexts texts;
  texts[0] = QStringLiteral("RZ3AA");
  texts[2] = QStringLiteral("14 МГц");
  const QRect first(10, 10, 100, 20);
  const QRect third(10, 50, 100, 20);

  const QImage all = RenderCard(layout, texts, 0);
  EXPECT_EQ(all.size(), QSize(300, 100));
  EXPECT_EQ(all.dotsPerMeterX(), 3780);  // 96 per inch, so fonts are sized as laid out
  EXPECT_GT(DarkPixels(all, first), 20);
  EXPECT_GT(DarkPixels(all, third), 20);

  // Only the first two slots fill fields.
  const QImage two = RenderCard(layout, texts, 2);
  EXPECT_GT(DarkPixels(two, first), 20);
  EXPECT_EQ(DarkPixels(two, third), 0);

  // Empty texts: nothing but the card.
  const QImage none = RenderCard(layout, CardTexts{}, 0);
  EXPECT_EQ(DarkPixels(none, first), 0);
}

TEST(PrintJob, ARecordsTextsAreCopiedSoTheCallerMayFreeItAtOnce) {
  char call[] = "UA1ABC";
  TQSLDataPrint record{};
  record.Slots[0] = call;
  record.Slots[50] = "последний";
  EXPECT_EQ(sizeof(TQSLDataPrint), 51 * sizeof(void*));
  ResetJob();
  AddCard(CopyRecord(&record));
  call[0] = 'X';
  const PrintJob job = CurrentJob();
  ASSERT_EQ(job.cards.size(), 1U);
  EXPECT_EQ(job.cards[0][0], QStringLiteral("UA1ABC"));
  EXPECT_EQ(job.cards[0][50], QStringLiteral("последний"));
  EXPECT_TRUE(job.cards[0][1].isEmpty());
  EXPECT_TRUE(CopyRecord(nullptr)[0].isEmpty());
  ResetJob();
  EXPECT_TRUE(CurrentJob().cards.empty());
}

// Runs a poppler tool and returns its standard output.
QString Poppler(const QString& tool, const QStringList& arguments) {
  const test::ProgramRun run = test::RunProgram(tool, arguments);
  EXPECT_EQ(run.exitCode, 0) << tool.toStdString() << " (poppler-utils): " << run.err.toStdString();
  return QString::fromUtf8(run.out);
}

struct PrintManager : ::testing::Test {
  QTemporaryDir dir;
  QString cardFile = dir.filePath(QStringLiteral("_temp.001"));
  QString pdfFile = dir.filePath(QStringLiteral("print.pdf"));
  char error[KLM_ERROR_BUFFER_SIZE] = {};

  PrintManager() {
    card::TQSLCard card;
    card.SetSize(457, 283);
    QImage plot(455, 281, QImage::Format_RGB32);
    plot.fill(Qt::black);
    card.SetPicture(plot);
    card.SaveToFile(cardFile, 96);
    pmClearQSL();
  }
  bool PrintPdf() {
    return pmPrintToPdf(cardFile.toUtf8().constData(), pdfFile.toUtf8().constData(), "ВИРН", error) != 0;
  }
  void WriteCardFile(const QByteArray& bytes) const {
    QFile file(cardFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  QByteArray CardFileBytes() const {
    QFile file(cardFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
};

TEST_F(PrintManager, APageForEachCardWithItsNumberAndThePublisherUnlessHidden) {
  TQSLDataPrint record{};
  for (int card = 0; card < 3; ++card) pmAddQSL(&record, 0);
  ASSERT_TRUE(PrintPdf()) << error;
  EXPECT_STREQ(error, "");
  EXPECT_TRUE(Poppler("pdfinfo", {pdfFile}).contains(QRegularExpression("Pages:\\s+3\\n")));
  const QString text = Poppler("pdftotext", {pdfFile, "-"});
  EXPECT_TRUE(text.contains(QStringLiteral("Карточка 2 из 3"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Напечатано программой «ВИРН»"))) << text.toStdString();

  // What the program asks for: one card, no count, no publisher.
  pmClearQSL();
  pmAddQSL(&record, 0);
  pmQSOCountVisibility(0);
  pmPublisherHide();
  ASSERT_TRUE(PrintPdf()) << error;
  EXPECT_TRUE(Poppler("pdfinfo", {pdfFile}).contains(QRegularExpression("Pages:\\s+1\\n")));
  EXPECT_TRUE(Poppler("pdftotext", {pdfFile, "-"}).trimmed().isEmpty());
  // A new print starts from the defaults again.
  pmClearQSL();
  ASSERT_TRUE(PrintPdf()) << error;
  EXPECT_TRUE(Poppler("pdftotext", {pdfFile, "-"}).contains(QStringLiteral("Напечатано программой")));
}

TEST_F(PrintManager, DamagedOrMissingCardFilesAreRefusedWithWhatIsWrong) {
  const QByteArray whole = CardFileBytes();
  ASSERT_EQ(whole.size(), 279 + 54 + 1368 * 281);
  WriteCardFile(whole.left(100));
  EXPECT_FALSE(PrintPdf());
  EXPECT_TRUE(
      QString::fromUtf8(error).startsWith(QStringLiteral("Файл карточки \"%1\" повреждён: ").arg(cardFile)))
      << error;
  EXPECT_TRUE(QString::fromUtf8(error).contains(QStringLiteral("header"))) << error;
  EXPECT_FALSE(QFile::exists(pdfFile));

  // The picture cut short: named with the byte where it goes wrong.
  WriteCardFile(whole.left(whole.size() - 1));
  EXPECT_FALSE(PrintPdf());
  EXPECT_TRUE(QString::fromUtf8(error).contains(QStringLiteral("picture at byte"))) << error;

  QFile::remove(cardFile);
  EXPECT_FALSE(PrintPdf());
  EXPECT_TRUE(QString::fromUtf8(error).startsWith(QStringLiteral("Не удалось открыть файл карточки")))
      << error;

  // Without a PDF file named nothing is printed.
  EXPECT_EQ(pmPrintToPdf("", "", "", error), 0);
  EXPECT_STRNE(error, "");
}

TEST_F(PrintManager, ThePreviewIsDoneWithTheFileBeforeItOpensAndOffersItsHelp) {
  const test::ScopedEnv noPdf{"KLM_PRINT_PDF", nullptr};
  test::ModalDriver driver;
  int pages = -1;
  driver.Then([&](QWidget& modal) {
    auto* preview = qobject_cast<QPrintPreviewDialog*>(&modal);
    ASSERT_NE(preview, nullptr) << modal.metaObject()->className();
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Печать — ВИРН"));
    bool help = false;
    for (QAction* action : preview->findChild<QToolBar*>()->actions()) help |= action->text() == "Справка";
    EXPECT_TRUE(help);
    // The caller deletes the file once pmPrint returns; the preview must not need it even now.
    EXPECT_TRUE(QFile::remove(cardFile));
    auto* pageView = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(pageView, nullptr);
    pageView->setLandscapeOrientation();
    pageView->updatePreview();
    pages = pageView->pageCount();
    preview->reject();
  });
  QWidget window;
  EXPECT_EQ(pmPrint(&window, "", cardFile.toUtf8().constData(), "ВИРН", 0, 0, 0, 0, 0), 0);
  EXPECT_TRUE(driver.Done());
  EXPECT_EQ(pages, 1);
}

TEST_F(PrintManager, ADamagedFileGetsAMessageNotAPreview) {
  const test::ScopedEnv noPdf{"KLM_PRINT_PDF", nullptr};
  WriteCardFile(QByteArray("not a card"));
  test::ModalDriver driver;
  driver.Then(test::ModalDriver::AcknowledgeMessage());
  EXPECT_EQ(pmPrint(nullptr, "", cardFile.toUtf8().constData(), "ВИРН", 0, 0, 0, 0, 0), 0);
  ASSERT_EQ(driver.Messages().size(), 1U);
  EXPECT_TRUE(driver.Messages()[0].contains(QStringLiteral("повреждён")))
      << driver.Messages()[0].toStdString();
  EXPECT_EQ(driver.Icons()[0], QMessageBox::Critical);
}

TEST_F(PrintManager, TheEnvironmentSendsTheProgramsPrintIntoAPdfFile) {
  const test::ScopedEnv toPdf{"KLM_PRINT_PDF", pdfFile.toStdString()};
  EXPECT_EQ(pmPrint(nullptr, "под картой", cardFile.toUtf8().constData(), "ВИРН", 0, 0, 0, 0, 0), 1);
  EXPECT_TRUE(Poppler("pdftotext", {pdfFile, "-"}).contains(QStringLiteral("под картой")));
}

}  // namespace
}  // namespace virn::hostlib
