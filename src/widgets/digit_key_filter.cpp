#include "widgets/digit_key_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "settings/klm_api.h"

namespace virn::widgets {

bool DigitKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  // Editing and navigation keys carry no character; only typed characters are
  // filtered. Shortcuts (copy, paste, ...) go through as well.
  if (key->text().isEmpty() || (key->modifiers() & Qt::ControlModifier) != 0) return false;
  // Focus moves and dialog keys are not typing.
  switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      return false;
    default:
      break;
  }
  const QList<uint> typed = key->text().toUcs4();
  if (typed.size() != 1) return true;
  const char32_t replaced = settings::ReplaceIntegerChar(typed.front());
  if (replaced == 0) return true;
  if (replaced == typed.front()) return false;
  // Backspace comes through as its control character; anything else replaced
  // is typed as the replacement.
  if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
    if (replaced == U'\b') {
      edit->backspace();
    } else {
      edit->insert(QString::fromUcs4(&replaced, 1));
    }
    return true;
  }
  return false;
}

}  // namespace virn::widgets
