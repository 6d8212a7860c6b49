#include "app/program_name.h"

namespace virn::app {

namespace {
QString& StoredName() {
  static QString name;
  return name;
}
}  // namespace

QString ProgramName() {
  return StoredName();
}
void SetProgramName(const QString& name) {
  StoredName() = name;
}

}  // namespace virn::app
