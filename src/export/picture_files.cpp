#include "export/picture_files.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "settings/klm_api.h"

namespace virn::exports {

namespace {

class SaveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void WriteFile(const QString& name, const QByteArray& bytes) {
  QFile file(name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
      !file.flush()) {
    throw SaveError(("cannot write " + name + ": " + file.errorString()).toStdString());
  }
}

}  // namespace

std::string HostPictureFiles::CreateTempDir() {
  return settings::fsCreateTempDir();
}

bool HostPictureFiles::MoveFrom(const std::string& src, const std::string& dst, std::string& error) {
  return settings::fsMoveFrom(src, dst, &error);
}

void HostPictureFiles::ClearDir(const std::string& dir) {
  settings::fsClearDir(dir);
}

bool SaveThroughTempDir(const QString& fileName, PictureFiles& files,
                        const std::function<QByteArray()>& content, const FailureReport& reportFailure) {
  std::string tempDir;
  bool saved = false;
  try {
    tempDir = files.CreateTempDir();
    if (tempDir.empty()) throw SaveError(kFileErrorText);
    const std::string tempFile = tempDir + QFileInfo(fileName).fileName().toStdString();
    WriteFile(QString::fromStdString(tempFile), content());
    std::string moveError;
    if (!files.MoveFrom(tempFile, fileName.toStdString(), moveError)) throw SaveError(moveError);
    saved = true;
  } catch (const std::exception& error) {
    reportFailure(error.what());
  }
  if (!tempDir.empty()) files.ClearDir(tempDir);
  return saved;
}

}  // namespace virn::exports
