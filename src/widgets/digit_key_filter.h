// Passes every key typed into a digit-only field through the host library's
// key filter: what it maps to 0 is dropped, what it replaces is typed instead.
#pragma once

#include <QObject>

namespace virn::widgets {

class DigitKeyFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace virn::widgets
