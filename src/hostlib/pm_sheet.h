// The pages of a print: each card at its real size, centred on its page, with
// the lines the job asks for. Needs a QGuiApplication (fonts), no widgets.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "card/card_layout_file.h"
#include "hostlib/pm_job.h"

class QPrinter;

namespace virn::hostlib {

// Where a card goes on a page, in device units: `cardPixels` at
// `pixelsPerInch` gives its real size at `deviceDpi`; only a card larger than
// the printable area is scaled down, keeping its proportions. Centred on the
// paper, then moved inside the printable area where the margins are uneven.
QRectF CardPlacement(QSizeF cardPixels, int pixelsPerInch, const QRectF& paper, const QRectF& printable,
                     double deviceDpi);

// The card as it was laid out: an image of its size at the file's pixels per
// inch, data labels showing the card's texts (slot i for the i-th data field,
// slots from `fields` on empty when it is above 0).
QImage RenderCard(card::CardLayout& layout, const CardTexts& texts, int fields);

// Reads the card layout file's bytes; throws card::ECardLayoutError.
card::CardLayout ReadCard(const QByteArray& bytes);

// Paints every card of `job` (one when it has none), a page each, on
// `printer`, whose page and output are set up already; the painting is begun
// and ended here, over the whole paper. `note` is printed under each card when not empty, the card's
// number when the job shows counts, "Напечатано программой «title»" at the
// foot unless the publisher is hidden. False when the device cannot be painted on.
bool PaintSheets(QPrinter& printer, card::CardLayout& layout, const PrintJob& job, const QString& note,
                 const QString& title);

}  // namespace virn::hostlib
