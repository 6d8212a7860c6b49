#include "hostlib/pm_sheet.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

namespace virn::hostlib {

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kInchesPerMetre = 1000.0 / kMillimetresPerInch;
// The lines under a card: this far below it, in this size.
constexpr double kLineGapMm = 4.0;
constexpr double kLinePoints = 9.0;

QString Caption(const CardTexts& texts, int slot, int fields) {
  if (slot < 0 || slot >= static_cast<int>(texts.size())) return {};
  if (fields > 0 && slot >= fields) return {};
  return texts[static_cast<std::size_t>(slot)];
}

void FillDataLabels(card::TQSLCard& card, const CardTexts& texts, int fields) {
  for (std::size_t index = 0; index < card.ItemCount(); ++index) {
    auto* label = dynamic_cast<card::TQSLDataLabel*>(&card.Item(index));
    if (label == nullptr) continue;
    label->SetCaption(
        Caption(texts, static_cast<int>(card.DataFields().indexOf(label->DataField())), fields));
  }
}

QFont LineFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(kLinePoints);
  return font;
}

// Lines of text centred across the page, the first one's top at `top`.
void DrawLines(QPainter& painter, const QStringList& lines, const QRectF& across, double top) {
  painter.setFont(LineFont());
  painter.setPen(Qt::black);
  const QFontMetricsF metrics(painter.font(), painter.device());
  double y = top;
  for (const QString& line : lines) {
    painter.drawText(QRectF(across.left(), y, across.width(), metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, line);
    y += metrics.height();
  }
}

}  // namespace

QRectF CardPlacement(QSizeF cardPixels, int pixelsPerInch, const QRectF& paper, const QRectF& printable,
                     double deviceDpi) {
  if (pixelsPerInch < 1 || cardPixels.isEmpty()) return {};
  QSizeF size = cardPixels * (deviceDpi / pixelsPerInch);
  if (size.width() > printable.width() || size.height() > printable.height()) {
    size.scale(printable.size(), Qt::KeepAspectRatio);
  }
  QRectF place(QPointF(), size);
  place.moveCenter(paper.center());
  // Uneven margins: keep the centred card on the part of the paper that prints.
  place.moveLeft(std::clamp(place.left(), printable.left(), printable.right() - size.width()));
  place.moveTop(std::clamp(place.top(), printable.top(), printable.bottom() - size.height()));
  return place;
}

QImage RenderCard(card::CardLayout& layout, const CardTexts& texts, int fields) {
  card::TQSLCard& card = layout.card;
  FillDataLabels(card, texts, fields);
  QImage image(card.Width(), card.Height(), QImage::Format_RGB888);
  image.fill(Qt::white);
  // Fonts are sized at the image's resolution, so it must be the one the card was laid out at.
  const int dotsPerMetre = static_cast<int>(std::lround(layout.header.pixelsPerInch * kInchesPerMetre));
  image.setDotsPerMeterX(dotsPerMetre);
  image.setDotsPerMeterY(dotsPerMetre);
  QPainter painter(&image);
  card.PaintTo(painter, true);
  return image;
}

card::CardLayout ReadCard(const QByteArray& bytes) {
  return card::ReadCardLayout(QByteArrayView(bytes));
}

bool PaintSheets(QPrinter& printer, card::CardLayout& layout, const PrintJob& job, const QString& note,
                 const QString& title) {
  printer.setFullPage(true);
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const double dpi = printer.resolution();
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
  const QRectF place = CardPlacement(QSizeF(layout.card.Width(), layout.card.Height()),
                                     layout.header.pixelsPerInch, paper, printable, dpi);
  const std::vector<CardTexts> cards = job.cards.empty() ? std::vector<CardTexts>(1) : job.cards;
  const double gap = kLineGapMm / kMillimetresPerInch * dpi;
  for (std::size_t index = 0; index < cards.size(); ++index) {
    if (index > 0) printer.newPage();
    if (!place.isEmpty()) {
      // The card's pixels, each drawn as a block and kept exact: smoothing, or
      // the JPEG coding a PDF would otherwise use, blurs the plot's one-pixel lines.
      painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
      painter.setRenderHint(QPainter::LosslessImageRendering, true);
      painter.drawImage(place, RenderCard(layout, cards[index], job.options.fields));
    }
    QStringList lines;
    if (!note.isEmpty()) lines << note;
    if (job.options.countVisible && cards.size() > 1) {
      lines << QStringLiteral("Карточка %1 из %2").arg(index + 1).arg(cards.size());
    }
    DrawLines(painter, lines, printable, place.bottom() + gap);
    if (job.options.publisherVisible && !title.isEmpty()) {
      const QFontMetricsF metrics(LineFont(), painter.device());
      DrawLines(painter, {QStringLiteral("Напечатано программой «%1»").arg(title)}, printable,
                printable.bottom() - metrics.height());
    }
  }
  return painter.end();
}

}  // namespace virn::hostlib
