// PaintAt of every item class, checked by pixels: text placement, the upright
// layout, shadow and clipping; fills and outlines; the line figures; pictures
// placed, stretched and keyed transparent.
#include <gtest/gtest.h>

#include <QFontMetrics>

#include "card/gdi_text.h"
#include "card/qsl_card.h"
#include "card_fixtures.h"

namespace virn::card {
namespace {

using testing::At;
using testing::CountColor;
using testing::InkBox;
using testing::kBlack;
using testing::kGrey;
using testing::kWhite;
using testing::PaintItem;
using testing::Pattern;

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr std::uint32_t kRedValue = 0x0000FF;  // 0x00BBGGRR
constexpr std::uint32_t kGreenValue = 0x00FF00;

void Configure(TQSLLabel& label, const QString& caption, QRect bounds) {
  label.SetCaption(caption);
  label.SetFont({QStringLiteral("Verdana"), 12, 0, 0});
  label.SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
}

QFontMetrics Metrics(const TQSLComponent& item) {
  const QImage device(1, 1, QImage::Format_RGB32);
  return QFontMetrics(MakeFont(item.Font(), &device), &device);
}

TEST(TextPaint, FontPointsBecomePixelsAtTheCanvasResolution) {
  const QImage device(1, 1, QImage::Format_RGB32);
  EXPECT_EQ(MakeFont({QStringLiteral("Verdana"), 8, 0, 0}, &device).pixelSize(), 11);  // 8 * 96 / 72, rounded
  EXPECT_EQ(MakeFont({QStringLiteral("Verdana"), 12, 0, 0}, &device).pixelSize(), 16);
  const QFont styled = MakeFont({QStringLiteral("Verdana"), 0, style::kBold | style::kUnderline, 0}, &device);
  EXPECT_EQ(styled.pixelSize(), 1);
  EXPECT_TRUE(styled.bold() && styled.underline() && !styled.italic() && !styled.strikeOut());
}

TEST(TextPaint, AlignsInsideTheRectangleShrunkByThePenWidth) {
  const QRect bounds(10, 10, 150, 60);
  const QRect t = bounds.adjusted(2, 2, -2, -2);
  TQSLLabel label;
  Configure(label, QStringLiteral("Текст"), bounds);
  label.SetPenWidth(2);
  const QRect left = InkBox(PaintItem(label));
  ASSERT_FALSE(left.isEmpty());
  EXPECT_TRUE(t.contains(left));
  EXPECT_LE(left.left(), t.left() + 2);
  EXPECT_LE(left.top(), t.top() + 6);
  label.SetHAligment(qhaRight);
  const QRect right = InkBox(PaintItem(label));
  EXPECT_GE(right.right(), t.right() - 2);
  EXPECT_EQ(right.top(), left.top());
  EXPECT_NEAR(right.width(), left.width(), 1);
  label.SetHAligment(qhaCenter);
  EXPECT_NEAR(InkBox(PaintItem(label)).center().x(), t.center().x(), 2);
  label.SetVAligment(qvaButtom);
  const QRect bottom = InkBox(PaintItem(label));
  EXPECT_GE(bottom.bottom(), t.bottom() - 5);
  EXPECT_TRUE(t.contains(bottom));
  label.SetVAligment(qvaCenter);
  EXPECT_NEAR(InkBox(PaintItem(label)).center().y(), t.center().y(), 3);
}

TEST(TextPaint, BreaksLinesOnlyWhenTopAligned) {
  TQSLLabel label;
  Configure(label, QStringLiteral("Аб\r\nВг\nДе"), QRect(0, 0, 150, 100));
  const int lineHeight = Metrics(label).height();
  EXPECT_GT(InkBox(PaintItem(label)).height(), 2 * lineHeight);
  label.SetVAligment(qvaButtom);
  EXPECT_LT(InkBox(PaintItem(label)).height(), lineHeight);
}

TEST(TextPaint, ExpandsTabsToEightAverageCharacters) {
  TQSLLabel label;
  Configure(label, QStringLiteral("\tX"), QRect(0, 0, 190, 30));
  const int tab = 8 * Metrics(label).averageCharWidth();
  const QRect ink = InkBox(PaintItem(label));
  EXPECT_NEAR(ink.left(), 1 + tab, 2);
}

TEST(TextPaint, IsClippedToItsRectangle) {
  TQSLLabel label;
  Configure(label, QStringLiteral("Очень длинный текст без переносов"), QRect(20, 20, 60, 14));
  label.SetVAligment(qvaCenter);
  const QImage image = PaintItem(label);
  const QRect ink = InkBox(image);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(QRect(21, 21, 58, 12).contains(ink)) << ink.x() << "," << ink.y() << " " << ink.width();
  EXPECT_EQ(ink.right(), 78);  // cut at the edge, no wrapping
}

TEST(TextPaint, UprightTextAtNinetyDegreesRunsUpwards) {
  TQSLLabel label;
  Configure(label, QStringLiteral("Текст"), QRect(20, 10, 60, 150));
  label.SetRotateDegree(90);
  const QFontMetrics metrics = Metrics(label);
  const int w = metrics.horizontalAdvance(label.Caption());
  const int h = metrics.height();
  // qvaTop, qhaLeft: the text's start at T top = w + PenWidth, its column at T left.
  const QRect top = InkBox(PaintItem(label, 200, 200));
  ASSERT_FALSE(top.isEmpty());
  EXPECT_GT(top.height(), 2 * top.width());
  EXPECT_TRUE(QRect(21, 11, h, w).contains(top));
  EXPECT_GE(top.bottom(), 11 + w - 4);
  label.SetHAligment(qhaRight);
  const QRect right = InkBox(PaintItem(label, 200, 200));
  EXPECT_TRUE(QRect(79 - h, 11, h, w).contains(right));
  EXPECT_EQ(right.top(), top.top());
  label.SetHAligment(qhaCenter);
  const int centreLeft = 20 + (58 / 2 - h / 2);
  EXPECT_TRUE(QRect(centreLeft, 11, h, w).contains(InkBox(PaintItem(label, 200, 200))));
  label.SetHAligment(qhaLeft);
  label.SetVAligment(qvaButtom);
  // T top = T bottom - PenWidth = 148, moved down by 10.
  const QRect bottom = InkBox(PaintItem(label, 200, 200));
  EXPECT_TRUE(QRect(21, 158 - w, h, w).contains(bottom));
  EXPECT_GE(bottom.bottom(), 158 - 4);
  label.SetVAligment(qvaCenter);
  // T top = d - |w/2 - d/2| with d = 148.
  const int centreTop = 10 + 148 - std::abs(w / 2 - 74);
  const QRect centre = InkBox(PaintItem(label, 200, 200));
  EXPECT_TRUE(QRect(21, centreTop - w, h, w).contains(centre));
  EXPECT_GE(centre.bottom(), centreTop - 4);
}

TEST(TextPaint, OtherAnglesTurnAboutTheTopLeftOfTheAlignedText) {
  TQSLLabel label;
  Configure(label, QStringLiteral("Текст"), QRect(0, 0, 200, 120));
  label.SetHAligment(qhaCenter);
  label.SetVAligment(qvaCenter);
  const QRect upright = InkBox(PaintItem(label));
  const QFontMetrics metrics = Metrics(label);
  const QPoint pivot(1 + (198 - metrics.horizontalAdvance(label.Caption())) / 2,
                     1 + 118 / 2 - metrics.height() / 2);
  label.SetRotateDegree(180);
  const QRect turned = InkBox(PaintItem(label));
  ASSERT_FALSE(turned.isEmpty());
  EXPECT_LE(turned.right(), pivot.x() + 1);
  EXPECT_LE(turned.bottom(), pivot.y() + 1);
  EXPECT_NEAR(turned.width(), upright.width(), 2);
  EXPECT_LT(turned.right(), upright.left() + 3);
}

TEST(TextPaint, ShadowIsTheTextMovedInItsColor) {
  TQSLLabel label;
  Configure(label, QStringLiteral("Тень"), QRect(10, 10, 150, 60));
  const QRect plain = InkBox(PaintItem(label));
  label.SetShadow(true);
  label.SetShadowColor(kRedValue);
  label.SetOffsetShadowX(4);
  label.SetOffsetShadowY(5);
  const QImage image = PaintItem(label);
  EXPECT_EQ(InkBox(image), plain.united(plain.translated(4, 5)));
  EXPECT_GT(CountColor(image, kRed), 5);
  EXPECT_GT(CountColor(image, kBlack), 5);
}

TEST(ItemFill, FillsTheRectangleAndDrawsTheBorderInsideIt) {
  TQSLLabel label;
  Configure(label, QString(), QRect(20, 10, 50, 30));
  label.SetFillColor(kGreenValue);
  QImage image = PaintItem(label);
  EXPECT_EQ(CountColor(image, kGreen), 50 * 30);
  EXPECT_EQ(InkBox(image), QRect(20, 10, 50, 30));
  label.SetBorder(true);
  image = PaintItem(label);
  EXPECT_EQ(InkBox(image), QRect(20, 10, 50, 30));
  EXPECT_EQ(CountColor(image, kBlack), 2 * 50 + 2 * 28);
  EXPECT_EQ(CountColor(image, kGreen), 48 * 28);
  label.SetPenWidth(3);
  image = PaintItem(label);
  EXPECT_EQ(InkBox(image), QRect(20, 10, 50, 30));
  for (int x : {20, 21, 22, 67, 68, 69}) EXPECT_EQ(At(image, x, 25), kBlack) << x;
  EXPECT_EQ(At(image, 23, 25), kGreen);
  EXPECT_EQ(At(image, 66, 25), kGreen);
  label.SetCornerRadius(20);
  image = PaintItem(label);
  EXPECT_EQ(At(image, 20, 10), kWhite);  // the corner is rounded off
  EXPECT_EQ(At(image, 45, 10), kBlack);
}

TEST(LinePaint, HorizontalAndVerticalLines) {
  TQSLLine line(kind::kHorizontalLine);
  line.SetBounds(10, 20, 50, 9);
  QImage image = PaintItem(line);
  EXPECT_EQ(InkBox(image), QRect(10, 20, 50, 1));
  EXPECT_EQ(CountColor(image, kBlack), 50);
  line.SetPenWidth(3);  // centred one pixel down, p = 1
  EXPECT_EQ(InkBox(PaintItem(line)).top(), 20);
  EXPECT_EQ(InkBox(PaintItem(line)).bottom(), 22);
  line.SetItemKind(kind::kVerticalLine);
  line.SetPenWidth(1);
  line.SetPenColor(kRedValue);
  image = PaintItem(line);
  EXPECT_EQ(InkBox(image), QRect(10, 20, 1, 9));
  EXPECT_EQ(CountColor(image, kRed), 9);
}

TEST(LinePaint, RectangleAndEllipseFillTheirRectangle) {
  TQSLLine line(kind::kRectangle);
  line.SetBounds(10, 20, 50, 30);
  QImage image = PaintItem(line);
  EXPECT_EQ(CountColor(image, kBlack), 2 * 50 + 2 * 28);
  EXPECT_EQ(CountColor(image, kWhite, QRect(11, 21, 48, 28)), 48 * 28);
  line.SetFillColor(kGreenValue);
  EXPECT_EQ(CountColor(PaintItem(line), kGreen), 48 * 28);
  line.SetPenStyle(pen::kClear);
  image = PaintItem(line);
  EXPECT_EQ(CountColor(image, kGreen), 50 * 30);
  EXPECT_EQ(InkBox(image), QRect(10, 20, 50, 30));
  line.SetPenStyle(pen::kSolid);
  line.SetItemKind(kind::kEllipse);
  image = PaintItem(line);
  EXPECT_EQ(InkBox(image), QRect(10, 20, 50, 30));
  EXPECT_EQ(At(image, 10, 20), kWhite);
  EXPECT_EQ(At(image, 35, 35), kGreen);
  EXPECT_EQ(At(image, 35, 20), kBlack);
}

TEST(LinePaint, OtherKindsDrawNothing) {
  for (int code : {0, 6, 9, 100, 255}) {
    TQSLLine line(static_cast<std::uint8_t>(code));
    line.SetBounds(10, 10, 50, 30);
    line.SetFillColor(kGreenValue);
    line.SetBorder(true);
    line.SetPenWidth(3);
    EXPECT_TRUE(InkBox(PaintItem(line)).isEmpty()) << code;
  }
}

TEST(LinePaint, DashesAndDotsHaveThePlatformLengths) {
  TQSLLine line(kind::kHorizontalLine);
  line.SetBounds(0, 5, 60, 3);
  line.SetPenStyle(pen::kDash);
  QImage image = PaintItem(line);
  for (int x = 0; x < 60; ++x) EXPECT_EQ(At(image, x, 5) == kBlack, x % 24 < 18) << x;
  line.SetPenStyle(pen::kDot);
  image = PaintItem(line);
  for (int x = 0; x < 60; ++x) EXPECT_EQ(At(image, x, 5) == kBlack, x % 6 < 3) << x;
  line.SetPenWidth(2);  // wider pens are solid
  EXPECT_EQ(CountColor(PaintItem(line), kBlack, QRect(1, 0, 58, 10)), 2 * 58);
}

TEST(ImagePaint, EmptyPictureShowsADottedGreyOutline) {
  TQSLImage image;
  image.SetBounds(10, 10, 30, 20);
  const QImage painted = PaintItem(image);
  EXPECT_EQ(InkBox(painted), QRect(10, 10, 30, 20));
  EXPECT_EQ(CountColor(painted, kGrey) + CountColor(painted, kWhite), painted.width() * painted.height());
  EXPECT_EQ(At(painted, 10, 10), kGrey);
  EXPECT_EQ(At(painted, 13, 10), kWhite);
  EXPECT_EQ(CountColor(painted, kGrey, QRect(11, 11, 28, 18)), 0);
}

TEST(ImagePaint, NaturalSizeInItsAlignedPlace) {
  const QImage picture = Pattern(8, 6);
  TQSLImage image;
  image.SetBounds(10, 10, 40, 30);
  image.SetPicture(picture);
  const auto expectAt = [&](int left, int top) {
    const QImage painted = PaintItem(image);
    EXPECT_EQ(InkBox(painted), QRect(left, top, 8, 6));
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(At(painted, left + x, top + y), At(picture, x, y)) << x << "," << y;
    }
  };
  expectAt(11, 11);
  image.SetHAligment(qhaRight);
  image.SetVAligment(qvaButtom);
  expectAt(10 + 40 - 8 - 1, 10 + 30 - 6 - 1);
  image.SetHAligment(qhaCenter);
  image.SetVAligment(qvaCenter);
  image.SetPenWidth(5);  // no effect on a centred picture
  expectAt(10 + 20 - 4, 10 + 15 - 3);
}

TEST(ImagePaint, StretchFillsTheRectangleShrunkByThePenWidth) {
  QImage halves(2, 1, QImage::Format_RGB32);
  halves.setPixel(0, 0, kRed);
  halves.setPixel(1, 0, kGreen);
  TQSLImage image;
  image.SetBounds(10, 10, 40, 30);
  image.SetPicture(halves);
  image.SetStretch(true);
  image.SetPenWidth(2);
  const QImage painted = PaintItem(image);
  EXPECT_EQ(InkBox(painted), QRect(12, 12, 36, 26));
  EXPECT_EQ(CountColor(painted, kRed), 18 * 26);
  EXPECT_EQ(CountColor(painted, kGreen), 18 * 26);
}

TEST(ImagePaint, TransparentKeysOutTheTopLeftPixelsColor) {
  QImage picture(4, 4, QImage::Format_RGB32);
  picture.fill(kRed);
  picture.setPixel(1, 1, kGreen);
  TQSLImage image;
  image.SetBounds(0, 0, 10, 10);
  image.SetFillColor(0xFF0000);  // blue behind the picture
  image.SetPicture(picture);
  EXPECT_EQ(CountColor(PaintItem(image), kRed), 15);
  image.SetTransparent(true);
  QImage painted = PaintItem(image);
  EXPECT_EQ(CountColor(painted, kRed), 0);
  EXPECT_EQ(CountColor(painted, kGreen), 1);
  EXPECT_EQ(At(painted, 1, 1), qRgb(0, 0, 255));
  image.SetTransparent(false);
  image.SetIconPicture(picture);  // an icon is always keyed
  painted = PaintItem(image);
  EXPECT_EQ(CountColor(painted, kRed), 0);
  EXPECT_EQ(CountColor(painted, kGreen), 1);
}

}  // namespace
}  // namespace virn::card
