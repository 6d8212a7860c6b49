// Saving the plot as a picture and printing it from the main window.
#include "app/main_form.h"
#include "export/picture_files.h"
#include "export/print_plot.h"
#include "export/save_data.h"
#include "export/save_plot.h"
#include "widgets/message_box.h"

namespace virn::app {

exports::PlotSaveDialog& TMainForm::saveDialog() {
  if (!SaveDialog1) SaveDialog1 = std::make_unique<exports::PlotSaveDialog>(this);
  return *SaveDialog1;
}

exports::DataSaveDialog& TMainForm::dataSaveDialog() {
  if (!DataSaveDialog1) DataSaveDialog1 = std::make_unique<exports::DataSaveDialog>(this);
  return *DataSaveDialog1;
}

void TMainForm::mnuSaveClick() {
  exports::HostPictureFiles files;
  exports::SavePlot(saveDialog(), QSLCard1, plotBitmap(), files);
}

void TMainForm::mnuPrintClick() {
  exports::HostPictureFiles files;
  exports::PrintPlot(QSLCard1, plotBitmap(), files, this, widgets::kApplicationTitle, widgets::ShowException);
}

}  // namespace virn::app
