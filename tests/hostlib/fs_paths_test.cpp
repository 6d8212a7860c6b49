// The directory exports of libklmfsys.so, called directly (the test links it).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hostlib/klm_exports.h"
#include "support/scoped_env.h"

namespace {

namespace fs = std::filesystem;
using virn::test::ScopedEnv;

std::string AppDataPath(uint16_t* result = nullptr) {
  std::array<char, KLM_PATH_BUFFER_SIZE> buffer;
  buffer.fill('#');  // a stale buffer must not show through
  const uint16_t ok = fsGetAppDataPath(nullptr, buffer.data());
  if (result != nullptr) *result = ok;
  return buffer.data();
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST(AppDataPath, IsTheAbsoluteXdgConfigHomeWithoutTrailingSlash) {
  const ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/conf//");
  uint16_t ok = 0;
  EXPECT_EQ(AppDataPath(&ok), "/srv/conf");
  EXPECT_NE(ok, 0);
}

TEST(AppDataPath, FallsBackToHomeConfigWhenXdgIsUnsetEmptyOrRelative) {
  const ScopedEnv home("HOME", "/home/tester/");
  for (const char* xdg : {static_cast<const char*>(nullptr), "", "relative/conf", "~/conf"}) {
    const ScopedEnv xdgEnv("XDG_CONFIG_HOME", xdg);
    uint16_t ok = 0;
    EXPECT_EQ(AppDataPath(&ok), "/home/tester/.config") << (xdg != nullptr ? xdg : "(unset)");
    EXPECT_NE(ok, 0);
  }
}

TEST(AppDataPath, WithoutHomeUsesThePasswordDatabase) {
  const ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  const ScopedEnv home("HOME", nullptr);
  uint16_t ok = 0;
  const std::string path = AppDataPath(&ok);
  ASSERT_NE(ok, 0);
  EXPECT_EQ(path.front(), '/');
  EXPECT_TRUE(path.ends_with("/.config")) << path;
}

TEST(AppDataPath, APathThatDoesNotFitTheBufferIsAFailureWithAnEmptyResult) {
  // 260 characters and the NUL fill the 261 bytes exactly; one more does not fit.
  const std::string fits = "/" + std::string(259, 'a');
  {
    const ScopedEnv xdg("XDG_CONFIG_HOME", fits);
    uint16_t ok = 0;
    EXPECT_EQ(AppDataPath(&ok), fits);
    EXPECT_NE(ok, 0);
  }
  {
    const ScopedEnv xdg("XDG_CONFIG_HOME", fits + "b");
    uint16_t ok = 1;
    EXPECT_EQ(AppDataPath(&ok), "");
    EXPECT_EQ(ok, 0);
  }
}

class ConfigDir : public ::testing::Test {
 protected:
  QTemporaryDir root_;
  std::string home_ = root_.path().toStdString() + "/config";
  ScopedEnv xdg_{"XDG_CONFIG_HOME", home_};
};

TEST_F(ConfigDir, CreatesKelmarAndTheProgramFolderWithParentsPrivately) {
  ASSERT_FALSE(fs::exists(home_));
  EXPECT_NE(fsCreateConfigDir(nullptr, "virn-"), 0);
  EXPECT_TRUE(fs::is_directory(home_ + "/Kelmar/virn-"));
  EXPECT_EQ(ModeOf(home_), 0700u);
  EXPECT_EQ(ModeOf(home_ + "/Kelmar"), 0700u);
  EXPECT_EQ(ModeOf(home_ + "/Kelmar/virn-"), 0700u);
}

TEST_F(ConfigDir, AnEmptyProgramNameMeansTheKelmarFolderItself) {
  EXPECT_NE(fsCreateConfigDir(nullptr, ""), 0);
  EXPECT_TRUE(fs::is_directory(home_ + "/Kelmar"));
  EXPECT_TRUE(fs::is_empty(home_ + "/Kelmar"));
}

TEST_F(ConfigDir, ACyrillicProgramNameIsKeptAsUtf8) {
  EXPECT_NE(fsCreateConfigDir(nullptr, "Вирн"), 0);
  EXPECT_TRUE(fs::is_directory(home_ + "/Kelmar/\xD0\x92\xD0\xB8\xD1\x80\xD0\xBD"));
}

TEST_F(ConfigDir, SucceedsAgainWhenItExistsAndKeepsItsContents) {
  ASSERT_NE(fsCreateConfigDir(nullptr, "virn-"), 0);
  const std::string settings = home_ + "/Kelmar/virn-/virn.mainform.config.xml";
  { std::ofstream(settings) << "<Configuration/>"; }
  // An existing folder keeps the mode its owner gave it.
  fs::permissions(home_ + "/Kelmar", fs::perms(0755));
  EXPECT_NE(fsCreateConfigDir(nullptr, "virn-"), 0);
  EXPECT_TRUE(fs::exists(settings));
  EXPECT_EQ(ModeOf(home_ + "/Kelmar"), 0755u);
}

TEST_F(ConfigDir, FailsWhenAFileStandsWhereAFolderMustGo) {
  fs::create_directories(home_);
  { std::ofstream(home_ + "/Kelmar") << "not a folder"; }
  EXPECT_EQ(fsCreateConfigDir(nullptr, "virn-"), 0);
  EXPECT_EQ(fsCreateConfigDir(nullptr, ""), 0);
}

class TempDir : public ::testing::Test {
 protected:
  std::string Create(uint16_t* result = nullptr) {
    std::array<char, KLM_PATH_BUFFER_SIZE> buffer{};
    const uint16_t ok = fsCreateTempDir(nullptr, buffer.data());
    if (result != nullptr) *result = ok;
    std::string path = buffer.data();
    if (ok != 0) made_.push_back(path);
    return path;
  }
  ~TempDir() override {
    for (const auto& path : made_) fs::remove_all(path);
  }

  QTemporaryDir root_;
  std::vector<std::string> made_;
};

TEST_F(TempDir, IsANewEmptyPrivateDirectoryEndingInSlash) {
  const ScopedEnv tmp("TMPDIR", root_.path().toStdString());
  uint16_t ok = 0;
  const std::string path = Create(&ok);
  ASSERT_NE(ok, 0);
  EXPECT_TRUE(path.starts_with(root_.path().toStdString() + "/klm")) << path;
  EXPECT_EQ(path.back(), '/');
  EXPECT_NE(path.substr(0, path.size() - 1).back(), '/');
  EXPECT_TRUE(fs::is_directory(path));
  EXPECT_TRUE(fs::is_empty(path));
  EXPECT_EQ(ModeOf(path), 0700u);
}

TEST_F(TempDir, EveryCallGivesAnotherDirectory) {
  const ScopedEnv tmp("TMPDIR", root_.path().toStdString());
  const std::string first = Create();
  const std::string second = Create();
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second);
  EXPECT_TRUE(fs::is_directory(first));
  EXPECT_TRUE(fs::is_directory(second));
}

TEST_F(TempDir, AMissingOrRelativeTmpdirFallsBackToSlashTmp) {
  for (const std::string& tmpdir : {root_.path().toStdString() + "/absent", std::string("relative")}) {
    const ScopedEnv tmp("TMPDIR", tmpdir);
    uint16_t ok = 0;
    const std::string path = Create(&ok);
    EXPECT_NE(ok, 0);
    EXPECT_TRUE(path.starts_with("/tmp/klm")) << path;
  }
}

TEST_F(TempDir, ATmpdirTooDeepForTheBufferIsLeftCleanAndSlashTmpUsed) {
  std::string deep = root_.path().toStdString();
  while (deep.size() < KLM_PATH_BUFFER_SIZE) deep += "/" + std::string(60, 'd');
  ASSERT_TRUE(fs::create_directories(deep));
  const ScopedEnv tmp("TMPDIR", deep);
  uint16_t ok = 0;
  const std::string path = Create(&ok);
  EXPECT_NE(ok, 0);
  EXPECT_TRUE(path.starts_with("/tmp/klm")) << path;
  EXPECT_TRUE(fs::is_empty(deep)) << "the directory that did not fit was not removed";
}

}  // namespace
