// Texts of the card layout file: the program's 8-bit character set,
// Windows-1251.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace virn::card {

// At most `maxBytes` bytes of `text` in Windows-1251; a character the code page
// lacks becomes '?'.
QByteArray ToWindows1251(const QString& text, qsizetype maxBytes);
QString FromWindows1251(QByteArrayView bytes);

}  // namespace virn::card
