#include "calibration/wizard_form.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

#include "widgets/message_box.h"

namespace virn::calibration {

namespace {
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kMargin = 8;
constexpr int kButtonTop = WizardForm::kHeaderHeight + 11;
}  // namespace

WizardForm::WizardForm(QWidget* owner, const QString& caption, const QPixmap& picture,
                       const std::array<QString, kPageCount>& pageTexts)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint) {
  setWindowTitle(caption);
  // A dialog is a window of its own and does not inherit the main window's font.
  if (owner != nullptr) setFont(owner->font());
  setFixedSize(kClientWidth, kClientHeight);
  // Modal to the main window only, so that windows beside it (the demo's
  // bench, where the user connects the cable) stay usable.
  setWindowModality(Qt::WindowModal);

  auto* header = new QWidget(this);
  header->setObjectName(QStringLiteral("Header"));
  header->setGeometry(0, 0, kClientWidth, kHeaderHeight);
  header->setAutoFillBackground(true);
  QPalette white = header->palette();
  white.setColor(QPalette::Window, Qt::white);
  header->setPalette(white);

  Image1 = new QLabel(header);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(picture);
  const int inset = (kPictureStripWidth - picture.width()) / 2;
  Image1->setGeometry(inset, (kHeaderHeight - picture.height()) / 2, picture.width(), picture.height());

  pages_ = new QStackedWidget(header);
  pages_->setObjectName(QStringLiteral("PageControl1"));
  pages_->setGeometry(kPictureStripWidth, 0, kClientWidth - kPictureStripWidth, kHeaderHeight);
  for (int i = 0; i < kPageCount; ++i) {
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
    auto* text = new QLabel(pageTexts[static_cast<std::size_t>(i)], page);
    text->setObjectName(QStringLiteral("PageText%1").arg(i));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setGeometry(kMargin, kMargin, kClientWidth - kPictureStripWidth - 2 * kMargin, 44);
    pageTexts_[static_cast<std::size_t>(i)] = text;
    pages_->addWidget(page);
  }

  auto* line = new QFrame(this);
  line->setObjectName(QStringLiteral("Bevel1"));
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  line->setGeometry(0, kHeaderHeight, kClientWidth, 2);

  const auto addButton = [this](const char* name, const QString& text, int right) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(right - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight);
    return button;
  };
  KlButton3 = addButton("KlButton3", kCancelCaption, kClientWidth - kMargin);
  KlButton1 = addButton("KlButton1", kNextCaption, kClientWidth - kMargin - kButtonWidth - 4);
  KlButton2 = addButton("KlButton2", kBackCaption, kClientWidth - kMargin - 2 * kButtonWidth - 4);
  KlButton2->setEnabled(false);
  // Enter goes on to the next page.
  KlButton1->setDefault(true);
  // Tab order follows the buttons from left to right.
  setTabOrder(KlButton2, KlButton1);
  setTabOrder(KlButton1, KlButton3);

  connect(KlButton1, &QPushButton::clicked, this, [this] { widgets::Guarded([this] { KlButton1Click(); }); });
  connect(KlButton2, &QPushButton::clicked, this, [this] { widgets::Guarded([this] { KlButton2Click(); }); });
  connect(KlButton3, &QPushButton::clicked, this, [this] { KlButton3Click(); });
}

int WizardForm::PageShown() const {
  return pages_->currentIndex();
}

QWidget* WizardForm::Page(int page) const {
  return pages_->widget(page);
}

void WizardForm::KlButton1Click() {
  Move(+1);
}

void WizardForm::KlButton2Click() {
  Move(-1);
}

void WizardForm::KlButton3Click() {
  close();
}

void WizardForm::Move(int by) {
  step_ += by;
  UpdatePage();
}

void WizardForm::ShowView(const WizardView& view) {
  KlButton2->setVisible(view.navigationVisible);
  KlButton1->setVisible(view.navigationVisible);
  KlButton2->setEnabled(view.backEnabled);
  KlButton1->setEnabled(view.nextEnabled);
  KlButton3->setText(view.finishCaption ? kFinishCaption : kCancelCaption);
  // With "&Далее" gone, Enter closes the wizard.
  KlButton3->setDefault(!view.navigationVisible);
  KlButton1->setDefault(view.navigationVisible);
  pages_->setCurrentIndex(view.page);
}

}  // namespace virn::calibration
