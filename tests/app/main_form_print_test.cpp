// "Печать" from the main window through the real print manager, printing into
// a PDF file: the card at its real size, centred on the page, showing what
// the plot showed; and the one message of a print that cannot start.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>

#include "export/plot_picture.h"
#include "export/print_plot.h"
#include "linked_window_fixture.h"
#include "settings/klm_api.h"
#include "support/build_paths.h"
#include "support/modal_driver.h"
#include "support/run_program.h"
#include "support/scoped_env.h"

namespace virn::app {
namespace {

struct PrintFixture : LinkedWindowFixture {
  QTemporaryDir scratch;
  QTemporaryDir temp;
  test::ScopedEnv tmpdir{"TMPDIR", temp.path().toStdString()};
  test::ScopedEnv pdf{"KLM_PRINT_PDF", scratch.filePath(QStringLiteral("print.pdf")).toStdString()};
  virn::test::ModalDriver driver;

  QStringList LeftInTemp() const {
    return QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
  }
  // The PDF's first page as the user's viewer would show it at 96 dots per
  // inch. The window's threads run on, so the tool starts without a fork.
  QImage PageAt96Dpi() {
    const QString base = scratch.filePath(QStringLiteral("page"));
    const test::ProgramRun run = test::RunProgram(
        QStringLiteral("pdftoppm"), {"-r", "96", "-png", "-singlefile", scratch.filePath("print.pdf"), base});
    EXPECT_EQ(run.exitCode, 0) << "pdftoppm (poppler-utils): " << run.err.toStdString();
    return QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
  }
};

// The smallest rectangle holding every pixel that is not near white.
QRect InkBounds(const QImage& page) {
  QRect bounds;
  for (int y = 0; y < page.height(); ++y) {
    for (int x = 0; x < page.width(); ++x) {
      const QRgb pixel = page.pixel(x, y);
      if (qRed(pixel) < 240 || qGreen(pixel) < 240 || qBlue(pixel) < 240) bounds |= QRect(x, y, 1, 1);
    }
  }
  return bounds;
}

// Whether `seen` lies, channel by channel, within the card's pixels at (x, y),
// (x - 1, y), (x, y - 1) and (x - 1, y - 1), white outside the card, give or
// take a rounding.
bool BlendOfNeighbours(const QImage& card, int x, int y, QRgb seen) {
  const auto at = [&card](int px, int py) {
    return card.rect().contains(px, py) ? card.pixel(px, py) : qRgb(255, 255, 255);
  };
  const QRgb around[] = {at(x, y), at(x - 1, y), at(x, y - 1), at(x - 1, y - 1)};
  using Channel = int (*)(QRgb);
  for (const Channel channel : {Channel{qRed}, Channel{qGreen}, Channel{qBlue}}) {
    int low = 255;
    int high = 0;
    for (const QRgb pixel : around) {
      low = std::min(low, channel(pixel));
      high = std::max(high, channel(pixel));
    }
    if (channel(seen) < low - 3 || channel(seen) > high + 3) return false;
  }
  return true;
}

TEST_F(PrintFixture, ThePrintedCardIsThePlotAtItsRealSizeCentredOnThePage) {
  auto form = ConnectedWindow();
  Click(*form, "KlSpeedButton1");
  ASSERT_TRUE(test::PollUntil([&] { return instrument->State().sweepRequests >= 2; }));
  Click(*form, "mnuVisir");
  form->DrawPlot();
  Click(*form, "mnuPrint");
  ASSERT_TRUE(driver.Messages().empty()) << driver.Messages().front().toStdString();
  EXPECT_TRUE(LeftInTemp().isEmpty()) << LeftInTemp().join(' ').toStdString();
  EXPECT_FALSE(exports::PrintManagerLoaded());

  const QImage page = PageAt96Dpi();
  ASSERT_FALSE(page.isNull());
  // A4 or Letter, whichever the locale gives, upright.
  EXPECT_GT(page.height(), page.width());
  const QRect card = InkBounds(page);
  // 457 x 283 pixels at the 96 pixels per inch of the file: 121 x 75 mm, so as many pixels again at 96 dpi.
  EXPECT_NEAR(card.width(), 457, 1);
  EXPECT_NEAR(card.height(), 283, 1);
  EXPECT_NEAR(card.center().x() + 0.5, page.width() / 2.0, 1.0);
  EXPECT_NEAR(card.center().y() + 0.5, page.height() / 2.0, 1.0);

  // Pixel for pixel the card that was printed: the frame, the grid, the curve
  // and the marker where they belong. The card lies at a fraction of a pixel
  // of the 96 dpi raster, so each page pixel is a blend of the card pixel
  // there and its neighbours to the left and above.
  const QImage expected = exports::CardPicture(form->qslCard()).convertToFormat(QImage::Format_RGB32);
  int misplaced = 0;
  int curvePixels = 0;
  for (int y = 0; y <= expected.height(); ++y) {
    for (int x = 0; x <= expected.width(); ++x) {
      if (BlendOfNeighbours(expected, x, y, page.pixel(card.left() + x, card.top() + y))) continue;
      if (++misplaced <= 5)
        ADD_FAILURE() << "card pixel " << x << "," << y << " is not what the card has there";
    }
  }
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) curvePixels += expected.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
  }
  EXPECT_EQ(misplaced, 0);
  EXPECT_GT(curvePixels, 400) << "a plot with a curve on it";
  // The frame is there: a grey line down the card's left and right sides.
  const auto darkest = [&page, &card](int x) {
    return std::min(qRed(page.pixel(card.left() + x, card.center().y())),
                    qRed(page.pixel(card.left() + x + 1, card.center().y())));
  };
  EXPECT_LT(darkest(0), 0xB0);
  EXPECT_LT(darkest(456), 0xB0);
}

TEST_F(PrintFixture, WithoutThePrintManagerTheErrorDisplayNamesItAndNothingIsLeft) {
  // The file-system library alone, in a folder outside the watched TMPDIR.
  const QDir libraries(scratch.filePath(QStringLiteral("libraries")));
  ASSERT_TRUE(libraries.mkpath(QStringLiteral(".")));
  ASSERT_TRUE(
      QFile::link(test::InBuildLib(QStringLiteral("libklmfsys.so")), libraries.filePath("libklmfsys.so")));
  auto form = Window();
  form->show();
  settings::SetKlmLibraryDir(libraries.path().toStdString());
  driver.Then(virn::test::ModalDriver::AcknowledgeMessage());
  Click(*form, "mnuPrint");
  settings::SetKlmLibraryDir(test::BuildLibDir());
  ASSERT_EQ(driver.Messages(),
            std::vector<QString>{QStringLiteral("Не удалось загрузить библиотеку klmpm3.dll.")});
  EXPECT_EQ(driver.Icons().front(), QMessageBox::Critical);
  EXPECT_TRUE(LeftInTemp().isEmpty()) << LeftInTemp().join(' ').toStdString();
  EXPECT_FALSE(QFile::exists(scratch.filePath(QStringLiteral("print.pdf"))));
}

}  // namespace
}  // namespace virn::app
