#include "export/save_plot.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

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

// Qt's own save dialog with two rules it does not keep by itself: the folder
// of the chosen name must exist, and a name comes back as the user typed it,
// whereas Qt's dialog gives its extension the filter's whenever a filter is
// chosen after it (the format is the filter's anyway, and ".bmp" or ".jpg" is
// added to the name as typed).
class SaveFileDialog : public QFileDialog {
 public:
  explicit SaveFileDialog(QWidget* owner) : QFileDialog(owner) {
    // The same dialog on every desktop, and one that tests can drive.
    setOption(QFileDialog::DontUseNativeDialog, true);
    name_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* filters = findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (name_ == nullptr || filters == nullptr) return;
    // A choice of filter begins with a change of the current one or with the
    // list opening, and ends with `activated`, after the dialog has rewritten
    // the name (its handler was connected first).
    connect(filters, &QComboBox::currentIndexChanged, this, [this] { nameBeforeFilter_ = name_->text(); });
    list_ = filters->view();
    list_->installEventFilter(this);
    connect(filters, &QComboBox::activated, this, [this] {
      if (name_->text() != nameBeforeFilter_) name_->setText(nameBeforeFilter_);
    });
  }

  void accept() override {
    const QStringList chosen = selectedFiles();
    if (!chosen.isEmpty()) {
      const QFileInfo file(chosen.constFirst());
      if (!file.isDir() && !file.absoluteDir().exists()) {
        widgets::AppMessageBox(kMissingFolderText.arg(QDir::toNativeSeparators(file.absolutePath())),
                               QMessageBox::Warning);
        return;
      }
    }
    QFileDialog::accept();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == list_ && event->type() == QEvent::Show) nameBeforeFilter_ = name_->text();
    return QFileDialog::eventFilter(watched, event);
  }

 private:
  QLineEdit* name_ = nullptr;
  QObject* list_ = nullptr;
  QString nameBeforeFilter_;
};

}  // namespace

PlotSaveDialog::PlotSaveDialog(QWidget* owner) : dialog_(new SaveFileDialog(owner)) {
  dialog_->setObjectName(QStringLiteral("SaveDialog1"));
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
