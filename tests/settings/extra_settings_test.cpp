// Our own settings beside the window's settings file: what reads, what is
// damage, and that storing one key keeps the others, every value as written,
// and never leaves half a file. (The fuzzer writes back whatever reads.)
#include "settings/extra_settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace virn::settings {
namespace {

TEST(ParseKeyValues, ReadsLinesAsAPersonMayHaveEditedThem) {
  const struct {
    QByteArray text;
    KeyValues values;
  } cases[] = {
      {"# a comment\n\n  \nscale=200\n", {{"scale", "200"}}},
      {"  scale  =auto\r\nflatness.on=1", {{"scale", "auto"}, {"flatness.on", "1"}}},  // no final line feed
      {"a-b_c.9=x=y # not a comment\n", {{"a-b_c.9", "x=y # not a comment"}}},
      {"path=C:\\\\dir\\nnext\n", {{"path", "C:\\dir\nnext"}}},
      {"\xEF\xBB\xBFunit=\xD0\x93\xD1\x86\n", {{"unit", QStringLiteral("Гц")}}},  // a byte order mark
  };
  for (const auto& c : cases) EXPECT_EQ(ParseKeyValues(c.text), c.values) << c.text.toStdString();
}

TEST(ParseKeyValues, DamageIsAnError) {
  for (const QByteArray& text :
       {QByteArray("scale 200\n"), QByteArray("=200\n"), QByteArray("sc ale=2\n"), QByteArray("скейл=2\n"),
        QByteArray("a=1\na=2\n"), QByteArray("a=\\t\n"), QByteArray("a=1\\"), QByteArray("a=\xFF\xFE\n"),
        QByteArray(1024 * 1024 + 1, '#')}) {
    EXPECT_THROW(ParseKeyValues(text), EConfigError) << text.left(40).toStdString();
  }
}

TEST(ExtraSettingsFile, StoringAKeyKeepsTheOthersAndADamagedFileIsSetAside) {
  QTemporaryDir dir;
  const QString file = ExtraSettingsFile(dir.path(), QStringLiteral("Virn-Demo"));
  EXPECT_TRUE(file.endsWith(QStringLiteral("/virn-demo.extra.conf")));
  const auto write = [&](const QByteArray& text) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(text);
  };
  write("from.a.newer.program=7\nscale=150\n");
  ASSERT_TRUE(StoreKeyValue(file, QStringLiteral("scale"), QStringLiteral("200")));
  ASSERT_TRUE(StoreKeyValue(file, QStringLiteral("flatness.on"), QStringLiteral("1")));
  EXPECT_EQ(LoadKeyValues(file),
            (KeyValues{{"from.a.newer.program", "7"}, {"scale", "200"}, {"flatness.on", "1"}}));
  // Written whole through a temporary file, the lock gone: nothing else left.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"virn-demo.extra.conf"});
  EXPECT_FALSE(StoreKeyValue(file, QStringLiteral("not a key"), QStringLiteral("1")));
  EXPECT_FALSE(StoreKeyValue(dir.filePath(QStringLiteral("missing/x.extra.conf")), QStringLiteral("a"), {}));

  write("scale=200\ngarbage\n");
  ASSERT_TRUE(StoreKeyValue(file, QStringLiteral("scale"), QStringLiteral("auto")));
  EXPECT_EQ(LoadKeyValues(file), (KeyValues{{"scale", "auto"}}));
  QFile aside(file + kBadFileSuffix);
  ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
  EXPECT_EQ(aside.readAll(), QByteArray("scale=200\ngarbage\n"));
}

}  // namespace
}  // namespace virn::settings
