// The items' defaults and setter rules: rotation kept modulo 360 with its
// sign, pen widths of at least 1, Change before a change only, kind codes
// that tell the class, data labels bound to the card's first data field,
// and the image's picture bookkeeping.
#include <gtest/gtest.h>

#include <vector>

#include "card/qsl_card.h"
#include "card_fixtures.h"

namespace virn::card {
namespace {

using testing::kWhite;
using testing::Pattern;

TEST(ItemDefaults, OfALabel) {
  const TQSLLabel label;
  EXPECT_EQ(label.ItemKind(), kind::kLabel);
  EXPECT_EQ(label.Caption(), QStringLiteral("Текст"));
  EXPECT_EQ(label.Font(), (ItemFont{QStringLiteral("Verdana"), 8, 0, 0}));
  EXPECT_EQ(label.HAligment(), qhaLeft);
  EXPECT_EQ(label.VAligment(), qvaTop);
  EXPECT_FALSE(label.Border());
  EXPECT_EQ(label.PenColor(), 0u);
  EXPECT_EQ(label.PenWidth(), 1);
  EXPECT_EQ(label.PenStyle(), pen::kSolid);
  EXPECT_EQ(label.FillColor(), 536870911u);
  EXPECT_EQ(label.CornerRadius(), 0);
  EXPECT_FALSE(label.Shadow());
  EXPECT_EQ(label.ShadowColor(), 12632256u);
  EXPECT_EQ(label.OffsetShadowX(), 3);
  EXPECT_EQ(label.OffsetShadowY(), 3);
  EXPECT_EQ(label.RotateDegree(), 0);
  EXPECT_EQ(label.Tag(), -1);
  EXPECT_TRUE(label.ShowHint());
}

TEST(ItemDefaults, OfTheOtherClasses) {
  const TQSLLine line;
  EXPECT_EQ(line.ItemKind(), kind::kHorizontalLine);
  EXPECT_TRUE(line.Caption().isEmpty());
  const TQSLImage image;
  EXPECT_EQ(image.ItemKind(), kind::kImage);
  EXPECT_TRUE(image.PictureEmpty());
  EXPECT_FALSE(image.PictureIsIcon());
  EXPECT_FALSE(image.Transparent() || image.Stretch() || image.AutoSize());
  EXPECT_TRUE(image.Caption().isEmpty());
  EXPECT_EQ(TQSLDataLabel().ItemKind(), kind::kDataLabel);
}

TEST(ItemSetters, KeepRotationModulo360AndPenWidthsOfAtLeastOne) {
  TQSLLabel label;
  const std::vector<std::pair<int, int>> cases = {
      {450, 90}, {-90, -90}, {360, 0}, {-450, -90}, {359, 359}, {-720, 0}, {2147483647, 2147483647 % 360}};
  for (const auto& [given, stored] : cases) {
    label.SetRotateDegree(given);
    EXPECT_EQ(label.RotateDegree(), stored) << given;
  }
  for (const auto& [given, stored] : std::vector<std::pair<int, int>>{{0, 1}, {5, 5}, {-7, 1}}) {
    label.SetPenWidth(given);
    EXPECT_EQ(label.PenWidth(), stored) << given;
  }
}

TEST(ItemSetters, CallChangeFirstAndOnlyForAChange) {
  TQSLLabel label;
  std::vector<QString> captionsSeen;
  int calls = 0;
  label.SetOnChange([&] {
    ++calls;
    captionsSeen.push_back(label.Caption());
  });
  label.SetCaption(QStringLiteral("Текст"));
  label.SetRotateDegree(0);
  label.SetRotateDegree(360);  // stored as 0: no change
  label.SetPenWidth(1);
  label.SetPenWidth(0);  // becomes 1: no change
  label.SetFillColor(536870911);
  label.SetFont(ItemFont{});
  label.SetShadow(false);
  EXPECT_EQ(calls, 0);
  label.SetCaption(QStringLiteral("new"));
  ASSERT_EQ(calls, 1);
  EXPECT_EQ(captionsSeen.front(), QStringLiteral("Текст"));
  label.SetHAligment(qhaCenter);
  label.SetVAligment(qvaButtom);
  label.SetBorder(true);
  label.SetPenColor(5);
  label.SetPenStyle(pen::kDot);
  label.SetCornerRadius(4);
  label.SetShadowColor(1);
  label.SetOffsetShadowX(1);
  label.SetOffsetShadowY(1);
  label.SetRotateDegree(450);
  label.SetRotateDegree(90);
  EXPECT_EQ(calls, 11);
  TQSLImage image;
  int imageCalls = 0;
  image.SetOnChange([&] { ++imageCalls; });
  image.SetStretch(false);
  image.SetStretch(true);
  image.SetPicture(QImage());  // a picture always counts as a change
  EXPECT_EQ(imageCalls, 2);
}

TEST(ItemSetters, RefuseValuesTheItemCannotHold) {
  TQSLLine line;
  EXPECT_THROW(line.SetPenStyle(7), std::invalid_argument);
  EXPECT_THROW(line.SetBounds(0, 0, -1, 5), std::invalid_argument);
  line.SetBounds(-5, -6, 7, 8);
  EXPECT_EQ(line.Left(), -5);
  EXPECT_EQ(line.Top(), -6);
  EXPECT_EQ(line.Width(), 7);
  EXPECT_EQ(line.Height(), 8);
}

TEST(ItemKinds, TellTheClass) {
  TQSLLine line;
  for (int code = 0; code < 256; ++code) {
    const auto k = static_cast<std::uint8_t>(code);
    const bool figure = k != kind::kLabel && k != kind::kDataLabel && k != kind::kImage;
    EXPECT_EQ(line.AcceptsItemKind(k), figure) << code;
    EXPECT_EQ(TQSLLabel().AcceptsItemKind(k), k == kind::kLabel) << code;
    EXPECT_EQ(TQSLDataLabel().AcceptsItemKind(k), k == kind::kDataLabel) << code;
    EXPECT_EQ(TQSLImage().AcceptsItemKind(k), k == kind::kImage) << code;
  }
  line.SetItemKind(6);
  EXPECT_EQ(line.ItemKind(), 6);
  EXPECT_THROW(line.SetItemKind(kind::kDataLabel), std::invalid_argument);
  EXPECT_EQ(line.ItemKind(), 6);
  EXPECT_THROW(TQSLLine{kind::kLabel}, std::invalid_argument);
}

TEST(DataLabels, TakeTheCardsFirstDataField) {
  TQSLCard card;
  TQSLDataLabel& label = card.AddDataLabel();
  EXPECT_EQ(label.DataField(), QStringLiteral("Дата"));
  EXPECT_EQ(label.Caption(), QStringLiteral("{Дата}"));
  card.SetDataFields({QStringLiteral("Позывной"), QStringLiteral("Имя")});
  EXPECT_EQ(card.AddDataLabel().Caption(), QStringLiteral("{Позывной}"));
  card.SetDataFields({});
  const TQSLDataLabel& unbound = card.AddDataLabel();
  EXPECT_TRUE(unbound.DataField().isEmpty());
  EXPECT_EQ(unbound.Caption(), QStringLiteral("Текст"));
}

TEST(ImagePicture, KeepsItsNaturalSizeAndResizesWithAutoSize) {
  TQSLImage image;
  image.SetBounds(10, 20, 100, 100);
  image.SetPicture(Pattern(30, 40));
  EXPECT_FALSE(image.PictureEmpty());
  EXPECT_EQ(image.NaturalWidth(), 30);
  EXPECT_EQ(image.NaturalHeight(), 40);
  EXPECT_EQ(image.Width(), 100);  // AutoSize off
  image.SetAutoSize(true);
  EXPECT_EQ(image.Width(), 100);  // only a change of picture resizes
  image.SetPicture(Pattern(31, 41));
  EXPECT_EQ(image.Left(), 10);
  EXPECT_EQ(image.Width(), 31);
  EXPECT_EQ(image.Height(), 41);
  image.SetPicture(QImage());
  EXPECT_TRUE(image.PictureEmpty());
  EXPECT_EQ(image.Width(), 31);
}

TEST(ImagePicture, TransparentPartsBecomeWhiteOrForAnIconMagenta) {
  QImage icon(2, 1, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  icon.setPixel(1, 0, qRgba(1, 2, 3, 255));
  TQSLImage image;
  image.SetPicture(icon);
  EXPECT_FALSE(image.PictureIsIcon());
  EXPECT_EQ(image.Picture().pixel(0, 0), kWhite);
  image.SetIconPicture(icon);
  EXPECT_TRUE(image.PictureIsIcon());
  EXPECT_EQ(image.Picture().pixel(0, 0), qRgb(255, 0, 255));
  EXPECT_EQ(image.Picture().pixel(1, 0), qRgb(1, 2, 3));
  image.SetPicture(icon);
  EXPECT_FALSE(image.PictureIsIcon());
}

}  // namespace
}  // namespace virn::card
