#include "card/counted_text.h"

#include <gtest/gtest.h>

#include <QStringDecoder>

namespace virn::card {
namespace {

// The table written out here against the character set library's converter,
// which the program no longer loads for it.
TEST(FromWindows1251, EveryByteDecodesAsTheConverterDecodesIt) {
  QByteArray all;
  for (int byte = 0; byte < 256; ++byte) all.append(static_cast<char>(byte));
  QStringDecoder converter("windows-1251");
  const QString expected = converter.decode(all);
  const QString decoded = FromWindows1251(all);
  ASSERT_EQ(decoded.size(), expected.size());
  for (qsizetype i = 0; i < decoded.size(); ++i) EXPECT_EQ(decoded.at(i), expected.at(i)) << "byte " << i;
}

}  // namespace
}  // namespace virn::card
