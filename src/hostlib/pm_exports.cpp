// The exports of libklmpm3.so, the print manager. The program loads it for one
// print and unloads it afterwards; the first print pins it in memory, because
// Qt's print support, which it brings in, keeps its plugin and global state
// for the rest of the process. No exception crosses the C boundary.
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "hostlib/klm_exports.h"
#include "hostlib/pin_library.h"
#include "hostlib/pm_job.h"
#include "hostlib/pm_sheet.h"

namespace virn::hostlib {
namespace {

// Larger than any card layout file of pictures within the card's limits.
constexpr qint64 kMaxCardFileBytes = qint64{2} << 30;

class PrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

QString FromUtf8(const char* text) {
  return text != nullptr ? QString::fromUtf8(text) : QString();
}

void Pin() {
  PinLibraryContaining(reinterpret_cast<const void*>(&pmPrint));
}

// The whole file, read at once: the print is done with the file before any
// dialog opens.
card::CardLayout LoadCard(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    throw PrintError(QStringLiteral("Не удалось открыть файл карточки \"%1\". %2")
                         .arg(fileName, file.errorString())
                         .toStdString());
  }
  if (file.size() > kMaxCardFileBytes) {
    throw PrintError(QStringLiteral("Файл карточки \"%1\" слишком велик.").arg(fileName).toStdString());
  }
  const QByteArray bytes = file.readAll();
  try {
    return ReadCard(bytes);
  } catch (const card::ECardLayoutError& error) {
    throw PrintError(QStringLiteral("Файл карточки \"%1\" повреждён: %2")
                         .arg(fileName, QString::fromUtf8(error.what()))
                         .toStdString());
  }
}

void PrintToPdf(card::CardLayout& layout, const QString& pdfFile, const QString& note, const QString& title) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdfFile);
  printer.setDocName(title);
  printer.setCreator(title);
  if (!PaintSheets(printer, layout, CurrentJob(), note, title)) {
    throw PrintError(QStringLiteral("Не удалось записать файл \"%1\".").arg(pdfFile).toStdString());
  }
}

const QString kPreviewHelp = QStringLiteral(
    "Карточка печатается в натуральную величину, по центру листа.\n\n"
    "Кнопки панели меняют масштаб и ориентацию листа, «Параметры страницы» — размер бумаги и поля. "
    "Кнопка печати открывает выбор принтера; чтобы получить файл PDF, выберите в нём печать в файл.");

// The preview over the program's window; its print button opens the system's
// print dialog. True when the user printed.
bool PrintWithPreview(QWidget* parent, card::CardLayout& layout, const QString& note, const QString& title) {
  const PrintJob job = CurrentJob();
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(title.isEmpty() ? QStringLiteral("Карточка") : title);
  printer.setCreator(title);
  QPrintPreviewDialog preview(&printer, parent);
  preview.setWindowTitle(title.isEmpty() ? QStringLiteral("Печать") : QStringLiteral("Печать — ") + title);
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter* target) {
    if (!PaintSheets(*target, layout, job, note, title)) {
      QMessageBox::critical(&preview, preview.windowTitle(), QStringLiteral("Не удалось начать печать."));
    }
  });
  if (job.options.helpVisible) {
    if (auto* toolBar = preview.findChild<QToolBar*>()) {
      toolBar->addSeparator();
      QObject::connect(toolBar->addAction(QStringLiteral("Справка")), &QAction::triggered, &preview,
                       [&] { QMessageBox::information(&preview, preview.windowTitle(), kPreviewHelp); });
    }
  }
  return preview.exec() == QDialog::Accepted;
}

void CopyError(const char* message, char* error) {
  if (error == nullptr) return;
  std::strncpy(error, message, KLM_ERROR_BUFFER_SIZE - 1);
  error[KLM_ERROR_BUFFER_SIZE - 1] = '\0';
  // A cut must not leave half of a UTF-8 character at the end.
  std::size_t length = std::strlen(error);
  if (length == KLM_ERROR_BUFFER_SIZE - 1) {
    while (length > 0 && (static_cast<unsigned char>(error[length - 1]) & 0xC0) == 0x80) --length;
    if (length > 0 && (static_cast<unsigned char>(error[length - 1]) & 0x80) != 0) --length;
    error[length] = '\0';
  }
}

bool HaveGui() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

bool HaveWidgets() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace
}  // namespace virn::hostlib

using namespace virn::hostlib;

extern "C" void pmClearQSL(void) {
  try {
    ResetJob();
  } catch (...) {
  }
}

extern "C" void pmAddQSL(const TQSLDataPrint* data, int32_t /*reserved*/) {
  try {
    AddCard(CopyRecord(data));
  } catch (...) {
    // Out of memory: the card is not added.
  }
}

extern "C" void pmHelpVisibility(int32_t visible) {
  ChangeOptions([](PrintOptions& options, int value) { options.helpVisible = value != 0; }, visible);
}

extern "C" void pmQSOCountVisibility(int32_t visible) {
  ChangeOptions([](PrintOptions& options, int value) { options.countVisible = value != 0; }, visible);
}

extern "C" void pmSetQSLFields(int32_t count) {
  ChangeOptions([](PrintOptions& options, int value) { options.fields = value > 0 ? value : 0; }, count);
}

extern "C" void pmPublisherHide(void) {
  ChangeOptions([](PrintOptions& options, int) { options.publisherVisible = false; }, 0);
}

extern "C" uint16_t pmPrintToPdf(const char* cardFile, const char* pdfFile, const char* title, char* error) {
  CopyError("", error);
  try {
    if (!HaveGui()) throw PrintError("printing needs a running QGuiApplication");
    if (pdfFile == nullptr || *pdfFile == '\0') throw PrintError("no PDF file named");
    Pin();
    auto layout = LoadCard(FromUtf8(cardFile));
    PrintToPdf(layout, FromUtf8(pdfFile), QString(), FromUtf8(title));
    return 1;
  } catch (const std::exception& failure) {
    CopyError(failure.what(), error);
  } catch (...) {
    CopyError("unknown failure", error);
  }
  return 0;
}

extern "C" uint16_t pmPrint(void* appWindow, const char* note, const char* cardFile, const char* title,
                            int32_t /*reserved*/, int32_t /*r1*/, int32_t /*r2*/, int32_t /*r3*/,
                            int32_t /*r4*/) {
  const QString caption = FromUtf8(title);
  const char* pdfFile = std::getenv("KLM_PRINT_PDF");
  if (pdfFile != nullptr && *pdfFile != '\0') {
    try {
      if (!HaveGui()) return 0;
      Pin();
      auto layout = LoadCard(FromUtf8(cardFile));
      PrintToPdf(layout, FromUtf8(pdfFile), FromUtf8(note), caption);
      return 1;
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "klmpm3: %s\n", failure.what());
      return 0;
    } catch (...) {
      return 0;
    }
  }
  if (!HaveWidgets()) return 0;
  auto* parent = static_cast<QWidget*>(appWindow);
  try {
    Pin();
    auto layout = LoadCard(FromUtf8(cardFile));
    return PrintWithPreview(parent, layout, FromUtf8(note), caption) ? 1 : 0;
  } catch (const std::exception& failure) {
    try {
      QMessageBox::critical(parent, caption, QString::fromUtf8(failure.what()));
    } catch (...) {
    }
  } catch (...) {
  }
  return 0;
}
