// The temporary folder and the final move of a save (a picture, a CSV table),
// through the host support library: an interface, so a test can make any of the
// steps fail, and the save itself on top of it.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <string>

namespace virn::exports {

inline const std::string kFileErrorText = "Файловая ошибка";

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

using FailureReport = std::function<void(const std::string& reason)>;

// Saves a file so that `fileName` holds either its old contents or the whole
// new file: a new private temporary folder, the bytes `content` gives written
// there under fileName's last part, that file moved over fileName, the folder
// removed whatever happened. `content` is called once the folder exists, and
// what it throws counts as a failure like any other. Any failure up to and
// including the move calls `reportFailure` with its own text and gives false.
// A failure of the clean-up itself leaves as an exception.
bool SaveThroughTempDir(const QString& fileName, PictureFiles& files,
                        const std::function<QByteArray()>& content, const FailureReport& reportFailure);

}  // namespace virn::exports
