#include "settings/tsrz_form.h"

namespace virn::settings {

namespace {
// Other windows of this family find windows built on this base class by this mark.
constexpr const char* kFormMark = "{C6CA4384-D3FB-4E41-BA2C-DFF64D0A0ED4}";
}  // namespace

TSrzForm::TSrzForm(QWidget* parent) : QWidget(parent) { setProperty(kFormMark, 1); }

}  // namespace virn::settings
