#include "widgets/passing_notice.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

namespace virn::widgets {

namespace {

const QString kNoticeName = QStringLiteral("PassingNotice");
constexpr int kMargin = 4;

class PassingNotice : public QLabel {
 public:
  explicit PassingNotice(QWidget& host) : QLabel(&host) {
    setObjectName(kNoticeName);
    setFocusPolicy(Qt::NoFocus);
    setWordWrap(true);
    setFrameShape(QFrame::Box);
    setMargin(kMargin);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    timer_.setSingleShot(true);
    timer_.setInterval(kPassingNoticeMs);
    connect(&timer_, &QTimer::timeout, this, &QWidget::hide);
  }

  void Show(const QString& text) {
    setText(text);
    const int width = parentWidget()->width() - 2 * kMargin;
    setGeometry(kMargin, kMargin, width, heightForWidth(width));
    raise();
    show();
    timer_.start();
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    hide();
    event->accept();
  }

 private:
  QTimer timer_;
};

}  // namespace

void ShowPassingNotice(QWidget& host, const QString& text) {
  auto* notice =
      dynamic_cast<PassingNotice*>(host.findChild<QLabel*>(kNoticeName, Qt::FindDirectChildrenOnly));
  if (notice == nullptr) notice = new PassingNotice(host);
  notice->Show(text);
}

QString PassingNoticeText(const QWidget& host) {
  const auto* notice = host.findChild<QLabel*>(kNoticeName, Qt::FindDirectChildrenOnly);
  return notice != nullptr && notice->isVisible() ? notice->text() : QString();
}

}  // namespace virn::widgets
