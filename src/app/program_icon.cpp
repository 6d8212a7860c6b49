#include "app/program_icon.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <array>

namespace virn::app {

namespace {

// The sizes of the program's icon built in (the package's pictures).
constexpr std::array<int, 7> kIconSizes = {16, 24, 32, 48, 64, 128, 256};

class ProgramIconEngine : public QIconEngine {
 public:
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    (void)mode;
    (void)state;
    const int wanted = std::max(size.width(), size.height());
    // The smallest picture at least as large, so that a picture is only ever made smaller.
    const auto* const fit =
        std::find_if(kIconSizes.begin(), kIconSizes.end(), [wanted](int side) { return side >= wanted; });
    const int side = fit == kIconSizes.end() ? kIconSizes.back() : *fit;
    // Through QImage: a pixmap loaded from a file stays in Qt's pixmap cache.
    QPixmap picture = QPixmap::fromImage(QImage(QStringLiteral(":/virn/virn-%1.png").arg(side)));
    if (picture.size() == size) return picture;
    return picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
  }

  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    (void)mode;
    (void)state;
    const int side = std::min({size.width(), size.height(), kIconSizes.back()});
    return {side, side};
  }

  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    (void)mode;
    (void)state;
    QList<QSize> sizes;
    for (const int side : kIconSizes) sizes.append(QSize(side, side));
    return sizes;
  }

  QString key() const override { return QStringLiteral("virn-program-icon"); }
  QIconEngine* clone() const override { return new ProgramIconEngine; }
};

}  // namespace

QIcon ProgramIcon() {
  return QIcon(new ProgramIconEngine);
}

}  // namespace virn::app
