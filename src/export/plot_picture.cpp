#include "export/plot_picture.h"

#include <QPainter>

#include "card/bmp_file.h"
#include "export/jpeg_writer.h"

namespace virn::exports {

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
  return SaveThroughTempDir(
      fileName, files,
      [&] {
        card.SetPicture(plot);
        return PictureFile(CardPicture(card), format);
      },
      reportFailure);
}

}  // namespace virn::exports
