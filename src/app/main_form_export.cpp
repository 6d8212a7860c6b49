// Saving the plot as a picture from the main window.
#include "app/main_form.h"
#include "export/picture_files.h"
#include "export/save_plot.h"

namespace virn::app {

void TMainForm::mnuSaveClick() {
  exports::HostPictureFiles files;
  exports::SavePlot(*SaveDialog1, QSLCard1, plotBitmap(), files);
}

}  // namespace virn::app
