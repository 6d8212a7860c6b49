// The user guide in help/ against the windows it describes. Every control the
// guide names (data-ctl="..." on the element that names it) exists, and every
// control of the main window, of its dialogs and wizards and of the demo's
// bench is named in the guide, at least once by the caption the user reads on
// it. The pages' links and pictures reach the help folder of the build.
//
// A data-ctl value is the control's object name; a control of another window
// than the main one carries that window's object name in front:
// "OptionForm.Edit2", "CaFreqForm.KlButton1", "BenchWindow.clockPpm".
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QWidgetAction>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "../calibration/fake_hosts.h"
#include "app/about_box.h"
#include "app/up_down.h"
#include "calibration/ca_form.h"
#include "calibration/ca_freq_form.h"
#include "calibration/flatness_form.h"
#include "calibration/option_form.h"
#include "demo/bench_window.h"
#include "linked_window_fixture.h"
#include "sim/bench.h"
#include "support/build_paths.h"

namespace virn::app {
namespace {

const QString kHelpSource = virn::test::InSource(QStringLiteral("help"));
const QString kHelpBuilt = virn::test::InBuildBin(QStringLiteral("Help"));
const QString kMainWindowName = QStringLiteral("MainForm");

// ---- What the guide names -------------------------------------------------

struct Mention {
  QString page;
  QString text;  // the element's text, as ReadableText leaves it
};

QString ReadPage(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

QStringList PageNames() {
  return QDir(kHelpSource).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

// Markup gone, the few entities the pages use decoded, quotes of every kind
// made plain, mnemonic ampersands dropped and white space collapsed: "Отм&ена"
// on a button and «Отмена» in the guide read the same.
QString ReadableText(QString text) {
  static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
  text.remove(tag);
  const std::pair<const char*, const char*> entities[] = {
      {"&nbsp;", " "},  {"&laquo;", "\""}, {"&raquo;", "\""}, {"&quot;", "\""},
      {"&minus;", "−"}, {"&lt;", "<"},     {"&gt;", ">"},     {"&amp;", "&"}};
  for (const auto& [entity, character] : entities) {
    text.replace(QString::fromLatin1(entity), QString::fromUtf8(character));
  }
  for (const char* quote : {"«", "»", "“", "”", "„"})
    text.replace(QString::fromUtf8(quote), QStringLiteral("\""));
  text.remove(QLatin1Char('&'));
  return text.simplified();
}

// Every element with a data-ctl attribute, by value, in page order.
std::map<QString, std::vector<Mention>> GuideMentions() {
  static const QRegularExpression element(
      QStringLiteral(R"re(<(\w+)\b[^>]*\bdata-ctl="([^"]*)"[^>]*>(.*?)</\1\s*>)re"),
      QRegularExpression::DotMatchesEverythingOption);
  std::map<QString, std::vector<Mention>> mentions;
  for (const QString& page : PageNames()) {
    const QString html = ReadPage(kHelpSource + QLatin1Char('/') + page);
    for (auto it = element.globalMatch(html); it.hasNext();) {
      const QRegularExpressionMatch match = it.next();
      mentions[match.captured(2)].push_back({page, ReadableText(match.captured(3))});
    }
  }
  return mentions;
}

// ---- What the windows hold ------------------------------------------------

struct Control {
  QString id;       // as the guide names it
  QString caption;  // what the user reads on it; empty for fields, panels and pages of a wizard
};

// Widgets and actions that are no control of their own, and why. Anything
// else of the kinds the guide covers without an object name fails the test:
// the guide could not name it.
enum class Exclusion {
  None,
  FocusSink,      // main window "Edit10": a field far below the plot's visible area that only takes the
                  // focus, so that the arrow keys move the marker; the guide describes the keys
  QtPart,         // object names "qt_..." and "_q_...": parts Qt builds into its widgets (a tab widget's
                  // tab bar, a tool bar's extension button, a spin box's own line edit)
  PartOfControl,  // the two arrow buttons inside an up-down, the scroll buttons inside a tab bar: the
                  // guide names the up-down and the tab pages
  OtherWindow,  // inside another top-level window of the window's: Qt's file dialogs for "Сохранить
                // график" and "Сохранить данные...", whose controls are Qt's own, and a list's pop-up
  ToolBarHolder,  // the unnamed actions Qt makes for a tool bar: one holding each button, the
                  // separators, and the bar's show/hide action, which no menu offers
  MenuSeparator,  // the lines between a menu's items
  MenuOwnAction,  // the action every menu has that would show it as a submenu; the guide names the menu's
                  // items, and the button the menu drops from
};

bool InsideOtherWindow(const QObject* object, const QWidget& window) {
  for (const QObject* o = object; o != nullptr && o != &window; o = o->parent()) {
    const auto* widget = qobject_cast<const QWidget*>(o);
    // A menu is a pop-up window too, but its items are this window's commands.
    if (widget != nullptr && widget->isWindow() && qobject_cast<const QMenu*>(widget) == nullptr) return true;
  }
  return false;
}

Exclusion ExclusionOf(const QObject* object, const QWidget& window) {
  const QString name = object->objectName();
  if (InsideOtherWindow(object, window)) return Exclusion::OtherWindow;
  if (name.startsWith(QLatin1String("qt_")) || name.startsWith(QLatin1String("_q_")))
    return Exclusion::QtPart;
  if (window.objectName() == kMainWindowName && name == QLatin1String("Edit10")) return Exclusion::FocusSink;
  const QObject* parent = object->parent();
  if (qobject_cast<const UpDown*>(parent) != nullptr || qobject_cast<const QTabBar*>(parent) != nullptr) {
    return Exclusion::PartOfControl;
  }
  if (const auto* action = qobject_cast<const QAction*>(object); action != nullptr && name.isEmpty()) {
    if (qobject_cast<const QToolBar*>(parent) != nullptr) return Exclusion::ToolBarHolder;
    if (action->isSeparator()) return Exclusion::MenuSeparator;
    if (const auto* menu = qobject_cast<const QMenu*>(parent);
        menu != nullptr && menu->menuAction() == action) {
      return Exclusion::MenuOwnAction;
    }
  }
  return Exclusion::None;
}

// The kinds of widget the user works with or reads, and the pages of tab and
// stacked widgets.
bool IsControl(const QWidget* widget) {
  if (qobject_cast<const QAbstractButton*>(widget) != nullptr) return true;
  if (qobject_cast<const QLineEdit*>(widget) != nullptr) return true;
  if (qobject_cast<const QComboBox*>(widget) != nullptr) return true;
  if (qobject_cast<const QAbstractSpinBox*>(widget) != nullptr) return true;
  if (qobject_cast<const UpDown*>(widget) != nullptr) return true;
  // A tab widget's pages sit in its stacked widget.
  if (qobject_cast<const QStackedWidget*>(widget->parent()) != nullptr) return true;
  // The status bar's panels and the plot are what the user reads.
  if (widget->objectName().startsWith(QLatin1String("StatusPanel"))) return true;
  return widget->objectName() == QLatin1String("PaintBox1");
}

QString CaptionOf(const QObject* object) {
  if (const auto* action = qobject_cast<const QAction*>(object)) return ReadableText(action->text());
  const auto* widget = qobject_cast<const QWidget*>(object);
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    for (const QString& text : {button->text(), button->toolTip(), button->accessibleName()}) {
      if (!text.isEmpty()) return ReadableText(text);
    }
    return {};
  }
  // A tab's caption is on its tab.
  for (const QObject* o = widget->parent(); o != nullptr; o = o->parent()) {
    if (const auto* tabs = qobject_cast<const QTabWidget*>(o)) {
      const int index = tabs->indexOf(const_cast<QWidget*>(widget));
      return index >= 0 ? ReadableText(tabs->tabText(index)) : QString();
    }
  }
  return {};
}

struct Collected {
  std::vector<Control> controls;
  QStringList unnamed;  // controls of a kind the guide covers, with no object name and no exclusion
};

Collected ControlsOf(const QWidget& window) {
  const QString prefix =
      window.objectName() == kMainWindowName ? QString() : window.objectName() + QLatin1Char('.');
  Collected found;
  const auto take = [&](const QObject* object, const QString& what) {
    if (ExclusionOf(object, window) != Exclusion::None) return;
    if (object->objectName().isEmpty()) {
      const QObject* parent = object->parent();
      found.unnamed << QStringLiteral("%1 \"%2\" in %3, inside %4 %5")
                           .arg(what, CaptionOf(object), window.objectName(),
                                QString::fromLatin1(parent->metaObject()->className()), parent->objectName());
      return;
    }
    found.controls.push_back({prefix + object->objectName(), CaptionOf(object)});
  };
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    if (IsControl(widget)) take(widget, QString::fromLatin1(widget->metaObject()->className()));
  }
  for (const QAction* action : window.findChildren<QAction*>()) take(action, QStringLiteral("QAction"));
  return found;
}

// ---- The windows ----------------------------------------------------------

struct HelpGuide : LinkedWindowFixture {
  std::unique_ptr<TMainForm> mainForm;
  calibration::test::FakeFrequencyHost frequencyHost;
  calibration::test::FakeLevelHost levelHost;
  calibration::test::FakeFlatnessHost flatnessHost;
  std::unique_ptr<QWidget> optionForm, frequencyWizard, levelWizard, flatnessWizard, aboutBox;
  std::unique_ptr<sim::Bench> bench;
  std::unique_ptr<demo::BenchWindow> benchWindow;

  HelpGuide() {
    PlugTypical();
    mainForm = Window();
    mainForm->show();
    // The save dialogs are made when first used; their controls count too.
    mainForm->saveDialog();
    mainForm->dataSaveDialog();
    // Without parents, so that each window's controls are its own.
    optionForm = std::make_unique<calibration::TOptionForm>(nullptr);
    frequencyWizard = std::make_unique<calibration::TCaFreqForm>(nullptr, frequencyHost);
    levelHost.readings = {236};
    levelWizard = std::make_unique<calibration::TCaForm>(nullptr, levelHost);
    flatnessWizard = std::make_unique<calibration::TFlatnessForm>(nullptr, flatnessHost);
    aboutBox = std::make_unique<TAboutBox>(nullptr);
    bench = std::make_unique<sim::Bench>(bus, instrument);
    benchWindow = std::make_unique<demo::BenchWindow>(*bench);
  }

  std::vector<const QWidget*> Windows() const {
    return {mainForm.get(),       optionForm.get(), frequencyWizard.get(), levelWizard.get(),
            flatnessWizard.get(), aboutBox.get(),   benchWindow.get()};
  }

  // The object a data-ctl value names, or none.
  const QObject* Named(const QString& id) const {
    const qsizetype dot = id.indexOf(QLatin1Char('.'));
    const QString windowName = dot < 0 ? kMainWindowName : id.left(dot);
    const QString name = dot < 0 ? id : id.mid(dot + 1);
    for (const QWidget* window : Windows()) {
      if (window->objectName() != windowName) continue;
      // Main window names carry no prefix; "MainForm.X" would be a second name for the same control.
      if (dot >= 0 && windowName == kMainWindowName) return nullptr;
      return window->findChild<QObject*>(name);
    }
    return nullptr;
  }
};

TEST_F(HelpGuide, EveryWindowHasTheObjectNameItsControlsAreNamedBy) {
  QSet<QString> names;
  for (const QWidget* window : Windows()) {
    EXPECT_FALSE(window->objectName().isEmpty()) << window->metaObject()->className();
    EXPECT_FALSE(window->objectName().contains(QLatin1Char('.'))) << window->objectName().toStdString();
    names.insert(window->objectName());
  }
  EXPECT_EQ(names.size(), static_cast<qsizetype>(Windows().size())) << "two windows share an object name";
}

TEST_F(HelpGuide, EveryControlTheGuideNamesExists) {
  const auto mentions = GuideMentions();
  ASSERT_GT(mentions.size(), 50u) << "no data-ctl marks found in " << kHelpSource.toStdString();
  for (const auto& [id, where] : mentions) {
    EXPECT_NE(Named(id), nullptr) << "the guide names \"" << id.toStdString() << "\" on "
                                  << where.front().page.toStdString() << ", which no window has";
  }
}

TEST_F(HelpGuide, EveryControlOfEveryWindowHasAnObjectNameOrAReasonToHaveNone) {
  for (const QWidget* window : Windows()) {
    const Collected found = ControlsOf(*window);
    EXPECT_TRUE(found.unnamed.isEmpty())
        << "controls the guide cannot name: " << found.unnamed.join(QStringLiteral("; ")).toStdString();
  }
}

TEST_F(HelpGuide, NamesEveryControlOfEveryWindowOnceByItsCaption) {
  const auto mentions = GuideMentions();
  int checked = 0;
  for (const QWidget* window : Windows()) {
    const Collected found = ControlsOf(*window);
    EXPECT_FALSE(found.controls.empty()) << window->objectName().toStdString();
    for (const Control& control : found.controls) {
      ++checked;
      const auto it = mentions.find(control.id);
      if (it == mentions.end()) {
        ADD_FAILURE() << "the guide does not name " << control.id.toStdString() << " (\""
                      << control.caption.toStdString() << "\")";
        continue;
      }
      if (control.caption.isEmpty()) continue;
      QStringList texts;
      bool byCaption = false;
      for (const Mention& mention : it->second) {
        texts << mention.page + QStringLiteral(": \"") + mention.text + QLatin1Char('"');
        byCaption = byCaption || mention.text == control.caption;
      }
      EXPECT_TRUE(byCaption) << control.id.toStdString() << " reads \"" << control.caption.toStdString()
                             << "\", but the guide calls it only "
                             << texts.join(QStringLiteral(", ")).toStdString();
    }
  }
  // The main window alone has twelve tool buttons, three run buttons, twelve
  // fields, their up-downs, the plot's menu and the status bar.
  EXPECT_GT(checked, 80);
}

TEST_F(HelpGuide, NamesThePlotMenuCommandsAndTheFieldsOfBothWizards) {
  // Spelled out, so that a collector that lost menus or wizard pages fails here.
  const auto mentions = GuideMentions();
  for (const char* id : {"mnuSaveData",
                         "mnuKeepTrace",
                         "mnuClearTraces",
                         "mnuMarker3dB",
                         "mnuMarker6dB",
                         "mnuMarker20dB",
                         "mnuShowQ",
                         "N2",
                         "KlSpeedButton1",
                         "UpDown14",
                         "StatusPanel0",
                         "TabSheet1",
                         "TabSheet2",
                         "OptionForm.Edit2",
                         "OptionForm.CheckBox1",
                         "CaFreqForm.Edit1",
                         "CaFreqForm.Edit2",
                         "CaFreqForm.TabSheet3",
                         "CaForm.TabSheet2",
                         "CaForm.KlButton3",
                         "AboutBox.OKButton",
                         "BenchWindow.dutCarrier"}) {
    const QString name = QString::fromLatin1(id);
    EXPECT_TRUE(mentions.count(name) == 1) << id;
    bool collected = false;
    for (const QWidget* window : Windows()) {
      for (const Control& control : ControlsOf(*window).controls) collected = collected || control.id == name;
    }
    EXPECT_TRUE(collected) << id << " is not among the controls collected from the windows";
  }
}

TEST_F(HelpGuide, ExclusionsCoverOnlyWhatTheyAreFor) {
  // The focus sink is left out, and only in the main window; Qt's parts and
  // the up-downs' arrows are left out, the up-downs themselves are not.
  const auto* sink = mainForm->findChild<QLineEdit*>(QStringLiteral("Edit10"));
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(ExclusionOf(sink, *mainForm), Exclusion::FocusSink);
  const auto* field = mainForm->findChild<QLineEdit*>(QStringLiteral("Edit4"));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(ExclusionOf(field, *mainForm), Exclusion::None);
  const auto* upDown = mainForm->findChild<UpDown*>(QStringLiteral("UpDown5"));
  ASSERT_NE(upDown, nullptr);
  EXPECT_EQ(ExclusionOf(upDown, *mainForm), Exclusion::None);
  const auto arrows = upDown->findChildren<QAbstractButton*>();
  ASSERT_EQ(arrows.size(), 2);
  for (const QAbstractButton* arrow : arrows)
    EXPECT_EQ(ExclusionOf(arrow, *mainForm), Exclusion::PartOfControl);
  const auto* saveDialog = mainForm->findChild<QDialog*>(QStringLiteral("SaveDialog1"));
  ASSERT_NE(saveDialog, nullptr);
  const auto dialogButtons = saveDialog->findChildren<QAbstractButton*>();
  ASSERT_FALSE(dialogButtons.isEmpty());
  for (const QAbstractButton* button : dialogButtons)
    EXPECT_EQ(ExclusionOf(button, *mainForm), Exclusion::OtherWindow);
  const auto* plotMenu = mainForm->findChild<QMenu*>(QStringLiteral("PlotMenu1"));
  ASSERT_NE(plotMenu, nullptr);
  for (const QAction* action : plotMenu->actions()) {
    const Exclusion expected = action->isSeparator()       ? Exclusion::MenuSeparator
                               : action->menu() != nullptr ? Exclusion::MenuOwnAction
                                                           : Exclusion::None;
    EXPECT_EQ(ExclusionOf(action, *mainForm), expected) << action->text().toStdString();
  }
}

// ---- The pages ------------------------------------------------------------

TEST(HelpPages, EveryLinkAnchorAndPictureIsThereInTheSourceAndTheBuild) {
  static const QRegularExpression link(QStringLiteral(R"re(\b(href|src)="([^"]*)")re"));
  const QStringList pages = PageNames();
  ASSERT_GE(pages.size(), 8) << "the guide's pages are missing from " << kHelpSource.toStdString();
  QSet<QString> used;
  for (const QString& page : pages) {
    const QString html = ReadPage(kHelpSource + QLatin1Char('/') + page);
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">"))) << page.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<title>ВИРН — "))) << page.toStdString();
    EXPECT_TRUE(QFileInfo(kHelpBuilt + QLatin1Char('/') + page).isFile())
        << page.toStdString() << " is not in the build's Help folder (help/CMakeLists.txt)";
    for (auto it = link.globalMatch(html); it.hasNext();) {
      const QString target = it.next().captured(2);
      EXPECT_FALSE(target.contains(QStringLiteral("://")))
          << page.toStdString() << ": " << target.toStdString() << " leaves the help folder";
      const qsizetype hash = target.indexOf(QLatin1Char('#'));
      const QString file = hash < 0 ? target : target.left(hash);
      const QString anchor = hash < 0 ? QString() : target.mid(hash + 1);
      if (!file.isEmpty()) {
        used.insert(file);
        EXPECT_TRUE(QFileInfo(kHelpSource + QLatin1Char('/') + file).isFile())
            << page.toStdString() << " refers to a missing " << file.toStdString();
        EXPECT_TRUE(QFileInfo(kHelpBuilt + QLatin1Char('/') + file).isFile())
            << file.toStdString() << " is not in the build's Help folder (help/CMakeLists.txt)";
      }
      if (!anchor.isEmpty()) {
        const QString linked = file.isEmpty() ? html : ReadPage(kHelpSource + QLatin1Char('/') + file);
        // The help viewer finds an anchor by its name.
        EXPECT_TRUE(linked.contains(QStringLiteral("name=\"%1\"").arg(anchor)))
            << page.toStdString() << ": " << target.toStdString();
      }
    }
  }
  // Every picture and page in the folder is used, so none is shipped for nothing.
  for (const QString& picture : QDir(kHelpSource + QStringLiteral("/images")).entryList(QDir::Files)) {
    EXPECT_TRUE(used.contains(QStringLiteral("images/") + picture))
        << picture.toStdString() << " is used by no page";
  }
  for (const QString& page : pages) {
    if (page == QLatin1String("index.html")) continue;
    EXPECT_TRUE(used.contains(page)) << page.toStdString() << " is linked from no page";
  }
}

TEST(HelpPages, TheHelpViewerShowsEveryPageWithItsPictures) {
  static const QRegularExpression image(QStringLiteral(R"re(<img\b[^>]*\bsrc="([^"]*)")re"));
  for (const QString& page : PageNames()) {
    QTextBrowser browser;
    browser.setSource(QUrl::fromLocalFile(kHelpBuilt + QLatin1Char('/') + page));
    EXPECT_TRUE(browser.documentTitle().startsWith(QStringLiteral("ВИРН — "))) << page.toStdString();
    EXPECT_GT(browser.toPlainText().size(), 300) << page.toStdString();
    const QString html = ReadPage(kHelpSource + QLatin1Char('/') + page);
    for (auto it = image.globalMatch(html); it.hasNext();) {
      const QString src = it.next().captured(1);
      const QVariant loaded = browser.loadResource(QTextDocument::ImageResource, QUrl(src));
      EXPECT_TRUE(loaded.isValid() && !loaded.toByteArray().isEmpty())
          << page.toStdString() << ": " << src.toStdString();
    }
  }
}

}  // namespace
}  // namespace virn::app
