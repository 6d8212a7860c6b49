#include "calibration/ca_freq_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "calibration/header_picture.h"
#include "widgets/digit_key_filter.h"
#include "widgets/message_box.h"

namespace virn::calibration {

namespace {

const std::array<QString, kPageCount> kPageTexts = {
    QStringLiteral("Задайте максимально возможную частоту на выходе прибора с точностью до Герца. После чего "
                   "нажмите \"Далее\"."),
    QStringLiteral(
        "Измерьте частотомером частоту на выходе прибора и занесите её в поле \"Реальная частота\" с "
        "точностью до Герца. После чего нажмите \"Далее\"."),
    QStringLiteral("Калибровка завершена. Чтобы закрыть это окно нажмите \"Готово\".")};

constexpr int kFieldTop = 58;
constexpr int kFieldHeight = 21;
constexpr int kFieldWidth = 121;

QLineEdit* AddField(QWidget* page, const char* name, const QString& caption, const QString& text,
                    QObject* keyFilter) {
  auto* label = new QLabel(caption, page);
  label->move(8, kFieldTop + 3);
  label->adjustSize();
  auto* field = new QLineEdit(text, page);
  field->setObjectName(QString::fromLatin1(name));
  field->setGeometry(label->geometry().right() + 8, kFieldTop, kFieldWidth, kFieldHeight);
  field->installEventFilter(keyFilter);
  label->setBuddy(field);
  return field;
}

}  // namespace

TCaFreqForm::TCaFreqForm(QWidget* owner, FrequencyCalibrationHost& host)
    : WizardForm(owner, QStringLiteral("Калибровка частоты"), FrequencyCalibrationPicture(), kPageTexts),
      host_(host) {
  setObjectName(QStringLiteral("CaFreqForm"));
  auto* keyFilter = new widgets::DigitKeyFilter(this);
  Edit1 = AddField(Page(0), "Edit1", QStringLiteral("Частота:"), QStringLiteral("45000000"), keyFilter);
  Edit2 = AddField(Page(1), "Edit2", QStringLiteral("Реальная частота:"), QString(), keyFilter);
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
  connect(Edit2, &QLineEdit::textChanged, this, [this] { Edit2Change(); });
  TCaFreqForm::UpdatePage();
  Edit1->setFocus();
}

void TCaFreqForm::Edit1Change() {
  KlButton1->setEnabled(!Edit1->text().isEmpty());
}

void TCaFreqForm::Edit2Change() {
  KlButton1->setEnabled(!Edit2->text().isEmpty());
}

void TCaFreqForm::UpdatePage() {
  std::optional<FreqStepAction> action;
  try {
    action = FreqWizardStep(Step(), Edit1->text(), Edit2->text(), host_.corrFreq());
  } catch (const ERealFreqRefused& refused) {
    KeepShownStep();
    widgets::AppMessageBox(QString::fromStdString(refused.what()), QMessageBox::Warning);
    QLineEdit* field = PageShown() == 0 ? Edit1 : Edit2;
    field->setFocus();
    field->selectAll();
    return;
  } catch (...) {
    // The conversion error reaches the default error display; the user stays
    // on the page with the field to correct.
    KeepShownStep();
    throw;
  }
  if (!action) return;
  if (action->nominalWord) host_.SendGeneratorWord(*action->nominalWord);
  if (action->realFreq) {
    host_.setRealFreq(*action->realFreq);
    host_.SaveSettings();
  }
  ShowView(action->view);
  if (action->view.page == 0) Edit1->setFocus();
  if (action->view.page == 1) Edit2->setFocus();
}

}  // namespace virn::calibration
