#include "card/opaque_picture.h"

#include <QPainter>

namespace virn::card {

QImage OpaquePicture(const QImage& picture, QRgb background) {
  if (picture.isNull()) return {};
  QImage copy;
  if (!picture.hasAlphaChannel()) {
    copy = picture.format() == QImage::Format_RGB32 ? picture.copy()
                                                    : picture.convertToFormat(QImage::Format_RGB32);
  } else {
    copy = QImage(picture.size(), QImage::Format_RGB32);
    copy.fill(background);
    QImage source = picture;
    source.setDevicePixelRatio(1);
    QPainter painter(&copy);
    painter.drawImage(0, 0, source);
  }
  copy.setDevicePixelRatio(1);
  return copy;
}

}  // namespace virn::card
