// The frame both calibration wizards share: a header band with the picture
// strip and three pages, a line, and the buttons "&Назад", "&Далее" and
// "Отм&ена" / "&Готово" that walk a step number from 0.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <array>

#include "calibration/wizard_steps.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace virn::calibration {

class WizardForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kClientWidth = 391;
  static constexpr int kClientHeight = 136;
  static constexpr int kHeaderHeight = 89;
  static constexpr int kPictureStripWidth = 65;

  int Step() const { return step_; }
  int PageShown() const;
  QLabel* PageText(int page) const { return pageTexts_.at(static_cast<std::size_t>(page)); }

  void KlButton1Click();  // "&Далее"
  void KlButton2Click();  // "&Назад"
  void KlButton3Click();  // "Отм&ена" / "&Готово": closes the wizard

 protected:
  WizardForm(QWidget* owner, const QString& caption, const QPixmap& picture,
             const std::array<QString, kPageCount>& pageTexts);

  // Shows the page of the current step and performs its action. When the
  // action fails, the step goes back to the page still on screen and the
  // failure propagates: the wizard stays where the user can correct it.
  virtual void UpdatePage() = 0;
  void ShowView(const WizardView& view);
  // The page area below a page's text, for the page's own fields.
  QWidget* Page(int page) const;
  // Puts the step back to the page on screen, after a failed action.
  void KeepShownStep() { step_ = PageShown(); }

  QPushButton* KlButton1 = nullptr;
  QPushButton* KlButton2 = nullptr;
  QPushButton* KlButton3 = nullptr;

 private:
  void Move(int by);

  int step_ = 0;
  QLabel* Image1 = nullptr;
  QStackedWidget* pages_ = nullptr;
  std::array<QLabel*, kPageCount> pageTexts_{};
};

}  // namespace virn::calibration
