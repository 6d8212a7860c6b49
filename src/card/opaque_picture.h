// The card's and the images' own copies of a picture.
#pragma once

#include <QImage>

namespace virn::card {

// A deep, opaque Format_RGB32 copy of `picture` at a device pixel ratio of 1:
// transparent parts come out in `background`, as when the picture is drawn
// onto a fresh bitmap of that colour. The card layout file carries no
// transparency, so keeping pictures this way makes a card read back from its
// file paint exactly as the card that wrote it. A null picture stays null.
QImage OpaquePicture(const QImage& picture, QRgb background);

}  // namespace virn::card
