// Fuzzes the card layout reader: any bytes must either read or fail with the
// reader's own error, never crash, hang or allocate without limit. A card
// that reads must write again into bytes that read back to the same card
// (the same bytes once more), and must paint.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "card/card_layout_file.h"

// fontconfig keeps its font set until exit, which LeakSanitizer counts as a leak.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static int argc = 1;
  static char name[] = "card_reader_fuzz";
  static char* argv[] = {name, nullptr};
  static const bool platform = setenv("QT_QPA_PLATFORM", "offscreen", 1) == 0;
  static QGuiApplication app(argc, argv);
  (void)platform;

  const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  std::optional<virn::card::CardLayout> layout;
  try {
    layout.emplace(virn::card::ReadCardLayout(bytes));
  } catch (const virn::card::ECardLayoutError&) {
    return 0;
  }
  // Errors from here on escape and are reported as crashes.
  const QByteArray written = virn::card::CardLayoutBytes(layout->card, layout->header.pixelsPerInch);
  const virn::card::CardLayout again = virn::card::ReadCardLayout(written);
  if (virn::card::CardLayoutBytes(again.card, again.header.pixelsPerInch) != written) __builtin_trap();
  if (again.card.ItemCount() != layout->card.ItemCount()) __builtin_trap();

  QImage canvas(64, 48, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  layout->card.PaintTo(painter, true);
  return 0;
}
