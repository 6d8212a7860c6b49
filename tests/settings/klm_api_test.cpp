// The file-system and key-filter wrappers, against the real host libraries and
// against missing and outdated ones.
#include "settings/klm_api.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "support/build_paths.h"
#include "support/scoped_env.h"

namespace virn::settings {
namespace {

namespace fs = std::filesystem;

const std::string kOutdatedFsMessage =
    "Неверная версия библиотеки \"Kelmar API\" (DLL: libklmfsys.so)\r\n"
    "Возможно на вашем компьютере установлена старая версия\r\n"
    "библиотеки \"Kelmar API\". Обновите её.";

// Runs `call` and returns the EklmAPI message it raised, or a note that it did not.
std::string RaisedMessage(const std::function<void()>& call) {
  try {
    call();
  } catch (const EklmAPI& error) {
    return error.what();
  } catch (const std::exception& error) {
    return std::string("other exception: ") + error.what();
  }
  return "(nothing raised)";
}

class KlmApi : public ::testing::Test {
 protected:
  KlmApi() { SetKlmLibraryDir(virn::test::BuildLibDir()); }
  ~KlmApi() override { SetKlmLibraryDir(virn::test::BuildLibDir()); }
  std::string Path(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }

  QTemporaryDir dir_;
  test::ScopedEnv xdg_{"XDG_CONFIG_HOME", dir_.path().toStdString() + "/config"};
};

TEST_F(KlmApi, TheDefaultLibraryFolderIsTheLinkedKeyFilterLibrarys) {
  SetKlmLibraryDir("");  // back to the default
  const std::string dir = KlmLibraryDir();
  EXPECT_TRUE(fs::equivalent(dir, virn::test::BuildLibDir())) << dir;
  SetKlmLibraryDir("/opt/elsewhere");
  EXPECT_EQ(KlmLibraryDir(), "/opt/elsewhere");
}

TEST_F(KlmApi, AppDataPathAndConfigDirComeFromTheLibrary) {
  EXPECT_EQ(fsGetAppDataPath(), Path("config"));
  EXPECT_NO_THROW(fsCreateConfigDir("virn-"));
  EXPECT_TRUE(fs::is_directory(Path("config/Kelmar/virn-")));
  EXPECT_NO_THROW(fsCreateConfigDir(""));
}

TEST_F(KlmApi, AConfigDirThatCannotBeMadeIsAConfigurationError) {
  fs::create_directories(Path("config"));
  std::ofstream(Path("config/Kelmar")) << "in the way";
  EXPECT_EQ(RaisedMessage([] { fsCreateConfigDir("virn-"); }), "Ошибка конфигурации.");
}

TEST_F(KlmApi, ExportGoesThroughATempDirMoveAndClear) {
  const std::string temp = fsCreateTempDir();
  ASSERT_FALSE(temp.empty());
  ASSERT_EQ(temp.back(), '/');
  std::ofstream(temp + "_temp.bmp") << "picture";

  std::string error = "stale text";
  EXPECT_TRUE(fsMoveFrom(temp + "_temp.bmp", Path("plot.bmp"), &error));
  EXPECT_EQ(error, "");
  EXPECT_TRUE(fs::exists(Path("plot.bmp")));

  EXPECT_FALSE(fsMoveFrom(temp + "_temp.bmp", Path("again.bmp"), &error));
  EXPECT_EQ(error, std::strerror(ENOENT));
  EXPECT_FALSE(fsMoveFrom(temp + "_temp.bmp", Path("again.bmp")));  // the reason may be ignored

  std::ofstream(temp + "_temp.001") << "card";
  fsClearDir(temp);
  EXPECT_FALSE(fs::exists(temp));
}

TEST_F(KlmApi, AMissingLibraryIsNamedByEveryFileSystemCall) {
  QTemporaryDir empty;
  SetKlmLibraryDir(empty.path().toStdString());
  const std::string expected = "Не удалось загрузить библиотеку libklmfsys.so";
  EXPECT_EQ(RaisedMessage([] { fsGetAppDataPath(); }), expected);
  EXPECT_EQ(RaisedMessage([] { fsCreateConfigDir("virn-"); }), expected);
  EXPECT_EQ(RaisedMessage([] { fsCreateTempDir(); }), expected);
  EXPECT_EQ(RaisedMessage([] { fsMoveFrom("/a", "/b"); }), expected);
  EXPECT_EQ(RaisedMessage([] { fsClearDir("/nonexistent-virn-test"); }), expected);
  EXPECT_FALSE(fs::exists(Path("config/Kelmar")));
}

TEST_F(KlmApi, AnOutdatedLibraryServesWhatItHasAndNamesItselfForTheRest) {
  SetKlmLibraryDir(virn::test::TestBinDir() + "/fake-klm/outdated");
  EXPECT_EQ(fsGetAppDataPath(), "/outdated");
  EXPECT_EQ(RaisedMessage([] { fsCreateConfigDir("virn-"); }), kOutdatedFsMessage);
  EXPECT_EQ(RaisedMessage([] { fsCreateTempDir(); }), kOutdatedFsMessage);
  EXPECT_EQ(RaisedMessage([] { fsMoveFrom("/a", "/b"); }), kOutdatedFsMessage);
  EXPECT_EQ(RaisedMessage([] { fsClearDir("/nonexistent-virn-test"); }), kOutdatedFsMessage);
}

TEST(ReplaceIntegerChar, PassesDigitsAndBackspaceAndDropsTheRest) {
  for (char32_t c = U'0'; c <= U'9'; ++c) EXPECT_EQ(ReplaceIntegerChar(c), c);
  EXPECT_EQ(ReplaceIntegerChar(U'\b'), U'\b');
  for (char32_t c : {U'a', U'-', U'+', U' ', U'.', U'\r', U'\x7f', U'\xB2'}) {
    EXPECT_EQ(ReplaceIntegerChar(c), U'\0') << static_cast<uint32_t>(c);
  }
}

TEST(ReplaceIntegerChar, DropsWideCharactersWhoseLowByteLooksLikeADigit) {
  // "а" is U+0430 and "Ѳ" U+0472: their low bytes are '0' and '2'.
  EXPECT_EQ(ReplaceIntegerChar(U'а'), U'\0');
  EXPECT_EQ(ReplaceIntegerChar(U'Ѳ'), U'\0');
  EXPECT_EQ(ReplaceIntegerChar(U'\U0001D7CE'), U'\0');  // mathematical bold digit zero
}

}  // namespace
}  // namespace virn::settings
