// Composition of the main window: which controls exist, where they sit, their
// captions, hints and initial states. Behaviour lives in the handlers.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "app/main_form.h"
#include "app/status_bar.h"
#include "app/tool_glyphs.h"
#include "app/up_down.h"
#include "measure/frequency.h"
#include "widgets/digit_key_filter.h"
#include "widgets/message_box.h"

namespace virn::app {

namespace {
constexpr int kToolButtonWidth = 25;
constexpr int kToolButtonHeight = 22;
constexpr int kToolBarHeight = 23;
constexpr int kFieldWidth = 33;
constexpr int kFieldHeight = 21;
// One triple row: field, up-down, gap, three times.
constexpr int kTriplePitch = kFieldWidth + UpDown::kWidth + 6;
constexpr int kPageMargin = 6;

// A frequency field's hint names what it holds and its unit: the three fields
// of a triple look alike.
QString FrequencyFieldHint(const QString& what, int place) {
  static const std::array<QString, 3> units = {QStringLiteral("МГц"), QStringLiteral("кГц"),
                                               QStringLiteral("Гц")};
  return what + QStringLiteral(", ") + units.at(static_cast<std::size_t>(place));
}

QLabel* AddLabel(QWidget* page, const QString& text, int x, int y) {
  auto* label = new QLabel(text, page);
  label->move(x, y);
  label->adjustSize();
  return label;
}
}  // namespace

QLineEdit* TMainForm::addTripleField(QWidget* page, const QString& name, const QString& text, int x, int y) {
  auto* field = new QLineEdit(text, page);
  field->setObjectName(name);
  field->setGeometry(x, y, kFieldWidth, kFieldHeight);
  // Three digits per field, so the joined number always means what the fields show.
  field->setMaxLength(measure::kTripleFieldDigits);
  field->installEventFilter(digitFilter_);
  return field;
}

UpDown* TMainForm::addUpDown(QLineEdit* field, const QString& name, int minimum, int maximum) {
  auto* upDown = new UpDown(field, minimum, maximum, field->parentWidget());
  upDown->setObjectName(name);
  return upDown;
}

void TMainForm::buildSweepPage(QWidget* page) {
  const measure::Settings& settings = controller_->Settings();
  AddLabel(page, QStringLiteral("Начальная частота:"), kPageMargin, 6);
  addTriple(page, Triple::Start, QStringLiteral("Начальная частота"),
            {{{"Edit4", "UpDown5"}, {"Edit8", "UpDown6"}, {"Edit9", "UpDown7"}}}, 22);
  AddLabel(page, QStringLiteral("Конечная частота:"), kPageMargin, 50);
  addTriple(page, Triple::End, QStringLiteral("Конечная частота"),
            {{{"Edit5", "UpDown8"}, {"Edit11", "UpDown9"}, {"Edit12", "UpDown10"}}}, 66);

  const auto addRunButton = [&](const QString& name, const QString& hint, int x) {
    auto* button = new QToolButton(page);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(ToolGlyph(name));
    button->setGeometry(x, 96, kToolButtonWidth + 8, kToolButtonHeight + 2);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
  };
  KlSpeedButton1 = addRunButton(QStringLiteral("KlSpeedButton1"), QStringLiteral("Старт"), kPageMargin);
  KlSpeedButton2 = addRunButton(QStringLiteral("KlSpeedButton2"), QStringLiteral("Стоп"), kPageMargin + 38);
  KlSpeedButton2->setEnabled(false);
  KlSpeedButton3 = addRunButton(QStringLiteral("KlSpeedButton3"), QStringLiteral("Пауза"), kPageMargin + 76);
  KlSpeedButton3->setCheckable(true);
  KlSpeedButton3->setEnabled(false);

  CheckBox1 = new QCheckBox(QStringLiteral("Задержка"), page);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setGeometry(kPageMargin, 128, 150, 18);
  CheckBox1->setChecked(settings.delay);
  AddLabel(page, QStringLiteral("Период:"), kPageMargin + 16, 151);
  ComboBox1 = new QComboBox(page);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->addItems(
      {QStringLiteral("400 мс"), QStringLiteral("800 мс"), QStringLiteral("1.6 с"), QStringLiteral("3,2 с")});
  ComboBox1->setEditable(false);
  ComboBox1->setGeometry(kPageMargin + 70, 148, 84, kFieldHeight);
  ComboBox1->setCurrentIndex(settings.delayIndex);
  CheckBox2 = new QCheckBox(QStringLiteral("Усреднение"), page);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  CheckBox2->setGeometry(kPageMargin, 176, 150, 18);
  CheckBox2->setChecked(settings.averaging);

  AddLabel(page, QStringLiteral("Анализатор"), kPageMargin, 204);
  AddLabel(page, QStringLiteral("0 dB:"), kPageMargin + 16, 226);
  Edit15 = new QLineEdit(QString::number(settings.zeroDbAnaliser), page);
  Edit15->setObjectName(QStringLiteral("Edit15"));
  Edit15->setReadOnly(true);
  Edit15->setGeometry(kPageMargin + 70, 222, kFieldWidth + 8, kFieldHeight);
  UpDown14 = addUpDown(Edit15, QStringLiteral("UpDown14"), -measure::kZeroDbAnaliserLimit,
                       measure::kZeroDbAnaliserLimit);
  Edit15->setEnabled(false);
  UpDown14->setEnabled(false);
}

void TMainForm::buildGeneratorPage(QWidget* page) {
  AddLabel(page, QStringLiteral("Частота (МГц, кГц, Гц):"), kPageMargin, 6);
  addTriple(page, Triple::Generator, QStringLiteral("Частота генератора"),
            {{{"Edit2", "UpDown11"}, {"Edit13", "UpDown12"}, {"Edit14", "UpDown13"}}}, 22);
  for (int place = 0; place < 3; ++place) {
    tripleField(Triple::Generator, place)->setEnabled(false);
    tripleUpDown(Triple::Generator, place)->setEnabled(false);
  }
}

void TMainForm::addTriple(QWidget* page, Triple triple, const QString& what,
                          const std::array<std::array<const char*, 2>, 3>& names, int y) {
  const measure::TriplePlaces& places = Places(triple);
  for (std::size_t place = 0; place < 3; ++place) {
    auto* field = addTripleField(page, QString::fromLatin1(names[place][0]), QString::number(places[place]),
                                 kPageMargin + static_cast<int>(place) * kTriplePitch, y);
    field->setToolTip(FrequencyFieldHint(what, static_cast<int>(place)));
    tripleFields_[static_cast<std::size_t>(triple)][place] = field;
    tripleUpDowns_[static_cast<std::size_t>(triple)][place] =
        addUpDown(field, QString::fromLatin1(names[place][1]), 0, measure::kTriplePlaceMax);
  }
}

QToolButton* TMainForm::addToolButton(const QString& name, const QString& hint, bool checkable) {
  auto* button = new QToolButton(ToolBar1);
  button->setObjectName(name);
  button->setToolTip(hint);
  button->setText(hint);
  button->setIcon(ToolGlyph(name));
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setAutoRaise(true);
  button->setCheckable(checkable);
  button->setFixedSize(kToolButtonWidth, kToolButtonHeight);
  button->setFocusPolicy(Qt::NoFocus);
  ToolBar1->addWidget(button);
  return button;
}

void TMainForm::buildWindow() {
  setWindowTitle(widgets::kApplicationTitle);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  QFont windowFont;
  windowFont.setFamilies(
      {QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
  windowFont.setPixelSize(11);
  setFont(windowFont);

  const int leftWidth = kClientWidth - kPageControlWidth;
  const int bodyHeight = kClientHeight - StatusBar::kHeight;

  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setGeometry(0, 0, leftWidth, kToolBarHeight);
  ToolBar1->setIconSize(QSize(16, 16));
  ToolBar1->setContentsMargins(0, 0, 0, 0);

  mnuPrint = addToolButton(QStringLiteral("mnuPrint"), QStringLiteral("Печать"), false);
  mnuSave = addToolButton(QStringLiteral("mnuSave"), QStringLiteral("Сохранить график"), false);
  ToolBar1->addSeparator();
  mnuLinear = addToolButton(QStringLiteral("mnuLinear"), QStringLiteral("Линейный детектор"), true);
  mnuVisir = addToolButton(QStringLiteral("mnuVisir"), QStringLiteral("Визир"), true);
  mnuOption = addToolButton(QStringLiteral("mnuOption"), QStringLiteral("Настройки"), false);
  mnuCorrFreq = addToolButton(QStringLiteral("mnuCorrFreq"), QStringLiteral("Калибровка частоты"), false);
  mnuCorrFreq->setEnabled(false);
  mnuCaOut = addToolButton(QStringLiteral("mnuCaOut"), QStringLiteral("Калибровка уровня"), false);
  mnuCaOut->setEnabled(false);
  ToolBar1->addSeparator();
  mnuSwipMode = addToolButton(QStringLiteral("mnuSwipMode"), QStringLiteral("Режим \"ГКЧ\""), true);
  mnuGenMode = addToolButton(QStringLiteral("mnuGenMode"), QStringLiteral("Режим \"Генератор\""), true);
  mnuAnaliserMode =
      addToolButton(QStringLiteral("mnuAnaliserMode"), QStringLiteral("Режим \"Анализатор спектра\""), true);
  auto* modeGroup = new QButtonGroup(this);
  modeGroup->setObjectName(QStringLiteral("ModeGroup"));
  modeGroup->setExclusive(true);
  modeGroup->addButton(mnuSwipMode);
  modeGroup->addButton(mnuGenMode);
  modeGroup->addButton(mnuAnaliserMode);
  ShowModeButtons();
  ToolBar1->addSeparator();

  ToolButton6 = addToolButton(QStringLiteral("ToolButton6"), QStringLiteral("Вызов справки"), false);
  ToolButton6->setFixedWidth(kToolButtonWidth + 12);  // room for the drop-down arrow
  ToolButton6->setPopupMode(QToolButton::MenuButtonPopup);
  auto* helpMenu = new QMenu(ToolButton6);
  helpMenu->setObjectName(QStringLiteral("PopupMenu1"));
  N2 = helpMenu->addAction(QStringLiteral("О программе..."));
  N2->setObjectName(QStringLiteral("N2"));
  ToolButton6->setMenu(helpMenu);
  ToolButton1 = addToolButton(QStringLiteral("ToolButton1"), QStringLiteral("Выход"), false);

  // The plot: a 455 x 281 paint box in a lowered panel; the panel's bevel makes
  // the framed picture 457 x 283.
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  Panel1->setGeometry(0, kToolBarHeight, kPlotWidth + 2, kPlotHeight + 2);
  PaintBox1 = new QWidget(Panel1);
  PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
  PaintBox1->setGeometry(1, 1, kPlotWidth, kPlotHeight);
  PaintBox1->setCursor(Qt::CrossCursor);
  PaintBox1->setMouseTracking(true);
  // The picture covers the whole area; nothing needs to be cleared first.
  PaintBox1->setAttribute(Qt::WA_OpaquePaintEvent);
  PaintBox1->installEventFilter(this);

  // Far below the visible area of the plot's panel: it only takes the focus
  // (on a click on the plot, at Start) so that the arrow keys move the marker.
  Edit10 = new QLineEdit(Panel1);
  Edit10->setObjectName(QStringLiteral("Edit10"));
  Edit10->setGeometry(352, 30000, 41, kFieldHeight);
  Edit10->setFocusPolicy(Qt::ClickFocus);
  Edit10->installEventFilter(this);

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setGeometry(leftWidth, 0, kPageControlWidth, bodyHeight);
  // Both tab captions must fit side by side in the narrow page control.
  PageControl1->setUsesScrollButtons(false);
  PageControl1->setStyleSheet(QStringLiteral(
      "QTabWidget::pane { border: 1px solid #a0a0a0; top: -1px; }"
      "QTabBar::tab { padding: 3px 4px; margin-right: 1px; border: 1px solid #a0a0a0; border-bottom: none;"
      " border-top-left-radius: 2px; border-top-right-radius: 2px; background: #e4e4e4; }"
      "QTabBar::tab:selected { background: palette(window); margin-bottom: -1px; }"
      "QTabBar::tab:!selected { margin-top: 2px; }"));
  digitFilter_ = new widgets::DigitKeyFilter(this);
  TabSheet1 = new QWidget(PageControl1);
  TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
  TabSheet2 = new QWidget(PageControl1);
  TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
  PageControl1->addTab(TabSheet1, QStringLiteral("ГКЧ, анализатор"));
  PageControl1->addTab(TabSheet2, QStringLiteral("Генератор"));
  buildSweepPage(TabSheet1);
  buildGeneratorPage(TabSheet2);

  StatusBar1 = new StatusBar(this);
  StatusBar1->setGeometry(0, bodyHeight, kClientWidth, StatusBar::kHeight);
  StatusBar1->setPanelText(StatusBar::kLinkPanel, QStringLiteral("Нет связи"));
  buildPlotMenu();
  connectHandlers();
}

void TMainForm::connectHandlers() {
  const auto onClick = [this](QToolButton* button, void (TMainForm::*handler)()) {
    connect(button, &QToolButton::clicked, this,
            [this, handler] { widgets::Guarded([this, handler] { (this->*handler)(); }); });
  };
  onClick(ToolButton1, &TMainForm::ToolButton1Click);
  onClick(ToolButton6, &TMainForm::ToolButton6Click);
  connect(N2, &QAction::triggered, this, [this] { widgets::Guarded([this] { N2Click(); }); });
  onClick(KlSpeedButton1, &TMainForm::KlSpeedButton1Click);
  onClick(KlSpeedButton2, &TMainForm::KlSpeedButton2Click);
  onClick(KlSpeedButton3, &TMainForm::KlSpeedButton3Click);
  // A click on a mode button runs the handler, the button already down included.
  onClick(mnuSwipMode, &TMainForm::mnuGenModeClick);
  onClick(mnuGenMode, &TMainForm::mnuGenModeClick);
  onClick(mnuAnaliserMode, &TMainForm::mnuGenModeClick);
  onClick(mnuLinear, &TMainForm::mnuLinearClick);
  onClick(mnuVisir, &TMainForm::mnuVisirClick);
  onClick(mnuSave, &TMainForm::mnuSaveClick);
  onClick(mnuPrint, &TMainForm::mnuPrintClick);
  onClick(mnuOption, &TMainForm::mnuOptionClick);
  onClick(mnuCorrFreq, &TMainForm::mnuCorrFreqClick);
  onClick(mnuCaOut, &TMainForm::mnuCaOutClick);
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { widgets::Guarded([this] { CheckBox1Click(); }); });
  connect(CheckBox2, &QCheckBox::clicked, this, [this] { widgets::Guarded([this] { CheckBox2Click(); }); });
  connect(ComboBox1, &QComboBox::activated, this,
          [this] { widgets::Guarded([this] { ComboBox1Change(); }); });
  for (const auto& triple : {Triple::Start, Triple::End}) {
    for (QLineEdit* field : tripleFields_[static_cast<std::size_t>(triple)]) {
      connect(field, &QLineEdit::textChanged, this, [this] { widgets::Guarded([this] { Edit4Change(); }); });
    }
  }
  for (QLineEdit* field : tripleFields_[static_cast<std::size_t>(Triple::Generator)]) {
    connect(field, &QLineEdit::textChanged, this, [this] { widgets::Guarded([this] { Edit2Change(); }); });
  }
  connect(Edit15, &QLineEdit::textChanged, this, [this] { widgets::Guarded([this] { Edit15Change(); }); });
}

}  // namespace virn::app
