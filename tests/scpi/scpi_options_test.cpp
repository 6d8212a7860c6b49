// The --listen address, the one option with rules of its own.
#include "scpi/scpi_options.h"

#include <gtest/gtest.h>

namespace virn::scpi {
namespace {

TEST(ListenAddress, TakesHostAndPortAndRefusesTheRest) {
  struct Case {
    const char* text;
    const char* host;  // null: refused
    quint16 port;
  };
  for (const Case c :
       {Case{"127.0.0.1:5025", "127.0.0.1", 5025}, Case{"0.0.0.0:0", "0.0.0.0", 0},
        Case{"[::1]:6000", "::1", 6000}, Case{"localhost:80", "127.0.0.1", 80}, Case{"::1:5025", nullptr, 0},
        Case{"127.0.0.1:65536", nullptr, 0}, Case{"127.0.0.1: 5", nullptr, 0},
        Case{"nowhere:5025", nullptr, 0}, Case{":5025", nullptr, 0}, Case{"127.0.0.1", nullptr, 0}}) {
    const std::optional<ListenAddress> parsed = ParseListenAddress(QString::fromLatin1(c.text));
    ASSERT_EQ(parsed.has_value(), c.host != nullptr) << c.text;
    if (!parsed) continue;
    EXPECT_EQ(parsed->address, QHostAddress(QString::fromLatin1(c.host))) << c.text;
    EXPECT_EQ(parsed->port, c.port) << c.text;
  }
}

}  // namespace
}  // namespace virn::scpi
