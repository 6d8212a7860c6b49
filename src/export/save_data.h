// "Сохранить данные...": the latest sweep's numbers as a CSV file, through a
// save dialog of its own, with one message for any failure.
#pragma once

#include <QString>
#include <optional>

#include "export/picture_files.h"
#include "export/sweep_csv.h"

class QFileDialog;
class QWidget;

namespace virn::exports {

inline const QString kDataSaveFailedText = QStringLiteral("Не удалось сохранить данные.");
inline const QString kDataFilter = QStringLiteral("Данные CSV (*.csv)");

// A name without an extension gets ".csv"; any other extension is the user's choice.
QString WithCsvExtension(const QString& fileName);

// Kept for the window's life, so that it offers the last folder and name again.
class DataSaveDialog {
 public:
  explicit DataSaveDialog(QWidget* owner);
  ~DataSaveDialog();
  DataSaveDialog(const DataSaveDialog&) = delete;
  DataSaveDialog& operator=(const DataSaveDialog&) = delete;

  // Shows the dialog modally; the name with its extension, nothing when cancelled.
  std::optional<QString> Ask();
  QFileDialog& Dialog() { return *dialog_; }

 private:
  QFileDialog* dialog_;
  QString lastName_;
};

// The whole command: a cancelled dialog changes nothing; a failed save shows
// kDataSaveFailedText and leaves a file of that name as it was.
void SaveData(DataSaveDialog& dialog, const SweepTable& sweep, PictureFiles& files);

}  // namespace virn::exports
