// Reading a settings file: an ordinary one, and one nested far too deep, which
// is refused before a tree is built (built, it would take minutes).
#include <benchmark/benchmark.h>

#include <QString>

#include "settings/config_file.h"

namespace {

class IgnoringTarget : public virn::settings::ConfigTarget {
 public:
  void SetWindowState(int) override {}
  QSize ScreenSize() const override { return {1024, 768}; }
  void MoveWindow(int, int) override {}
  bool Resizable() const override { return false; }
  void ResizeWindow(int, int) override {}
  void SetTag(int) override {}
  bool HasProperty(const QString&) const override { return true; }
  void SetOrdinal(const QString&, qint32) override {}
  void SetFloat(const QString&, double) override {}
  void SetString(const QString&, const QString&) override {}
};

QByteArray Document(const QString& values) {
  return (QStringLiteral("<?xml version=\"1.0\" ?><Configuration><Left type=\"Integer\">10</Left>"
                         "<Top type=\"Integer\">10</Top><Width type=\"Integer\">640</Width>"
                         "<Height type=\"Integer\">350</Height><WindowState type=\"Integer\">0</WindowState>"
                         "<Tag type=\"Integer\">7</Tag>") +
          values + QStringLiteral("</Configuration>"))
      .toUtf8();
}

void BM_ApplySettings(benchmark::State& state) {
  QString values;
  for (int i = 0; i < 60; ++i) values += QStringLiteral("<_P%1 type=\"Integer\">%1</_P%1>").arg(i);
  const QByteArray document = Document(values);
  IgnoringTarget target;
  for (auto _ : state) virn::settings::ApplyConfig(document, target);
}
BENCHMARK(BM_ApplySettings);

void BM_RefuseDeepNesting(benchmark::State& state) {
  const QByteArray document =
      Document(QStringLiteral("<a>").repeated(100000) + QStringLiteral("</a>").repeated(100000));
  IgnoringTarget target;
  for (auto _ : state) {
    try {
      virn::settings::ApplyConfig(document, target);
    } catch (const virn::settings::EConfigError&) {
    }
  }
}
BENCHMARK(BM_RefuseDeepNesting)->Unit(benchmark::kMillisecond);

}  // namespace
