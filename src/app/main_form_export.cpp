// Saving the plot as a picture and printing it from the main window.
#include "app/main_form.h"
#include "export/picture_files.h"
#include "export/print_plot.h"
#include "export/save_plot.h"
#include "widgets/message_box.h"

namespace virn::app {

void TMainForm::mnuSaveClick() {
  exports::HostPictureFiles files;
  exports::SavePlot(*SaveDialog1, QSLCard1, plotBitmap(), files);
}

void TMainForm::mnuPrintClick() {
  exports::HostPictureFiles files;
  exports::PrintPlot(QSLCard1, plotBitmap(), files, this, widgets::kApplicationTitle, widgets::ShowException);
}

}  // namespace virn::app
