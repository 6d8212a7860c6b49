// The host library's temporary folder and move, with any step made to fail:
// what the save tests of pictures and tables use to see what a failure leaves.
#pragma once

#include <string>
#include <vector>

#include "export/picture_files.h"

namespace virn::test {

struct ScriptedFiles : exports::HostPictureFiles {
  bool noTempDir = false;
  // A folder that does not exist, so writing the file into it fails.
  bool unwritableTempDir = false;
  bool failMove = false;
  std::vector<std::string> cleared;
  std::string CreateTempDir() override {
    if (noTempDir) return {};
    if (unwritableTempDir) return "/nonexistent-virn-test-folder/";
    return HostPictureFiles::CreateTempDir();
  }
  bool MoveFrom(const std::string& src, const std::string& dst, std::string& error) override {
    if (!failMove) return HostPictureFiles::MoveFrom(src, dst, error);
    error = "Отказано в доступе";
    return false;
  }
  void ClearDir(const std::string& dir) override {
    cleared.push_back(dir);
    HostPictureFiles::ClearDir(dir);
  }
};

}  // namespace virn::test
