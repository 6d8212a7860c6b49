// Where virn-sweep finds the main window's settings file.
#include "sweep/window_settings.h"

#include <gtest/gtest.h>

namespace virn::sweep {
namespace {

TEST(WindowSettingsFile, FollowsTheWindowsNameRule) {
  EXPECT_EQ(WindowSettingsFile(QStringLiteral("/home/u/.config"), QStringLiteral("virn")),
            QStringLiteral("/home/u/.config/Kelmar/virn/virn.mainform.config.xml"));
  EXPECT_EQ(WindowSettingsFile(QStringLiteral("/home/u/.config"), QStringLiteral("virn-demo")),
            QStringLiteral("/home/u/.config/Kelmar/virn-demo/virn-demo.mainform.config.xml"));
}

}  // namespace
}  // namespace virn::sweep
