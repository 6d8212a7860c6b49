// News the user must not have to stop for: a framed line across the top of a
// window's area that takes no keyboard focus and wants no answer, so that
// typing goes on into the field being edited. It goes by itself after a while,
// or at a click.
#pragma once

#include <QString>

class QWidget;

namespace virn::widgets {

inline constexpr int kPassingNoticeMs = 10000;

// Shows `text` over the top of `host` (the one notice of that widget, shown
// again with the new text and its time started over).
void ShowPassingNotice(QWidget& host, const QString& text);

// The notice shown over `host` now, or an empty text.
QString PassingNoticeText(const QWidget& host);

}  // namespace virn::widgets
