// The frequency triples' fields as the controller takes them, and the mode
// buttons as the controller's selected mode.
#include <QLineEdit>
#include <QToolButton>

#include "app/main_form.h"
#include "app/up_down.h"

namespace virn::app {

namespace {
bool ValidPlace(int place) {
  return place >= 0 && place <= 2;
}
}  // namespace

QLineEdit* TMainForm::tripleField(Triple triple, int place) const {
  return tripleFields_.at(static_cast<std::size_t>(triple)).at(static_cast<std::size_t>(place));
}

UpDown* TMainForm::tripleUpDown(Triple triple, int place) const {
  return tripleUpDowns_.at(static_cast<std::size_t>(triple)).at(static_cast<std::size_t>(place));
}

control::TripleEntry TMainForm::Entry(Triple triple) const {
  // The texts as typed (read when the frequency is needed) and the places the
  // arrows hold (what the settings keep).
  control::TripleEntry entry;
  for (int place = 0; place < 3; ++place) {
    const auto i = static_cast<std::size_t>(place);
    entry.texts[i] = tripleField(triple, place)->text();
    entry.places[i] = static_cast<std::int16_t>(tripleUpDown(triple, place)->position());
  }
  return entry;
}

const measure::TriplePlaces& TMainForm::Places(Triple triple) const {
  const measure::Settings& s = controller_->Settings();
  switch (triple) {
    case Triple::Start:
      return s.startFreq;
    case Triple::End:
      return s.endFreq;
    case Triple::Generator:
      break;
  }
  return s.genFreq;
}

qint16 TMainForm::TriplePart(Triple triple, int place) const {
  return ValidPlace(place) ? Places(triple).at(static_cast<std::size_t>(place)) : qint16{0};
}

void TMainForm::SetTriplePart(Triple triple, int place, qint16 value) {
  // The field's new text reaches the controller through its change handler.
  if (ValidPlace(place)) tripleUpDown(triple, place)->setPosition(value);
}

void TMainForm::Edit4Change() {
  controller_->EditRange(Entry(Triple::Start), Entry(Triple::End));
}

void TMainForm::Edit2Change() {
  controller_->EditGenerator(Entry(Triple::Generator));
}

void TMainForm::Edit15Change() {
  controller_->SetZeroDbAnaliser(UpDown14->position());
}

measure::Mode TMainForm::ModeOfButtons() const {
  if (mnuGenMode->isChecked()) return measure::Mode::Generator;
  if (mnuAnaliserMode->isChecked()) return measure::Mode::Analyser;
  return measure::Mode::Sweep;
}

void TMainForm::ShowModeButtons() {
  // One group: pressing one releases the others.
  switch (controller_->Mode()) {
    case measure::Mode::Sweep:
      mnuSwipMode->setChecked(true);
      break;
    case measure::Mode::Generator:
      mnuGenMode->setChecked(true);
      break;
    case measure::Mode::Analyser:
      mnuAnaliserMode->setChecked(true);
      break;
  }
}

}  // namespace virn::app
