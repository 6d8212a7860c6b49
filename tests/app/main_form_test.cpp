#include "app/main_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include "app/about_box.h"
#include "app/program_name.h"
#include "app/status_bar.h"
#include "settings/klm_api.h"
#include "support/fake_d2xx.h"
#include "support/modal_watcher.h"
#include "support/window_fixture.h"
#include "widgets/message_box.h"

namespace virn::app {
namespace {

struct MainFormFixture : test::WindowFixture {
  test::FakeD2xx api;
  link::D2XXUnit unit{api};
};

struct ButtonSpec {
  const char* name;
  const char* hint;
  bool enabled;
  bool checkable;
  bool down;
};

TEST_F(MainFormFixture, ToolBarHoldsEveryButtonInOrderWithHintsAndStates) {
  auto form = Window(unit);
  const ButtonSpec expected[] = {
      {"mnuPrint", "Печать", true, false, false},
      {"mnuSave", "Сохранить график", true, false, false},
      {"mnuLinear", "Линейный детектор", true, true, false},
      {"mnuVisir", "Визир", true, true, false},
      {"mnuOption", "Настройки", true, false, false},
      {"mnuCorrFreq", "Калибровка частоты", false, false, false},
      {"mnuCaOut", "Калибровка уровня", false, false, false},
      {"mnuSwipMode", "Режим \"ГКЧ\"", true, true, true},
      {"mnuGenMode", "Режим \"Генератор\"", true, true, false},
      {"mnuAnaliserMode", "Режим \"Анализатор спектра\"", true, true, false},
      {"ToolButton6", "Вызов справки", true, false, false},
      {"ToolButton1", "Выход", true, false, false},
  };
  auto* toolBar = form->findChild<QToolBar*>(QStringLiteral("ToolBar1"));
  ASSERT_NE(toolBar, nullptr);

  // Walk the tool bar's actions: buttons in order, separators where they belong.
  QStringList order;
  for (QAction* action : toolBar->actions()) {
    if (action->isSeparator()) {
      order << QStringLiteral("|");
    } else if (QWidget* w = toolBar->widgetForAction(action)) {
      order << w->objectName();
    }
  }
  EXPECT_EQ(order.join(QLatin1Char(' ')),
            QStringLiteral("mnuPrint mnuSave | mnuLinear mnuVisir mnuOption mnuCorrFreq mnuCaOut | "
                           "mnuSwipMode mnuGenMode mnuAnaliserMode | ToolButton6 ToolButton1"));

  for (const auto& spec : expected) {
    auto* button = form->findChild<QToolButton*>(QString::fromUtf8(spec.name));
    ASSERT_NE(button, nullptr) << spec.name;
    EXPECT_EQ(button->toolTip(), QString::fromUtf8(spec.hint)) << spec.name;
    EXPECT_EQ(button->isEnabled(), spec.enabled) << spec.name;
    EXPECT_EQ(button->isCheckable(), spec.checkable) << spec.name;
    EXPECT_EQ(button->isChecked(), spec.down) << spec.name;
    EXPECT_FALSE(button->icon().isNull()) << spec.name;
    if (std::string(spec.name) != "ToolButton6") {
      EXPECT_EQ(button->width(), 25) << spec.name;
    }
  }
  auto* help = form->findChild<QToolButton*>(QStringLiteral("ToolButton6"));
  ASSERT_NE(help->menu(), nullptr);
  ASSERT_EQ(help->menu()->actions().size(), 1);
  EXPECT_EQ(help->menu()->actions()[0]->text(), QStringLiteral("О программе..."));
}

TEST_F(MainFormFixture, ModeButtonsFormOneExclusiveGroup) {
  auto form = Window(unit);
  auto* sweep = form->findChild<QToolButton*>(QStringLiteral("mnuSwipMode"));
  auto* generator = form->findChild<QToolButton*>(QStringLiteral("mnuGenMode"));
  auto* analyser = form->findChild<QToolButton*>(QStringLiteral("mnuAnaliserMode"));
  generator->click();
  EXPECT_TRUE(generator->isChecked());
  EXPECT_FALSE(sweep->isChecked());
  analyser->click();
  EXPECT_TRUE(analyser->isChecked());
  EXPECT_FALSE(generator->isChecked());
  analyser->click();  // pressing the one already down keeps it down
  EXPECT_TRUE(analyser->isChecked());
}

TEST_F(MainFormFixture, WindowCompositionAndGeometry) {
  auto form = Window(unit);
  form->show();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("ВИРН"));
  EXPECT_EQ(form->size(), QSize(634, 325));
  EXPECT_EQ(form->minimumSize(), form->maximumSize());  // fixed border
  EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

  auto* paintBox = form->findChild<QWidget*>(QStringLiteral("PaintBox1"));
  auto* panel = form->findChild<QFrame*>(QStringLiteral("Panel1"));
  ASSERT_NE(paintBox, nullptr);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(paintBox->size(), QSize(455, 281));
  EXPECT_EQ(paintBox->cursor().shape(), Qt::CrossCursor);
  EXPECT_EQ(paintBox->parentWidget(), panel);
  EXPECT_EQ(panel->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(panel->size(), QSize(457, 283));
  EXPECT_EQ(form->plotBitmap().size(), QSize(455, 281));

  auto* pages = form->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->width(), 176);
  ASSERT_EQ(pages->count(), 2);
  EXPECT_EQ(pages->tabText(0), QStringLiteral("ГКЧ, анализатор"));
  EXPECT_EQ(pages->tabText(1), QStringLiteral("Генератор"));

  // Nothing overlaps: tool bar above the plot, page control to the right, status bar below.
  const QRect plot = panel->geometry();
  EXPECT_LE(plot.right(), pages->geometry().left());
  EXPECT_LE(plot.bottom(), form->statusBar()->geometry().top());
  EXPECT_LE(form->findChild<QToolBar*>(QStringLiteral("ToolBar1"))->geometry().bottom(), plot.top());
  EXPECT_EQ(form->statusBar()->geometry().bottom(), 324);
}

TEST_F(MainFormFixture, StatusBarHasSevenPanelsReadingNoLink) {
  auto form = Window(unit);
  form->show();
  StatusBar* bar = form->statusBar();
  EXPECT_EQ(bar->height(), 19);
  const int widths[] = {80, 80, 90, 50, 80, 180, 50};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(bar->panel(i)->width(), widths[i]) << "panel " << i;
  EXPECT_EQ(bar->panelText(0), QStringLiteral("Нет связи"));
  EXPECT_EQ(bar->panelText(1), QString());
}

TEST_F(MainFormFixture, CreationSetsMarksConfigPathTimersAndSilencesLinkErrors) {
  auto form = Window(unit);
  EXPECT_EQ(form->property("{500F94D0-5F6E-4BA4-8F35-CDCA9B0D523E}").toInt(), 1);
  EXPECT_EQ(form->property("{C6CA4384-D3FB-4E41-BA2C-DFF64D0A0ED4}").toInt(), 1);
  EXPECT_EQ(form->property("_BlendValue").toInt(), 255);
  // The configuration directory, turned into the settings-file name once created.
  EXPECT_EQ(form->ConfigPath, config.path() + QStringLiteral("/Kelmar/virn-/app_tests.mainform.config.xml"));
  EXPECT_FALSE(unit.ShowFTErrors.load());
  EXPECT_TRUE(form->controller().Discovering());
  EXPECT_FALSE(form->controller().Watching());
}

TEST_F(MainFormFixture, ClosingClosesTheDeviceWhetherOpenOrNot) {
  api.status = link::FT_INVALID_HANDLE;  // nothing was ever opened
  auto form = Window(unit);
  form->show();
  test::ModalWatcher watcher;
  EXPECT_TRUE(form->close());
  EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(), "FT_Close"), 1);
  EXPECT_TRUE(watcher.seen().empty());  // link errors are silent
}

TEST_F(MainFormFixture, ExitButtonClosesTheWindow) {
  auto form = Window(unit);
  form->show();
  form->findChild<QToolButton*>(QStringLiteral("ToolButton1"))->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(), "FT_Close"), 1);
}

TEST_F(MainFormFixture, AboutItemOpensTheAboutBox) {
  auto form = Window(unit);
  form->show();
  test::ModalWatcher watcher;
  auto* help = form->findChild<QToolButton*>(QStringLiteral("ToolButton6"));
  help->menu()->actions()[0]->trigger();
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].className, QStringLiteral("virn::app::TAboutBox"));
}

TEST_F(MainFormFixture, HelpWithoutAHelpFolderShowsTheHostLibraryError) {
  // The test executable's folder has no Help folder beside it.
  auto form = Window(unit);
  form->show();
  test::ModalWatcher watcher;
  form->findChild<QToolButton*>(QStringLiteral("ToolButton6"))->click();
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, QStringLiteral("Справочная система не установлена."));
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace virn::app
