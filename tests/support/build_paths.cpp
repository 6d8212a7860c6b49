#include "support/build_paths.h"

namespace virn::test {

namespace {

QString Below(const std::string& folder, const QString& relative) {
  return QString::fromStdString(folder) + QLatin1Char('/') + relative;
}

}  // namespace

std::string BuildLibDir() {
  return VIRN_TEST_BUILD_LIBDIR;
}

std::string BuildBinDir() {
  return VIRN_TEST_BUILD_BINDIR;
}

std::string SourceDir() {
  return VIRN_TEST_SOURCE_DIR;
}

std::string TestBinDir() {
  return VIRN_TEST_BIN_DIR;
}

QString InBuildBin(const QString& relative) {
  return Below(BuildBinDir(), relative);
}

QString InBuildLib(const QString& relative) {
  return Below(BuildLibDir(), relative);
}

QString InTestBin(const QString& relative) {
  return Below(TestBinDir(), relative);
}

QString InSource(const QString& relative) {
  return Below(SourceDir(), relative);
}

}  // namespace virn::test
