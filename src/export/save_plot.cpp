#include "export/save_plot.h"

#include <QApplication>
#include <QFileDialog>

#include "export/plot_picture.h"
#include "widgets/message_box.h"

namespace virn::exports {

namespace {

// The hourglass until released or destroyed, whichever comes first.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { Release(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  void Release() {
    if (!active_) return;
    active_ = false;
    QApplication::restoreOverrideCursor();
  }

 private:
  bool active_ = true;
};

}  // namespace

PlotSaveDialog::PlotSaveDialog(QWidget* owner) : dialog_(new QFileDialog(owner)) {
  dialog_->setObjectName(QStringLiteral("SaveDialog1"));
  // The same dialog on every desktop, and one that tests can drive.
  dialog_->setOption(QFileDialog::DontUseNativeDialog, true);
  dialog_->setAcceptMode(QFileDialog::AcceptSave);
  dialog_->setFileMode(QFileDialog::AnyFile);
  dialog_->setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog_->setOption(QFileDialog::ReadOnly, false);
  dialog_->setDefaultSuffix(QString());
  dialog_->setSizeGripEnabled(true);
  dialog_->setWindowModality(Qt::WindowModal);
}

PlotSaveDialog::~PlotSaveDialog() {
  // Owned by the owner widget when there is one.
  if (dialog_->parent() == nullptr) delete dialog_;
}

std::optional<SaveChoice> PlotSaveDialog::Ask() {
  // Set before every showing, as the filter text belongs to the program, not the dialog.
  const QString lastFilter = dialog_->selectedNameFilter();
  const QStringList filters = DialogNameFilters(kSaveFilter);
  dialog_->setNameFilters(filters);
  if (filters.contains(lastFilter)) dialog_->selectNameFilter(lastFilter);
  // After the filter: choosing a filter rewrites the extension of the name shown.
  if (!lastName_.isEmpty()) dialog_->selectFile(lastName_);
  if (dialog_->exec() != QDialog::Accepted || dialog_->selectedFiles().isEmpty()) return std::nullopt;
  const qsizetype index = filters.indexOf(dialog_->selectedNameFilter());
  SaveChoice choice;
  choice.fileName = dialog_->selectedFiles().constFirst();
  choice.format = index == 1 ? PictureFormat::Jpeg : PictureFormat::Bmp;
  lastName_ = choice.fileName;
  return choice;
}

void SavePlot(PlotSaveDialog& dialog, card::TQSLCard& card, const QImage& plot, PictureFiles& files) {
  const std::optional<SaveChoice> choice = dialog.Ask();
  if (!choice) return;
  const QString fileName = WithExtension(choice->fileName, choice->format);
  // The main window repaints where the dialog was before the hourglass comes.
  QApplication::processEvents();
  WaitCursor cursor;
  SavePlotPicture(card, plot, fileName, choice->format, files, [&](const std::string& /*reason*/) {
    cursor.Release();
    widgets::AppMessageBox(kSaveFailedText, QMessageBox::Critical);
  });
}

}  // namespace virn::exports
