// The plot saved as a picture through the real host library: what lands under
// the chosen name, and what a failure at each step leaves behind.
#include "export/plot_picture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "scripted_files.h"
#include "settings/klm_api.h"
#include "support/build_paths.h"
#include "support/scoped_env.h"

namespace virn::exports {
namespace {

// A plot-sized picture with something different in every row and column.
QImage Plot() {
  QImage plot(455, 281, QImage::Format_RGB32);
  for (int y = 0; y < plot.height(); ++y) {
    for (int x = 0; x < plot.width(); ++x) plot.setPixel(x, y, qRgb(x % 256, y % 256, (x * 7 + y * 3) % 256));
  }
  return plot;
}

using test::ScriptedFiles;

struct PlotPicture : ::testing::Test {
  QTemporaryDir target;
  QTemporaryDir temp;
  test::ScopedEnv tmpdir{"TMPDIR", temp.path().toStdString()};
  card::TQSLCard card;
  std::vector<std::string> failures;

  PlotPicture() {
    settings::SetKlmLibraryDir(virn::test::BuildLibDir());
    card.SetSize(457, 283);
  }
  ~PlotPicture() override { settings::SetKlmLibraryDir(""); }
  bool Save(const QString& name, PictureFormat format, PictureFiles& files) {
    return SavePlotPicture(card, Plot(), name, format, files,
                           [this](const std::string& reason) { failures.push_back(reason); });
  }
  bool TempFoldersLeft() const {
    return !QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty();
  }
};

TEST_F(PlotPicture, TheBmpIsThePlotInAOnePixelGreyFrame) {
  HostPictureFiles files;
  const QString name = target.filePath(QStringLiteral("plot.bmp"));
  ASSERT_TRUE(Save(name, PictureFormat::Bmp, files));
  EXPECT_TRUE(failures.empty());
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("BM"));
  EXPECT_EQ(bytes.at(28), 24) << "24 bits a pixel";
  const QImage saved = QImage::fromData(bytes, "BMP");
  ASSERT_EQ(saved.size(), QSize(457, 283));
  const QRgb grey = qRgb(128, 128, 128);
  for (int x = 0; x < 457; ++x) {
    ASSERT_EQ(saved.pixel(x, 0), grey) << x;
    ASSERT_EQ(saved.pixel(x, 282), grey) << x;
  }
  for (int y = 0; y < 283; ++y) {
    ASSERT_EQ(saved.pixel(0, y), grey) << y;
    ASSERT_EQ(saved.pixel(456, y), grey) << y;
  }
  const QImage plot = Plot();
  for (int y = 0; y < 281; ++y) {
    for (int x = 0; x < 455; ++x) ASSERT_EQ(saved.pixel(x + 1, y + 1), plot.pixel(x, y)) << x << "," << y;
  }
  EXPECT_FALSE(TempFoldersLeft());
}

TEST_F(PlotPicture, TheJpegDecodesToThePlotWithinItsCompression) {
  HostPictureFiles files;
  const QString name = target.filePath(QStringLiteral("plot.jpg"));
  ASSERT_TRUE(Save(name, PictureFormat::Jpeg, files));
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_EQ(bytes.left(2), QByteArray("\xFF\xD8", 2));
  const QImage saved = QImage::fromData(bytes, "JPG");
  ASSERT_EQ(saved.size(), QSize(457, 283));
  const QImage plot = Plot();
  double total = 0;
  for (int y = 0; y < 281; ++y) {
    for (int x = 0; x < 455; ++x) {
      const QRgb a = plot.pixel(x, y);
      const QRgb b = saved.pixel(x + 1, y + 1);
      total += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
    }
  }
  EXPECT_LT(total / (455.0 * 281.0 * 3.0), 4.0);
  EXPECT_FALSE(TempFoldersLeft());
}

TEST_F(PlotPicture, TheFormatFollowsTheFilterWhateverTheName) {
  HostPictureFiles files;
  const QString name = target.filePath(QStringLiteral("plot.jpg.bmp"));
  ASSERT_TRUE(Save(name, PictureFormat::Bmp, files));
  QFile file(name);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().startsWith("BM"));
}

TEST_F(PlotPicture, WithoutTheHostLibraryOnlyTheFailureIsReportedAndNoFolderIsLeft) {
  // A library folder with nothing in it, outside the watched temporary folder.
  const QString empty = target.filePath(QStringLiteral("no-libraries"));
  ASSERT_TRUE(QDir().mkpath(empty));
  settings::SetKlmLibraryDir(empty.toStdString());
  ScriptedFiles files;
  const QString name = target.filePath(QStringLiteral("plot.bmp"));
  EXPECT_FALSE(Save(name, PictureFormat::Bmp, files));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("klmfsys"), std::string::npos) << failures[0];
  EXPECT_TRUE(files.cleared.empty()) << "no folder was made, none is removed";
  EXPECT_FALSE(QFile::exists(name));
  EXPECT_FALSE(TempFoldersLeft());
}

TEST_F(PlotPicture, NoTemporaryFolderIsAFileError) {
  ScriptedFiles files;
  files.noTempDir = true;
  EXPECT_FALSE(Save(target.filePath(QStringLiteral("plot.bmp")), PictureFormat::Bmp, files));
  EXPECT_EQ(failures, std::vector<std::string>{"Файловая ошибка"});
}

TEST_F(PlotPicture, AFailedMoveLeavesTheFileUnderTheChosenNameAndRemovesTheFolder) {
  const QString name = target.filePath(QStringLiteral("plot.bmp"));
  {
    QFile existing(name);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("the picture saved last week");
  }
  ScriptedFiles files;
  files.failMove = true;
  EXPECT_FALSE(Save(name, PictureFormat::Bmp, files));
  EXPECT_EQ(failures, std::vector<std::string>{"Отказано в доступе"});
  QFile existing(name);
  ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
  EXPECT_EQ(existing.readAll(), QByteArray("the picture saved last week"));
  EXPECT_EQ(files.cleared.size(), 1u);
  EXPECT_FALSE(TempFoldersLeft());
}

TEST_F(PlotPicture, TheCardKeepsItsOwnCopyOfThePlot) {
  HostPictureFiles files;
  QImage plot = Plot();
  SavePlotPicture(card, plot, target.filePath(QStringLiteral("a.bmp")), PictureFormat::Bmp, files,
                  [](const std::string&) {});
  plot.fill(Qt::black);
  EXPECT_EQ(card.Picture().pixel(10, 10), Plot().pixel(10, 10));
}

}  // namespace
}  // namespace virn::exports
