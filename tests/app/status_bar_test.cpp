// The status bar's texts for what the controller reports.
#include "app/status_bar.h"

#include <gtest/gtest.h>

namespace virn::app {
namespace {

TEST(StatusTexts, TheVersionReplacesEveryMarkerInAnyCaseAndEndsAtTheFirstZero) {
  EXPECT_EQ(VersionPanelText("{AFT};2.07"), QStringLiteral("Вер. МК: 2.07"));
  EXPECT_EQ(VersionPanelText("{AFT};{aft}"), QStringLiteral("Вер. МК: {aft}"));
  EXPECT_EQ(VersionPanelText("{AFT};{aFt};"), QStringLiteral("Вер. МК: Вер. МК: "));
  EXPECT_EQ(VersionPanelText(std::string("{AFT};2\0\0\0", 10)), QStringLiteral("Вер. МК: 2"));
  EXPECT_EQ(VersionPanelText(std::string("\0{AFT};2.0", 10)), QString());
  // High bytes are the instrument's Cyrillic code page.
  EXPECT_EQ(VersionPanelText("{AFT};\xc2\xe5\xf0"), QStringLiteral("Вер. МК: Вер"));
}

TEST(StatusTexts, StepAndSpanAsTheRangeGivesThem) {
  EXPECT_EQ(StepPanelText(118810), QStringLiteral("Шаг: 118810 Гц"));
  EXPECT_EQ(SpanPanelText(100000, 50000000), QStringLiteral("Полоса обзора: 49.900.000 Гц"));
  EXPECT_EQ(SpanPanelText(100000, 100000), QStringLiteral("Полоса обзора:  Гц"));
  EXPECT_EQ(SpanPanelText(100000, 50000), QStringLiteral("Полоса обзора: -0.050.000 Гц"));
}

}  // namespace
}  // namespace virn::app
