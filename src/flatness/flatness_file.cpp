#include "flatness/flatness_file.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <cmath>

#include "settings/config_file.h"

namespace virn::flatness {

namespace {

constexpr qsizetype kMaxFileSize = 1 << 20;
const QByteArray kTitle = QByteArrayLiteral("# ВИРН: коррекция АЧХ, измерена через кабель");
const QByteArray kDetectorKey = QByteArrayLiteral("detector:");
const QByteArray kDateKey = QByteArrayLiteral("date:");

QByteArray DetectorName(bool linear) {
  return linear ? QByteArrayLiteral("lin") : QByteArrayLiteral("log");
}

double ReadNumber(const QByteArray& field) {
  bool ok = false;
  const double value = field.toDouble(&ok);
  if (!ok) throw EFlatnessFile("a value is not a number");
  return value;
}

}  // namespace

QByteArray FormatFlatness(const FlatnessTable& table) {
  QByteArray text = kTitle + '\n';
  text += "# " + kDetectorKey + ' ' + DetectorName(table.Linear()) + '\n';
  const QDateTime taken = table.Taken().toUTC();
  // Whole seconds as the calibration writes them; a hand-edited fraction kept.
  const Qt::DateFormat format = taken.time().msec() == 0 ? Qt::ISODate : Qt::ISODateWithMs;
  text += "# " + kDateKey + ' ' + taken.toString(format).toLatin1() + '\n';
  text += "# frequency_hz level\n";
  for (const TablePoint& p : table.Points()) {
    // Whole hertz as they are; anything finer in full, so that no two points merge.
    const bool whole = p.frequencyHz == std::round(p.frequencyHz) && std::abs(p.frequencyHz) < 1e15;
    text += QByteArray::number(p.frequencyHz, whole ? 'f' : 'g', whole ? 0 : 17) + ' ' +
            QByteArray::number(p.level, 'f', 3) + '\n';
  }
  return text;
}

FlatnessTable ParseFlatness(const QByteArray& text) {
  if (text.size() > kMaxFileSize) throw EFlatnessFile("larger than 1 MB");
  std::optional<bool> linear;
  QDateTime taken;
  std::vector<TablePoint> points;
  for (QByteArray line : text.split('\n')) {
    line = line.trimmed();
    if (line.isEmpty()) continue;
    if (line.startsWith('#')) {
      const QByteArray header = line.mid(1).trimmed();
      if (header.startsWith(kDetectorKey)) {
        const QByteArray name = header.mid(kDetectorKey.size()).trimmed();
        if (name != DetectorName(false) && name != DetectorName(true))
          throw EFlatnessFile("unknown detector");
        linear = name == DetectorName(true);
      } else if (header.startsWith(kDateKey)) {
        taken =
            QDateTime::fromString(QString::fromLatin1(header.mid(kDateKey.size()).trimmed()), Qt::ISODate);
        if (!taken.isValid()) throw EFlatnessFile("the date does not read");
      }
      continue;
    }
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() != 2) throw EFlatnessFile("a line is not a frequency and a level");
    points.push_back({ReadNumber(fields[0]), ReadNumber(fields[1])});
  }
  if (!linear) throw EFlatnessFile("no detector named");
  if (!taken.isValid()) throw EFlatnessFile("no date");
  try {
    return FlatnessTable(*linear, taken, std::move(points));
  } catch (const ETableRefused& e) {
    throw EFlatnessFile(e.what());
  }
}

QString FlatnessFile(const QString& configDir, const QString& executableFileName, bool linear) {
  return configDir + QLatin1Char('/') + executableFileName.toLower() + QStringLiteral(".flatness-") +
         QString::fromLatin1(DetectorName(linear)) + QStringLiteral(".txt");
}

LoadedTable LoadFlatness(const QString& fileName, bool linear) {
  QFile file(fileName);
  if (!file.exists()) return {};
  const char* reason = nullptr;
  if (!file.open(QIODevice::ReadOnly)) {
    reason = "it cannot be read";
  } else if (file.size() > kMaxFileSize) {
    reason = "larger than 1 MB";
  } else {
    try {
      FlatnessTable table = ParseFlatness(file.readAll());
      if (table.Linear() == linear) return {std::move(table), false};
      reason = "the table of the other detector";
    } catch (const EFlatnessFile& e) {
      file.close();
      settings::SetAside(fileName, e.what());
      return {std::nullopt, true};
    }
  }
  file.close();
  settings::SetAside(fileName, reason);
  return {std::nullopt, true};
}

bool StoreFlatness(const QString& fileName, const FlatnessTable& table) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray text = FormatFlatness(table);
  if (file.write(text) != text.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace virn::flatness
