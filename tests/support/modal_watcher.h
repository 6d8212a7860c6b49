// Captures and dismisses modal dialogs while a test drives code that opens them,
// so message boxes can be checked without a person pressing OK.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

namespace virn::test {

struct SeenDialog {
  QString className;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool stayOnTop = false;
};

class ModalWatcher : public QObject {
 public:
  ModalWatcher();
  const std::vector<SeenDialog>& seen() const { return seen_; }

 private:
  void poll();
  QTimer timer_;
  std::vector<SeenDialog> seen_;
};

}  // namespace virn::test
