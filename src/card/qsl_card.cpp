#include "card/qsl_card.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <string>

#include "card/card_colors.h"
#include "card/card_layout_file.h"
#include "card/gdi_shapes.h"
#include "card/opaque_picture.h"

namespace virn::card {

namespace {

constexpr int kDefaultPixelsPerInch = 96;
constexpr QRgb kFreshBitmap = 0xFFFFFFFF;

const QStringList& DefaultDataFields() {
  static const QStringList fields = {QStringLiteral("Дата"),
                                     QStringLiteral("UTC"),
                                     QStringLiteral("Диапазон"),
                                     QStringLiteral("Вид"),
                                     QStringLiteral("Позывной"),
                                     QStringLiteral("Имя"),
                                     QStringLiteral("QTH"),
                                     QStringLiteral("RST(T)"),
                                     QStringLiteral("RST(R)"),
                                     QStringLiteral("QSL - via"),
                                     QStringLiteral("QSL - статус"),
                                     QStringLiteral("Мой позывной"),
                                     QStringLiteral("Моё имя"),
                                     QStringLiteral("Мой QTH"),
                                     QStringLiteral("Мой QTH - лок."),
                                     QStringLiteral("Моя CQ - зона"),
                                     QStringLiteral("Моя ITU - зона"),
                                     QStringLiteral("Моя IOTA"),
                                     QStringLiteral("Мой район"),
                                     QStringLiteral("Моя мощность"),
                                     QStringLiteral("Мой трансивер"),
                                     QStringLiteral("QSL - инфо")};
  return fields;
}

}  // namespace

TQSLCard::TQSLCard() : dataFields_(DefaultDataFields()) {}
TQSLCard::~TQSLCard() = default;
TQSLCard::TQSLCard(TQSLCard&&) noexcept = default;
TQSLCard& TQSLCard::operator=(TQSLCard&&) noexcept = default;

void TQSLCard::SetSize(int width, int height) {
  if (width < 0 || height < 0) {
    throw std::invalid_argument("card size " + std::to_string(width) + " x " + std::to_string(height) +
                                " is negative");
  }
  width_ = width;
  height_ = height;
}

void TQSLCard::SetPicture(const QImage& picture) {
  if (onChange_) onChange_();
  picture_ = OpaquePicture(picture, kFreshBitmap);
}

void TQSLCard::SetBorder(bool border) {
  if (border_ == border) return;
  if (onChange_) onChange_();
  border_ = border;
}

void TQSLCard::SetColor(std::uint32_t color) {
  if (color_ == color) return;
  if (onChange_) onChange_();
  color_ = color;
}

void TQSLCard::SetStretch(bool stretch) {
  if (stretch_ == stretch) return;
  if (onChange_) onChange_();
  stretch_ = stretch;
}

void TQSLCard::SetAlignToGrid(bool alignToGrid) {
  alignToGrid_ = alignToGrid;
  for (const auto& item : items_) item->SetAlignToGrid(alignToGrid);
}

TQSLComponent& TQSLCard::AddItem(std::unique_ptr<TQSLComponent> item) {
  if (!item) throw std::invalid_argument("no item to add");
  item->SetAlignToGrid(alignToGrid_);
  items_.push_back(std::move(item));
  return *items_.back();
}

TQSLLabel& TQSLCard::AddLabel() {
  return Add(std::make_unique<TQSLLabel>());
}

TQSLDataLabel& TQSLCard::AddDataLabel() {
  return Add(std::make_unique<TQSLDataLabel>(dataFields_));
}

TQSLLine& TQSLCard::AddLine(std::uint8_t itemKind) {
  return Add(std::make_unique<TQSLLine>(itemKind));
}

TQSLImage& TQSLCard::AddImage() {
  return Add(std::make_unique<TQSLImage>());
}

void TQSLCard::PaintTo(QPainter& canvas, bool includeDataLabels) const {
  canvas.save();
  PrepareCanvas(canvas);
  const GdiRect r = ItemRect(0, 0, width_, height_);
  const PenSpec frame =
      border_ ? PenSpec{pen::kSolid, 1, ColorFromValue(color::kGrey)} : PenSpec{pen::kClear, 1, {}};
  DrawGdiFigure(canvas, Figure::Rectangle, r, 0, frame, ColorFromValue(color_));
  if (!PictureEmpty()) {
    if (stretch_) {
      if (!r.ToQRect().isEmpty()) canvas.drawImage(r.ToQRect(), picture_);
    } else {
      canvas.drawImage(QPoint(1, 1), picture_);
    }
  }
  for (const auto& item : items_) {
    if (item->ItemKind() != kind::kDataLabel || includeDataLabels)
      item->PaintAt(canvas, item->Left(), item->Top());
  }
  canvas.restore();
}

void TQSLCard::SaveToFile(const QString& fileName, std::int32_t pixelsPerInch) const {
  const QByteArray bytes = CardLayoutBytes(*this, pixelsPerInch);
  QFile file(fileName);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    throw ECardFileError(
        QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()).toStdString());
  }
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    throw ECardFileError(
        QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()).toStdString());
  }
  file.close();
  if (file.error() != QFileDevice::NoError) {
    throw ECardFileError(
        QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()).toStdString());
  }
}

std::int32_t ScreenPixelsPerInch() {
  const auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr) return kDefaultPixelsPerInch;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return kDefaultPixelsPerInch;
  const auto dpi = static_cast<std::int32_t>(std::lround(screen->logicalDotsPerInchY()));
  return dpi > 0 ? dpi : kDefaultPixelsPerInch;
}

}  // namespace virn::card
