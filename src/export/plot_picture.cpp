#include "export/plot_picture.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include "card/bmp_file.h"
#include "export/jpeg_writer.h"

namespace virn::exports {

namespace {

class SaveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void WriteFile(const QString& name, const QByteArray& bytes) {
  QFile file(name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
      !file.flush()) {
    throw SaveError(("cannot write " + name + ": " + file.errorString()).toStdString());
  }
}

}  // namespace

QImage CardPicture(const card::TQSLCard& card) {
  // 24 bits a pixel: there is no display depth to follow on every machine.
  QImage picture(card.Width(), card.Height(), QImage::Format_RGB888);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  card.PaintTo(painter, false);
  return picture;
}

QByteArray PictureFile(const QImage& picture, PictureFormat format) {
  return format == PictureFormat::Bmp ? card::EncodeBmp(picture) : EncodeJpeg(picture);
}

bool SavePlotPicture(card::TQSLCard& card, const QImage& plot, const QString& fileName, PictureFormat format,
                     PictureFiles& files,
                     const std::function<void(const std::string& reason)>& reportFailure) {
  std::string tempDir;
  bool saved = false;
  try {
    tempDir = files.CreateTempDir();
    if (tempDir.empty()) throw SaveError(kFileErrorText);
    const std::string tempFile = tempDir + QFileInfo(fileName).fileName().toStdString();
    card.SetPicture(plot);
    WriteFile(QString::fromStdString(tempFile), PictureFile(CardPicture(card), format));
    std::string moveError;
    if (!files.MoveFrom(tempFile, fileName.toStdString(), moveError)) throw SaveError(moveError);
    saved = true;
  } catch (const std::exception& error) {
    reportFailure(error.what());
  }
  if (!tempDir.empty()) files.ClearDir(tempDir);
  return saved;
}

}  // namespace virn::exports
