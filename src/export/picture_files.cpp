#include "export/picture_files.h"

#include "settings/klm_api.h"

namespace virn::exports {

std::string HostPictureFiles::CreateTempDir() {
  return settings::fsCreateTempDir();
}

bool HostPictureFiles::MoveFrom(const std::string& src, const std::string& dst, std::string& error) {
  return settings::fsMoveFrom(src, dst, &error);
}

void HostPictureFiles::ClearDir(const std::string& dir) {
  settings::fsClearDir(dir);
}

}  // namespace virn::exports
