#include "app/up_down.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

namespace virn::app {

UpDown::UpDown(QLineEdit* associate, int minimum, int maximum, QWidget* parent)
    : QWidget(parent),
      associate_(associate),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)),
      minimum_(minimum),
      maximum_(maximum),
      position_(minimum) {
  const QRect field = associate->geometry();
  setGeometry(field.right() + 1, field.top(), kWidth, field.height());
  const int half = field.height() / 2;
  up_->setGeometry(0, 0, kWidth, half);
  down_->setGeometry(0, half, kWidth, field.height() - half);
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* button : {up_, down_}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(5, 3));
  }
  connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
  connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
  associate->installEventFilter(this);
  bool ok = false;
  const int shown = associate->text().toInt(&ok);
  if (ok) position_ = std::clamp(shown, minimum_, maximum_);
}

int UpDown::position() const {
  bool ok = false;
  const int shown = associate_->text().toInt(&ok);
  return ok ? std::clamp(shown, minimum_, maximum_) : position_;
}

void UpDown::setPosition(int position) {
  position_ = std::clamp(position, minimum_, maximum_);
  associate_->setText(QString::number(position_));
}

void UpDown::stepBy(int steps) {
  if (!isEnabled()) return;
  setPosition(position() + steps);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
  if (watched == associate_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      stepBy(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void UpDown::changeEvent(QEvent* event) {
  // The arrows follow the control's enabled state.
  if (event->type() == QEvent::EnabledChange) {
    up_->setEnabled(isEnabled());
    down_->setEnabled(isEnabled());
  }
  QWidget::changeEvent(event);
}

}  // namespace virn::app
