// Composition of the main window: which controls exist, where they sit, their
// captions, hints and initial states. Behaviour lives in the handlers.
#include <QButtonGroup>
#include <QFrame>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "app/main_form.h"
#include "app/message_box.h"
#include "app/status_bar.h"
#include "app/tool_glyphs.h"

namespace virn::app {

namespace {
constexpr int kToolButtonWidth = 25;
constexpr int kToolButtonHeight = 22;
constexpr int kToolBarHeight = 23;
}  // namespace

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
  setWindowTitle(kApplicationTitle);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  QFont windowFont;
  windowFont.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                          QStringLiteral("DejaVu Sans")});
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
  mnuAnaliserMode = addToolButton(QStringLiteral("mnuAnaliserMode"), QStringLiteral("Режим \"Анализатор спектра\""), true);
  auto* modeGroup = new QButtonGroup(this);
  modeGroup->setObjectName(QStringLiteral("ModeGroup"));
  modeGroup->setExclusive(true);
  modeGroup->addButton(mnuSwipMode);
  modeGroup->addButton(mnuGenMode);
  modeGroup->addButton(mnuAnaliserMode);
  mnuSwipMode->setChecked(true);
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

  connect(ToolButton1, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton1Click(); }); });
  connect(ToolButton6, &QToolButton::clicked, this, [this] { Guarded([this] { ToolButton6Click(); }); });
  connect(N2, &QAction::triggered, this, [this] { Guarded([this] { N2Click(); }); });

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
  PaintBox1->setAutoFillBackground(true);
  QPalette plotPalette = PaintBox1->palette();
  plotPalette.setColor(QPalette::Window, Qt::white);
  PaintBox1->setPalette(plotPalette);

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
  auto* sweepPage = new QWidget(PageControl1);
  sweepPage->setObjectName(QStringLiteral("TabSheet1"));
  auto* generatorPage = new QWidget(PageControl1);
  generatorPage->setObjectName(QStringLiteral("TabSheet2"));
  PageControl1->addTab(sweepPage, QStringLiteral("ГКЧ, анализатор"));
  PageControl1->addTab(generatorPage, QStringLiteral("Генератор"));

  StatusBar1 = new StatusBar(this);
  StatusBar1->setGeometry(0, bodyHeight, kClientWidth, StatusBar::kHeight);
  StatusBar1->setPanelText(0, QStringLiteral("Нет связи"));
}

}  // namespace virn::app
