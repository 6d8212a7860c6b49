#include "export/print_plot.h"

#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>

#include "export/plot_picture.h"
#include "hostlib/klm_exports.h"
#include "settings/klm_library.h"

namespace virn::exports {

namespace {

using ClearQslFn = void (*)();
using AddQslFn = void (*)(const TQSLDataPrint*, std::int32_t);
using TruthFn = void (*)(std::int32_t);
using FieldsFn = void (*)(std::int32_t);
using PublisherHideFn = void (*)();
using PrintFn = std::uint16_t (*)(void*, const char*, const char*, const char*, std::int32_t, std::int32_t,
                                  std::int32_t, std::int32_t, std::int32_t);

// Truth values across the library's interface: all bits set, or none.
constexpr std::int32_t kTrue = -1;
constexpr std::int32_t kFalse = 0;

// The program-wide handle of the print manager: set while a print runs,
// cleared with the unload. Only the GUI thread prints.
std::optional<settings::KlmLibrary>& PrintManager() {
  static std::optional<settings::KlmLibrary> library;
  return library;
}

void CallPrintManager(const TQSLDataPrint& record, const std::string& cardFile, QWidget* appWindow,
                      const QByteArray& title) {
  PrintManager().emplace(kPrintLibrary, kPrintLibraryName);
  const settings::KlmLibrary& library = *PrintManager();
  library.Require<ClearQslFn>("pmClearQSL")();
  library.Require<AddQslFn>("pmAddQSL")(&record, kFalse);
  if (auto helpVisibility = library.Find<TruthFn>("pmHelpVisibility")) helpVisibility(kTrue);
  if (auto countVisibility = library.Find<TruthFn>("pmQSOCountVisibility")) countVisibility(kFalse);
  if (auto setFields = library.Find<FieldsFn>("pmSetQSLFields")) setFields(0);
  if (auto publisherHide = library.Find<PublisherHideFn>("pmPublisherHide")) publisherHide();
  // What it returns tells nothing the user has not seen in its own dialogs.
  // The library takes the window as the QWidget* it is, whatever the window's class.
  (void)library.Require<PrintFn>("pmPrint")(static_cast<void*>(appWindow), "", cardFile.c_str(),
                                            title.constData(), kFalse, 0, 0, 0, 0);
}

void ShowNow(const std::exception_ptr& failure, const ErrorDisplay& show) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& error) {
    show(error);
  } catch (...) {
    // Nothing to show of it.
  }
}

}  // namespace

void PrintPlot(card::TQSLCard& card, const QImage& plot, PictureFiles& files, QWidget* appWindow,
               const QString& title, const ErrorDisplay& showFirst) {
  const std::string tempDir = files.CreateTempDir();
  if (tempDir.empty()) throw std::runtime_error(kFileErrorText);
  std::unique_ptr<TQSLDataPrint> record;
  std::exception_ptr failure;
  // The folder is removed also when the card file cannot be written, so that a
  // failed print leaves nothing behind.
  try {
    card.SetPicture(plot);
    const std::string cardFile = tempDir + kCardFileName;
    card.SaveToFile(QString::fromStdString(cardFile), card::ScreenPixelsPerInch());
    record = std::make_unique<TQSLDataPrint>();  // value-initialised: every slot null, an empty text
    CallPrintManager(*record, cardFile, appWindow, title.toUtf8());
  } catch (...) {
    failure = std::current_exception();
  }
  record.reset();
  PrintManager().reset();
  std::exception_ptr cleanUpFailure;
  try {
    files.ClearDir(tempDir);
  } catch (...) {
    cleanUpFailure = std::current_exception();
  }
  if (cleanUpFailure) {
    // The print's failure says what went wrong; the clean-up's follows it.
    if (failure) ShowNow(failure, showFirst);
    std::rethrow_exception(cleanUpFailure);
  }
  if (failure) std::rethrow_exception(failure);
}

bool PrintManagerLoaded() {
  return PrintManager().has_value();
}

}  // namespace virn::exports
