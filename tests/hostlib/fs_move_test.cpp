// fsMoveFrom and fsClearDir of libklmfsys.so, called directly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hostlib/klm_exports.h"

namespace {

namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

struct MoveResult {
  uint16_t ok;
  std::string error;
};

MoveResult Move(const std::string& src, const std::string& dst) {
  std::array<char, KLM_ERROR_BUFFER_SIZE> error;
  error.fill('#');  // must come back as a string in every case
  const uint16_t ok = fsMoveFrom(src.c_str(), dst.c_str(), error.data());
  EXPECT_NE(std::memchr(error.data(), '\0', error.size()), nullptr);
  return {ok, error.data()};
}

dev_t DeviceOf(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_dev : 0;
}

// Names in `dir` other than `keep`: the leftovers of a move.
std::vector<std::string> OtherEntries(const std::string& dir, const std::string& keep) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename() != keep) names.push_back(entry.path().filename().string());
  }
  return names;
}

class MoveFrom : public ::testing::Test {
 protected:
  QTemporaryDir dir_;
  std::string Path(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }
};

TEST_F(MoveFrom, MovesAFileAndReplacesTheDestination) {
  WriteFile(Path("_temp.bmp"), "new picture");
  WriteFile(Path("plot.bmp"), "old picture that is longer");
  const MoveResult result = Move(Path("_temp.bmp"), Path("plot.bmp"));
  EXPECT_NE(result.ok, 0);
  EXPECT_EQ(result.error, "");
  EXPECT_FALSE(fs::exists(Path("_temp.bmp")));
  EXPECT_EQ(ReadFile(Path("plot.bmp")), "new picture");
}

TEST_F(MoveFrom, AMissingSourceGivesTheSystemsReason) {
  const MoveResult result = Move(Path("absent.bmp"), Path("plot.bmp"));
  EXPECT_EQ(result.ok, 0);
  EXPECT_EQ(result.error, std::strerror(ENOENT));
  EXPECT_FALSE(fs::exists(Path("plot.bmp")));
}

TEST_F(MoveFrom, AMissingDestinationFolderKeepsTheSource) {
  WriteFile(Path("_temp.jpg"), "picture");
  const MoveResult result = Move(Path("_temp.jpg"), Path("no-such-folder/plot.jpg"));
  EXPECT_EQ(result.ok, 0);
  EXPECT_EQ(result.error, std::strerror(ENOENT));
  EXPECT_EQ(ReadFile(Path("_temp.jpg")), "picture");
}

TEST_F(MoveFrom, ADirectoryAsDestinationIsRefused) {
  WriteFile(Path("_temp.jpg"), "picture");
  fs::create_directory(Path("plot.jpg"));
  const MoveResult result = Move(Path("_temp.jpg"), Path("plot.jpg"));
  EXPECT_EQ(result.ok, 0);
  EXPECT_EQ(result.error, std::strerror(EISDIR));
  EXPECT_TRUE(fs::is_directory(Path("plot.jpg")));
  EXPECT_TRUE(fs::exists(Path("_temp.jpg")));
}

TEST_F(MoveFrom, ACyrillicDestinationNameIsUsedAsIs) {
  WriteFile(Path("_temp.bmp"), "picture");
  const std::string target = Path("График АЧХ.bmp");
  ASSERT_NE(Move(Path("_temp.bmp"), target).ok, 0);
  EXPECT_EQ(ReadFile(target), "picture");
}

// Between two file systems rename fails with EXDEV and the copy path runs.
class MoveAcrossFileSystems : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory("/dev/shm") || access("/dev/shm", W_OK) != 0)
      GTEST_SKIP() << "no writable /dev/shm";
    if (DeviceOf("/dev/shm") == DeviceOf(to_.path().toStdString())) {
      GTEST_SKIP() << "/dev/shm and the temporary folder are on the same file system";
    }
  }
  std::string From(const std::string& name) const { return from_.path().toStdString() + "/" + name; }
  std::string To(const std::string& name) const { return to_.path().toStdString() + "/" + name; }

  QTemporaryDir from_{QStringLiteral("/dev/shm/virn-move-XXXXXX")};
  QTemporaryDir to_;
};

TEST_F(MoveAcrossFileSystems, CopiesContentModeAndTimeThenRemovesTheSource) {
  // More than one copy buffer, with bytes of every value.
  std::string content;
  for (int i = 0; i < 200000; ++i) content.push_back(static_cast<char>(i * 7 % 256));
  WriteFile(From("_temp.bmp"), content);
  fs::permissions(From("_temp.bmp"), fs::perms(0640));
  const timespec times[2] = {{1000000000, 0}, {1200000000, 500}};
  ASSERT_EQ(utimensat(AT_FDCWD, From("_temp.bmp").c_str(), times, 0), 0);
  WriteFile(To("plot.bmp"), "old");

  const MoveResult result = Move(From("_temp.bmp"), To("plot.bmp"));
  ASSERT_NE(result.ok, 0) << result.error;
  EXPECT_EQ(result.error, "");
  EXPECT_FALSE(fs::exists(From("_temp.bmp")));
  EXPECT_EQ(ReadFile(To("plot.bmp")), content);
  EXPECT_EQ(fs::status(To("plot.bmp")).permissions(), fs::perms(0640));
  struct stat info {};
  ASSERT_EQ(stat(To("plot.bmp").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_sec, 1200000000);
  EXPECT_TRUE(OtherEntries(to_.path().toStdString(), "plot.bmp").empty()) << "temporary copy left behind";
}

TEST_F(MoveAcrossFileSystems, AFailedCopyLeavesDestinationAndSourceAsTheyWere) {
  WriteFile(From("_temp.bmp"), "picture");
  fs::create_directory(To("plot.bmp"));
  WriteFile(To("plot.bmp/inside"), "kept");
  const MoveResult result = Move(From("_temp.bmp"), To("plot.bmp"));
  EXPECT_EQ(result.ok, 0);
  EXPECT_EQ(result.error, std::strerror(EISDIR));
  EXPECT_EQ(ReadFile(From("_temp.bmp")), "picture");
  EXPECT_EQ(ReadFile(To("plot.bmp/inside")), "kept");
  EXPECT_TRUE(OtherEntries(to_.path().toStdString(), "plot.bmp").empty()) << "temporary copy left behind";
}

TEST_F(MoveAcrossFileSystems, AFolderCannotBeCopiedAcross) {
  fs::create_directory(From("folder"));
  const MoveResult result = Move(From("folder"), To("folder"));
  EXPECT_EQ(result.ok, 0);
  EXPECT_EQ(result.error, std::strerror(EXDEV));
  EXPECT_TRUE(fs::is_directory(From("folder")));
  EXPECT_FALSE(fs::exists(To("folder")));
}

class ClearDir : public ::testing::Test {
 protected:
  QTemporaryDir root_;
  std::string Path(const std::string& name) const { return root_.path().toStdString() + "/" + name; }
};

TEST_F(ClearDir, RemovesNestedContentAndTheFolder) {
  fs::create_directories(Path("tmp/a/b/c"));
  WriteFile(Path("tmp/_temp.001"), "card");
  WriteFile(Path("tmp/.hidden"), "x");
  WriteFile(Path("tmp/a/b/c/deep"), "x");
  WriteFile(Path("tmp/a/read-only"), "x");
  fs::permissions(Path("tmp/a/read-only"), fs::perms(0400));
  fs::create_directories(Path("tmp/empty"));
  // The temporary folder's path is handed over with its trailing slash.
  EXPECT_NE(fsClearDir((Path("tmp") + "/").c_str(), -1), 0);
  EXPECT_FALSE(fs::exists(Path("tmp")));
}

TEST_F(ClearDir, RemovesLinksButNeverWhatTheyPointTo) {
  fs::create_directories(Path("outside/sub"));
  WriteFile(Path("outside/precious"), "keep me");
  WriteFile(Path("outside/sub/also"), "keep me too");
  fs::create_directories(Path("tmp/nested"));
  fs::create_directory_symlink(Path("outside"), Path("tmp/dir-link"));
  fs::create_directory_symlink(Path("outside"), Path("tmp/nested/dir-link"));
  fs::create_symlink(Path("outside/precious"), Path("tmp/file-link"));
  fs::create_symlink(Path("nowhere"), Path("tmp/dangling"));

  EXPECT_NE(fsClearDir(Path("tmp").c_str(), -1), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Path("tmp"))));
  EXPECT_EQ(ReadFile(Path("outside/precious")), "keep me");
  EXPECT_EQ(ReadFile(Path("outside/sub/also")), "keep me too");
}

TEST_F(ClearDir, ALinkGivenAsTheFolderIsNotFollowed) {
  fs::create_directories(Path("real"));
  WriteFile(Path("real/file"), "keep me");
  fs::create_directory_symlink(Path("real"), Path("link"));
  EXPECT_EQ(fsClearDir(Path("link").c_str(), -1), 0);
  EXPECT_EQ(ReadFile(Path("real/file")), "keep me");
}

TEST_F(ClearDir, AZeroFlagEmptiesTheFolderButKeepsIt) {
  fs::create_directories(Path("tmp/sub"));
  WriteFile(Path("tmp/sub/file"), "x");
  EXPECT_NE(fsClearDir(Path("tmp").c_str(), 0), 0);
  EXPECT_TRUE(fs::is_directory(Path("tmp")));
  EXPECT_TRUE(fs::is_empty(Path("tmp")));
}

TEST_F(ClearDir, AFolderThatIsAlreadyGoneCountsAsRemoved) {
  EXPECT_NE(fsClearDir(Path("never-made").c_str(), -1), 0);
  EXPECT_EQ(fsClearDir(nullptr, -1), 0);
}

}  // namespace
