// The save dialog's filter and the extension rule.
#include "export/save_name.h"

#include <gtest/gtest.h>

namespace virn::exports {
namespace {

TEST(WithExtension, TheFilterDecidesAndTheComparisonIsExact) {
  EXPECT_EQ(WithExtension(QStringLiteral("plot"), PictureFormat::Bmp), QStringLiteral("plot.bmp"));
  EXPECT_EQ(WithExtension(QStringLiteral("plot.bmp"), PictureFormat::Bmp), QStringLiteral("plot.bmp"));
  EXPECT_EQ(WithExtension(QStringLiteral("plot.BMP"), PictureFormat::Bmp), QStringLiteral("plot.BMP.bmp"));
  EXPECT_EQ(WithExtension(QStringLiteral("plot.jpeg"), PictureFormat::Jpeg), QStringLiteral("plot.jpeg.jpg"));
  EXPECT_EQ(WithExtension(QStringLiteral("plot.jpg"), PictureFormat::Jpeg), QStringLiteral("plot.jpg"));
  EXPECT_EQ(WithExtension(QStringLiteral("plot.jpg"), PictureFormat::Bmp), QStringLiteral("plot.jpg.bmp"));
  EXPECT_EQ(WithExtension(QStringLiteral("/home/u/Мои графики/фильтр"), PictureFormat::Jpeg),
            QStringLiteral("/home/u/Мои графики/фильтр.jpg"));
}

TEST(DialogNameFilters, OneEntryForEachDescriptionAndPattern) {
  EXPECT_EQ(DialogNameFilters(kSaveFilter), (QStringList{QStringLiteral("Точечные рисунки (*.bmp)"),
                                                         QStringLiteral("Файлы в формате JPEG (*.jpg)")}));
  EXPECT_EQ(DialogNameFilters(QStringLiteral("Рисунки|*.png")),
            QStringList{QStringLiteral("Рисунки (*.png)")});
  EXPECT_TRUE(DialogNameFilters(QString()).isEmpty());
}

}  // namespace
}  // namespace virn::exports
