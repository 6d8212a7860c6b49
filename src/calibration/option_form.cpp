#include "calibration/option_form.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "calibration/options.h"
#include "widgets/digit_key_filter.h"
#include "widgets/message_box.h"

namespace virn::calibration {

namespace {
constexpr int kMargin = 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kFieldWidth = 41;
constexpr int kFieldHeight = 21;
}  // namespace

TOptionForm::TOptionForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint) {
  setObjectName(QStringLiteral("OptionForm"));
  // A dialog is a window of its own and does not inherit the main window's font.
  if (owner != nullptr) setFont(owner->font());
  setWindowTitle(QStringLiteral("Настройки"));
  setFixedSize(kClientWidth, kClientHeight);
  setWindowModality(Qt::WindowModal);

  Edit2 = new QLineEdit(QStringLiteral("43"), this);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Edit2->setGeometry(kClientWidth - kMargin - kFieldWidth, kMargin, kFieldWidth, kFieldHeight);
  Edit2->installEventFilter(new widgets::DigitKeyFilter(this));
  Label15 = new QLabel(QStringLiteral("Коэффициент DDS:"), this);
  Label15->setObjectName(QStringLiteral("Label15"));
  Label15->setGeometry(kMargin, kMargin, Edit2->x() - 2 * kMargin, kFieldHeight);
  Label15->setBuddy(Edit2);

  // A check box caption does not wrap; a label beside the box does, and a
  // click on it toggles the box as a click on the caption would.
  CheckBox1 = new QCheckBox(this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setGeometry(kMargin, 42, 18, 18);
  CheckBox1Caption = new QLabel(
      QStringLiteral("Для анализатора спектра требуется частота гетеродина в два раза ниже"), this);
  CheckBox1Caption->setObjectName(QStringLiteral("CheckBox1Caption"));
  CheckBox1Caption->setWordWrap(true);
  CheckBox1Caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  CheckBox1Caption->setGeometry(kMargin + 20, 43, kClientWidth - 2 * kMargin - 20, 56);
  CheckBox1Caption->installEventFilter(this);
  CheckBox1->setAccessibleName(CheckBox1Caption->text());

  auto* bevel = new QFrame(this);
  bevel->setObjectName(QStringLiteral("Bevel1"));
  bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  bevel->setGeometry(kMargin, kClientHeight - kMargin - kButtonHeight - 10, kClientWidth - 2 * kMargin, 2);

  const int buttonTop = kClientHeight - kMargin - kButtonHeight;
  KlButton2 = new QPushButton(QStringLiteral("Отм&ена"), this);
  KlButton2->setObjectName(QStringLiteral("KlButton2"));
  KlButton2->setGeometry(kClientWidth - kMargin - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
  KlButton1 = new QPushButton(QStringLiteral("&ОК"), this);
  KlButton1->setObjectName(QStringLiteral("KlButton1"));
  KlButton1->setGeometry(KlButton2->x() - 4 - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight);
  KlButton1->setDefault(true);
  KlButton2->setAutoDefault(false);
  // Esc rejects the dialog, as the cancel button does.
  connect(KlButton2, &QPushButton::clicked, this, &QDialog::reject);
  connect(KlButton1, &QPushButton::clicked, this, [this] { widgets::Guarded([this] { KlButton1Click(); }); });
  Edit2->setFocus();
}

void TOptionForm::KlButton1Click() {
  try {
    acceptedDds_ = calibration::AcceptedDds(Edit2->text());
  } catch (const EDdsMissing& missing) {
    widgets::AppMessageBox(QString::fromStdString(missing.what()), QMessageBox::Warning);
    Edit2->setFocus();
    return;
  }
  accept();
}

bool TOptionForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == CheckBox1Caption && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && CheckBox1->isEnabled()) {
    CheckBox1->toggle();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace virn::calibration
