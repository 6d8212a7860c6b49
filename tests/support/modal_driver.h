// Drives modal dialogs that code under test opens and waits in: each step is
// run on the next modal window that appears, in order, so a test can click
// through a wizard that runs in its own exec() loop.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

namespace virn::test {

class ModalDriver : public QObject {
 public:
  using Step = std::function<void(QWidget& modal)>;

  ModalDriver();
  // Runs `step` on the next modal window that no earlier step ran on while it
  // has been showing (a message box over a wizard counts as a new one, and so
  // does a dialog shown again). A step may block inside its window,
  // in a click that opens another: the next step then runs on that one.
  ModalDriver& Then(Step step);
  // Texts of the message boxes the steps saw, in order.
  const std::vector<QString>& Messages() const { return messages_; }
  const std::vector<QMessageBox::Icon>& Icons() const { return icons_; }
  bool Done() const { return steps_.empty(); }

  // A step that presses OK on a message box and records its text.
  static Step AcknowledgeMessage();

 private:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void poll();

  QTimer timer_;
  std::deque<Step> steps_;
  std::vector<QPointer<QWidget>> handled_;
  std::vector<QString> messages_;
  std::vector<QMessageBox::Icon> icons_;
};

}  // namespace virn::test
