// "Сохранить график": the save dialog, then the plot saved as a picture under
// the name chosen, with the hourglass while it is written and one message for
// any failure.
#pragma once

#include <QString>
#include <optional>

#include "card/qsl_card.h"
#include "export/picture_files.h"
#include "export/save_name.h"

class QFileDialog;
class QImage;
class QWidget;

namespace virn::exports {

// The save dialog refuses a name in a folder that does not exist.
inline const QString kMissingFolderText = QStringLiteral("Папка \"%1\" не существует.");

struct SaveChoice {
  QString fileName;  // as chosen, before the extension rule
  PictureFormat format = PictureFormat::Bmp;
};

// The main window's save dialog, kept for the window's life: it offers the last
// name and filter again within a run.
class PlotSaveDialog {
 public:
  explicit PlotSaveDialog(QWidget* owner);
  ~PlotSaveDialog();
  PlotSaveDialog(const PlotSaveDialog&) = delete;
  PlotSaveDialog& operator=(const PlotSaveDialog&) = delete;

  // Shows the dialog modally; nothing when the user cancels.
  std::optional<SaveChoice> Ask();
  QFileDialog& Dialog() { return *dialog_; }

 private:
  QFileDialog* dialog_;
  QString lastName_;  // offered again at the next showing
};

// The whole operation. A cancelled dialog changes nothing. A failure of the
// save shows "Не удалось сохранить график." with the stop icon; a failure of
// the clean-up afterwards leaves as an exception.
void SavePlot(PlotSaveDialog& dialog, card::TQSLCard& card, const QImage& plot, PictureFiles& files);

}  // namespace virn::exports
