// The card's defaults and setter rules, and PaintTo: frame, fill, picture,
// stretch, items in order, data labels only when asked for.
#include "card/qsl_card.h"

#include <gtest/gtest.h>

#include <vector>

#include "card_fixtures.h"

namespace virn::card {
namespace {

using testing::At;
using testing::Blank;
using testing::CountColor;
using testing::kGrey;
using testing::kWhite;
using testing::PaintCard;
using testing::Pattern;

TEST(CardDefaults, AreThoseOfTheComponent) {
  const TQSLCard card;
  EXPECT_EQ(card.Color(), 16777215u);
  EXPECT_TRUE(card.Border());
  EXPECT_FALSE(card.Stretch());
  EXPECT_TRUE(card.PictureEmpty());
  EXPECT_EQ(card.GridSize(), 8);
  EXPECT_EQ(card.GridColor(), 8421504u);
  EXPECT_TRUE(card.AlignToGrid());
  EXPECT_FALSE(card.ShowGrid());
  EXPECT_EQ(card.ItemCount(), 0u);
  const QStringList expected = {
      "Дата",      "UTC",          "Диапазон",       "Вид",           "Позывной",       "Имя",
      "QTH",       "RST(T)",       "RST(R)",         "QSL - via",     "QSL - статус",   "Мой позывной",
      "Моё имя",   "Мой QTH",      "Мой QTH - лок.", "Моя CQ - зона", "Моя ITU - зона", "Моя IOTA",
      "Мой район", "Моя мощность", "Мой трансивер",  "QSL - инфо"};
  EXPECT_EQ(card.DataFields(), expected);
}

TEST(CardSetters, RaiseOnChangeBeforeAChangeOnly) {
  TQSLCard card;
  std::vector<std::uint32_t> seenColors;
  std::vector<bool> seenBorders;
  int calls = 0;
  card.SetOnChange([&] {
    ++calls;
    seenColors.push_back(card.Color());
    seenBorders.push_back(card.Border());
  });
  card.SetColor(16777215);
  card.SetBorder(true);
  card.SetStretch(false);
  EXPECT_EQ(calls, 0);
  card.SetColor(255);
  card.SetBorder(false);
  card.SetStretch(true);
  EXPECT_EQ(calls, 3);
  // Raised before the change: the handler still sees the old values.
  EXPECT_EQ(seenColors.front(), 16777215u);
  EXPECT_TRUE(seenBorders.at(1));
  EXPECT_EQ(card.Color(), 255u);
  EXPECT_FALSE(card.Border());
  EXPECT_TRUE(card.Stretch());
  // The picture setter always raises it, even with the same picture.
  card.SetPicture(QImage());
  card.SetPicture(QImage());
  EXPECT_EQ(calls, 5);
}

TEST(CardPicture, IsTheCardsOwnCopy) {
  TQSLCard card;
  QImage plot = Pattern(20, 10);
  card.SetPicture(plot);
  EXPECT_FALSE(card.PictureEmpty());
  const QRgb before = card.Picture().pixel(3, 4);
  // Drawing through the bits, as the plot renderer does, must not reach the copy.
  reinterpret_cast<QRgb*>(plot.bits())[4 * 20 + 3] = 0xFF00FF00;
  QPainter(&plot).fillRect(plot.rect(), Qt::red);
  EXPECT_EQ(card.Picture().pixel(3, 4), before);
  card.SetPicture(QImage());
  EXPECT_TRUE(card.PictureEmpty());
}

TEST(CardSize, RefusesNegativeValues) {
  TQSLCard card;
  card.SetSize(457, 283);
  EXPECT_EQ(card.Width(), 457);
  EXPECT_EQ(card.Height(), 283);
  EXPECT_THROW(card.SetSize(-1, 10), std::invalid_argument);
  EXPECT_EQ(card.Width(), 457);
}

TEST(CardItems, AreOwnedInOrderAndTakeAlignToGrid) {
  TQSLCard card;
  card.SetAlignToGrid(false);
  TQSLLabel& label = card.AddLabel();
  TQSLLine& line = card.AddLine(kind::kEllipse);
  EXPECT_FALSE(label.AlignToGrid());
  card.SetAlignToGrid(true);
  EXPECT_TRUE(line.AlignToGrid());
  ASSERT_EQ(card.ItemCount(), 2u);
  EXPECT_EQ(&card.Item(0), &label);
  EXPECT_EQ(card.Item(1).ItemKind(), kind::kEllipse);
  EXPECT_THROW(card.Item(2), std::out_of_range);
  EXPECT_THROW(card.AddItem(nullptr), std::invalid_argument);
  EXPECT_THROW(card.AddLine(kind::kImage), std::invalid_argument);
}

// The program's card: the plot inside a one-pixel grey frame, pixel for pixel.
TEST(CardPaint, FramesTheUnscaledPictureAtOneOne) {
  TQSLCard card;
  card.SetSize(457, 283);
  const QImage plot = Pattern(455, 281);
  card.SetPicture(plot);
  const QImage image = PaintCard(card, false);
  for (int y = 0; y < 283; ++y) {
    for (int x = 0; x < 457; ++x) {
      const bool ring = x == 0 || y == 0 || x == 456 || y == 282;
      ASSERT_EQ(At(image, x, y), ring ? kGrey : At(plot, x - 1, y - 1)) << x << ", " << y;
    }
  }
}

TEST(CardPaint, WithoutBorderFillsTheWholeCardInItsColor) {
  TQSLCard card;
  card.SetSize(30, 20);
  card.SetBorder(false);
  card.SetColor(0x0000FF);  // 0x00BBGGRR: red
  const QImage image = PaintCard(card);
  EXPECT_EQ(CountColor(image, qRgb(255, 0, 0)), 30 * 20);
  card.SetColor(0x8000000F);  // button face
  EXPECT_EQ(CountColor(PaintCard(card), qRgb(0xF0, 0xF0, 0xF0)), 30 * 20);
}

TEST(CardPaint, StretchCoversTheFrame) {
  QImage quarters(2, 2, QImage::Format_RGB32);
  quarters.setPixel(0, 0, qRgb(255, 0, 0));
  quarters.setPixel(1, 0, qRgb(0, 255, 0));
  quarters.setPixel(0, 1, qRgb(0, 0, 255));
  quarters.setPixel(1, 1, qRgb(255, 255, 0));
  TQSLCard card;
  card.SetSize(10, 8);
  card.SetPicture(quarters);
  card.SetStretch(true);
  const QImage image = PaintCard(card);
  EXPECT_EQ(CountColor(image, kGrey), 0);
  EXPECT_EQ(CountColor(image, qRgb(255, 0, 0), QRect(0, 0, 5, 4)), 20);
  EXPECT_EQ(CountColor(image, qRgb(0, 255, 0), QRect(5, 0, 5, 4)), 20);
  EXPECT_EQ(CountColor(image, qRgb(0, 0, 255), QRect(0, 4, 5, 4)), 20);
  EXPECT_EQ(CountColor(image, qRgb(255, 255, 0), QRect(5, 4, 5, 4)), 20);
}

TEST(CardPaint, DataLabelsOnlyWhenAsked) {
  TQSLCard card;
  card.SetSize(120, 40);
  TQSLDataLabel& label = card.AddDataLabel();
  label.SetBounds(5, 5, 110, 30);
  label.SetFillColor(0x000000FF);
  label.SetFont({QStringLiteral("Verdana"), 12, 0, 0});
  const QImage without = PaintCard(card, false);
  const QImage with = PaintCard(card, true);
  EXPECT_EQ(CountColor(without, qRgb(255, 0, 0)), 0);
  EXPECT_EQ(CountColor(without, kWhite, QRect(1, 1, 118, 38)), 118 * 38);
  EXPECT_GT(CountColor(with, qRgb(255, 0, 0)), 1000);
  EXPECT_GT(CountColor(with, testing::kBlack, QRect(5, 5, 110, 30)), 10);  // "{Дата}"
}

TEST(CardPaint, ItemsInOrderOverThePicture) {
  TQSLCard card;
  card.SetSize(40, 40);
  card.SetPicture(Blank(38, 38, qRgb(0, 0, 255)));
  TQSLLine& first = card.AddLine(kind::kRectangle);
  first.SetBounds(5, 5, 20, 20);
  first.SetFillColor(0x0000FF);  // red
  TQSLLine& second = card.AddLine(kind::kRectangle);
  second.SetBounds(15, 15, 20, 20);
  second.SetFillColor(0x00FF00);  // green
  const QImage image = PaintCard(card);
  EXPECT_EQ(At(image, 10, 10), qRgb(255, 0, 0));
  EXPECT_EQ(At(image, 20, 20), qRgb(0, 255, 0));  // the later item on top
  EXPECT_EQ(At(image, 30, 10), qRgb(0, 0, 255));
  EXPECT_EQ(At(image, 15, 15), qRgb(0, 0, 0));  // the second one's outline
}

TEST(CardPaint, LeavesThePainterAsItWas) {
  TQSLCard card;
  card.SetSize(20, 20);
  card.AddLabel().SetBounds(0, 0, 20, 20);
  QImage image = Blank(20, 20);
  QPainter painter(&image);
  painter.setPen(QPen(Qt::red, 3));
  painter.setBrush(Qt::green);
  painter.setRenderHint(QPainter::Antialiasing, true);
  card.PaintTo(painter, true);
  EXPECT_EQ(painter.pen().color(), QColor(Qt::red));
  EXPECT_EQ(painter.pen().width(), 3);
  EXPECT_EQ(painter.brush().color(), QColor(Qt::green));
  EXPECT_TRUE(painter.testRenderHint(QPainter::Antialiasing));
  EXPECT_FALSE(painter.hasClipping());
}

}  // namespace
}  // namespace virn::card
