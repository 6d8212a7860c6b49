#include "export/save_name.h"

namespace virn::exports {

QStringList DialogNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    const QString& pattern = parts[i + 1];
    const QString bracketed = QLatin1Char('(') + pattern + QLatin1Char(')');
    filters << (description.contains(bracketed) ? description : description + QLatin1Char(' ') + bracketed);
  }
  return filters;
}

QString WithExtension(const QString& name, PictureFormat format) {
  const QString extension = format == PictureFormat::Bmp ? QStringLiteral(".bmp") : QStringLiteral(".jpg");
  return name.endsWith(extension, Qt::CaseSensitive) ? name : name + extension;
}

}  // namespace virn::exports
