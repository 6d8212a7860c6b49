// The save dialog's filter and the rule that gives the chosen name its
// extension: the format is the filter's, whatever the name says.
#pragma once

#include <QString>
#include <QStringList>

namespace virn::exports {

// Description and pattern pairs, "|" between all of them.
inline const QString kSaveFilter =
    QStringLiteral("Точечные рисунки (*.bmp)|*.bmp|Файлы в формате JPEG (*.jpg)|*.jpg");

enum class PictureFormat { Bmp = 1, Jpeg = 2 };

// The filter as the file dialog takes it: one entry a pair, each entry the
// description with its pattern in brackets (added when the description lacks it).
QStringList DialogNameFilters(const QString& filter);

// Filter 1 (BMP) appends ".bmp" unless the name ends in exactly ".bmp", filter 2
// (JPEG) likewise ".jpg"; the comparison is case-sensitive.
QString WithExtension(const QString& name, PictureFormat format);

}  // namespace virn::exports
