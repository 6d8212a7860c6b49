// The temporary folder and the final move of a picture save, through the host
// support library: an interface, so a test can make any of the steps fail.
#pragma once

#include <string>

namespace virn::exports {

class PictureFiles {
 public:
  virtual ~PictureFiles() = default;
  // A new empty folder, path ending in "/"; empty when none could be made.
  // May throw when the library cannot be used.
  virtual std::string CreateTempDir() = 0;
  // False with the reason in `error` when the file could not be moved.
  virtual bool MoveFrom(const std::string& src, const std::string& dst, std::string& error) = 0;
  virtual void ClearDir(const std::string& dir) = 0;
};

// The host support library's calls (fsCreateTempDir, fsMoveFrom, fsClearDir).
class HostPictureFiles : public PictureFiles {
 public:
  std::string CreateTempDir() override;
  bool MoveFrom(const std::string& src, const std::string& dst, std::string& error) override;
  void ClearDir(const std::string& dir) override;
};

}  // namespace virn::exports
