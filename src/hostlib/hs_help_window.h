// The help viewer window of libklmhelpsys.so: a browser over a folder of HTML
// pages with Back, Forward and Contents buttons.
#pragma once

#include <QString>
#include <QWidget>

class QTextBrowser;
class QToolButton;

namespace virn::hostlib {

class HelpWindow : public QWidget {
 public:
  // The property that tells help windows apart and finds them again.
  static constexpr const char* kHelpIdProperty = "klmHelpId";

  explicit HelpWindow(const QString& helpId);

  // The open help window of `helpId`, or null.
  static HelpWindow* Find(const QString& helpId);

  // Shows the page of `topic` from `helpDir` (its index page when the topic
  // has none) and brings the window to the front.
  void ShowTopic(const QString& helpDir, const QString& topic);

  // "Справка — <title>", or "Справка" alone for an empty title.
  void SetApplicationTitle(const QString& title);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void showHome();

  QTextBrowser* browser_;
  QToolButton* back_;
  QToolButton* forward_;
  QString helpDir_;
};

}  // namespace virn::hostlib
