// The plot printed through the print manager library (libklmpm3.so): the plot
// copied onto the card, the card layout file written into a private temporary
// folder, the library loaded for this one print and told what to print, then
// the record freed, the library unloaded and the folder removed, whatever
// happened. No widgets: the print manager shows its own.
#pragma once

#include <QImage>
#include <QString>
#include <exception>
#include <functional>

#include "card/qsl_card.h"
#include "export/picture_files.h"

class QWidget;

namespace virn::exports {

inline constexpr const char* kPrintLibrary = "libklmpm3.so";
// What messages call the print manager.
inline constexpr const char* kPrintLibraryName = "klmpm3.dll";
inline constexpr const char* kCardFileName = "_temp.001";

// Shows an error at once, as the application's default error display does.
using ErrorDisplay = std::function<void(const std::exception&)>;

// Prints `plot` on `card`. `appWindow` (the main window) and `title` (the
// application's) go to the print manager. Raises the failure for the caller's
// error display: "Файловая ошибка" without a temporary folder, ECardFileError
// when the card file cannot be written, EklmAPI when the print manager cannot
// be loaded or lacks a needed export; the clean-up has run by then. When the
// clean-up fails as well, the print's own failure goes to `showFirst` and the
// clean-up's error is raised after it. The card keeps the plot as its picture.
void PrintPlot(card::TQSLCard& card, const QImage& plot, PictureFiles& files, QWidget* appWindow,
               const QString& title, const ErrorDisplay& showFirst);

// Whether the print manager is loaded, which it is only while a print runs.
bool PrintManagerLoaded();

}  // namespace virn::exports
