#include "hostlib/hs_help_window.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace virn::hostlib {

namespace {

QString HelpCaption() {
  return QStringLiteral("Справка");
}
QString IndexPage() {
  return QStringLiteral("index.html");
}

QString PageOf(const QString& helpDir, const QString& topic) {
  // A topic names a page of the folder; a path would reach outside it.
  if (!topic.isEmpty() && !topic.contains(QLatin1Char('/'))) {
    QString page = helpDir + QLatin1Char('/') + topic + QStringLiteral(".html");
    if (QFileInfo(page).isFile()) return page;
  }
  return helpDir + QLatin1Char('/') + IndexPage();
}

QToolButton* MakeButton(QWidget* parent, const QString& text, const QString& hint) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(hint);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

HelpWindow::HelpWindow(const QString& helpId) : QWidget(nullptr, Qt::Window) {
  setProperty(kHelpIdProperty, helpId);
  setObjectName(QStringLiteral("klmHelpWindow"));
  setWindowTitle(HelpCaption());
  // Closing frees the window; the next call builds a new one.
  setAttribute(Qt::WA_DeleteOnClose);
  resize(760, 560);

  back_ = MakeButton(this, QStringLiteral("Назад"), QStringLiteral("Предыдущая страница"));
  forward_ = MakeButton(this, QStringLiteral("Вперёд"), QStringLiteral("Следующая страница"));
  auto* home = MakeButton(this, QStringLiteral("Содержание"), QStringLiteral("Начальная страница справки"));
  home->setObjectName(QStringLiteral("klmHelpHome"));
  back_->setEnabled(false);
  forward_->setEnabled(false);

  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(back_);
  buttons->addWidget(forward_);
  buttons->addWidget(home);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(buttons);
  layout->addWidget(browser_);

  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(home, &QToolButton::clicked, this, [this] { showHome(); });
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
}

HelpWindow* HelpWindow::Find(const QString& helpId) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* window = dynamic_cast<HelpWindow*>(widget);
    if (window != nullptr && window->property(kHelpIdProperty).toString() == helpId) return window;
  }
  return nullptr;
}

void HelpWindow::ShowTopic(const QString& helpDir, const QString& topic) {
  helpDir_ = helpDir;
  browser_->setSearchPaths({helpDir});
  const QString page = PageOf(helpDir, topic);
  if (QFileInfo(page).isFile()) {
    browser_->setSource(QUrl::fromLocalFile(page));
  } else {
    browser_->setHtml(QStringLiteral("<p>Раздел справки не найден.</p>"));
  }
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void HelpWindow::SetApplicationTitle(const QString& title) {
  // The application's name last: Qt adds it to a window's title on X11 unless
  // the title already ends with it, so it shows once.
  setWindowTitle(title.isEmpty() ? HelpCaption() : HelpCaption() + QStringLiteral(" — ") + title);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void HelpWindow::showHome() {
  const QString index = helpDir_ + QLatin1Char('/') + IndexPage();
  if (QFileInfo(index).isFile()) browser_->setSource(QUrl::fromLocalFile(index));
}

}  // namespace virn::hostlib
