#include "export/save_data.h"

#include <QFileDialog>
#include <QFileInfo>

#include "widgets/message_box.h"

namespace virn::exports {

QString WithCsvExtension(const QString& fileName) {
  if (!QFileInfo(fileName).suffix().isEmpty()) return fileName;
  return fileName + QStringLiteral(".csv");
}

DataSaveDialog::DataSaveDialog(QWidget* owner) : dialog_(new QFileDialog(owner)) {
  dialog_->setObjectName(QStringLiteral("DataSaveDialog1"));
  // As the picture's dialog: the same on every desktop, and one tests can drive.
  dialog_->setOption(QFileDialog::DontUseNativeDialog, true);
  dialog_->setAcceptMode(QFileDialog::AcceptSave);
  dialog_->setFileMode(QFileDialog::AnyFile);
  dialog_->setNameFilters({kDataFilter});
  dialog_->setWindowTitle(QStringLiteral("Сохранить данные"));
  dialog_->setWindowModality(Qt::WindowModal);
}

DataSaveDialog::~DataSaveDialog() {
  if (dialog_->parent() == nullptr) delete dialog_;
}

std::optional<QString> DataSaveDialog::Ask() {
  if (!lastName_.isEmpty()) dialog_->selectFile(lastName_);
  if (dialog_->exec() != QDialog::Accepted || dialog_->selectedFiles().isEmpty()) return std::nullopt;
  lastName_ = WithCsvExtension(dialog_->selectedFiles().constFirst());
  return lastName_;
}

void SaveData(DataSaveDialog& dialog, const SweepTable& sweep, PictureFiles& files) {
  const std::optional<QString> fileName = dialog.Ask();
  if (!fileName) return;
  SaveSweepCsv(sweep, *fileName, files, [](const std::string& /*reason*/) {
    widgets::AppMessageBox(kDataSaveFailedText, QMessageBox::Critical);
  });
}

}  // namespace virn::exports
