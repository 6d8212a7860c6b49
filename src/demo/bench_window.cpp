#include "demo/bench_window.h"

#include "app/after_exposed.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <utility>

namespace virn::demo {

namespace {

using sim::DeviceUnderTest;

struct DutChoice {
  DeviceUnderTest dut;
  const char* objectName;
  const char* label;
};

constexpr std::array<DutChoice, 6> kDutChoices{{
    {DeviceUnderTest::BandPass, "dutBandPass", "Полосовой фильтр"},
    {DeviceUnderTest::Through, "dutThrough", "Кабель 50 Ом (0 дБ)"},
    {DeviceUnderTest::Attenuator12, "dutAttenuator12", "Аттенюатор −12 дБ"},
    {DeviceUnderTest::Attenuator40, "dutAttenuator40", "Аттенюатор −40 дБ"},
    {DeviceUnderTest::Open, "dutOpen", "Ничего (вход открыт)"},
    {DeviceUnderTest::Carrier, "dutCarrier", "Внешний сигнал (несущая с гармониками)"},
}};

// The counter's digits are what the user compares against the program's
// figures, so they are large.
constexpr double kCounterFontScale = 2.2;

}  // namespace

QString CounterText(std::optional<std::int64_t> hz) {
  if (!hz) return QStringLiteral("нет сигнала");
  const QString digits = QString::number(*hz < 0 ? -*hz : *hz);
  QString grouped;
  for (qsizetype i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += QLatin1Char(' ');
    grouped += digits[i];
  }
  return (*hz < 0 ? QStringLiteral("-") : QString()) + grouped + QStringLiteral(" Гц");
}

QPoint BesidePosition(const QRect& mainFrame, const QSize& frameSize, const QRect& available) {
  // Right and bottom first, then left and top, so a window larger than the
  // screen keeps its title bar on it.
  int x = std::min(mainFrame.right() + 1, available.right() + 1 - frameSize.width());
  int y = std::min(mainFrame.top(), available.bottom() + 1 - frameSize.height());
  x = std::max(x, available.left());
  y = std::max(y, available.top());
  return {x, y};
}

BenchWindow::BenchWindow(sim::Bench& bench) : bench_(bench) {
  setWindowTitle(QStringLiteral("Стенд"));
  setObjectName(QStringLiteral("BenchWindow"));
  // The program ends with its main window, not with this one.
  setAttribute(Qt::WA_QuitOnClose, false);
  // Appearing beside the main window must not take the focus from it.
  setAttribute(Qt::WA_ShowWithoutActivating);
  // Numbers read as the Russian captions around them do: "10 000 000 Гц", "-10,0 дБ".
  setLocale(QLocale(QLocale::Russian, QLocale::Russia));
  build();
  Refresh();
  bench_.SetOnChange([this] { Refresh(); });
  connect(&counterTimer_, &QTimer::timeout, this, &BenchWindow::RefreshCounter);
  counterTimer_.start(kCounterRefreshMs);
}

BenchWindow::~BenchWindow() {
  bench_.SetOnChange({});
}

void BenchWindow::build() {
  auto* layout = new QVBoxLayout(this);

  plugged_ = new QCheckBox(QStringLiteral("Прибор подключён к USB"), this);
  plugged_->setObjectName(QStringLiteral("pluggedBox"));
  connect(plugged_, &QCheckBox::toggled, this, [this](bool on) { bench_.SetPlugged(on); });
  layout->addWidget(plugged_);

  auto* dutBox = new QGroupBox(QStringLiteral("Между выходом и входом"), this);
  auto* dutLayout = new QVBoxLayout(dutBox);
  dut_ = new QButtonGroup(this);
  for (const DutChoice& choice : kDutChoices) {
    auto* button = new QRadioButton(QString::fromUtf8(choice.label), dutBox);
    button->setObjectName(QString::fromLatin1(choice.objectName));
    dut_->addButton(button, static_cast<int>(choice.dut));
    dutLayout->addWidget(button);
  }
  connect(dut_, &QButtonGroup::idClicked, this,
          [this](int id) { bench_.SetDut(static_cast<DeviceUnderTest>(id)); });
  layout->addWidget(dutBox);

  auto* carrierBox = new QGroupBox(QStringLiteral("Внешний сигнал"), this);
  auto* carrierLayout = new QFormLayout(carrierBox);
  carrierHz_ = new QSpinBox(carrierBox);
  carrierHz_->setObjectName(QStringLiteral("carrierFrequency"));
  carrierHz_->setRange(static_cast<int>(sim::kMinCarrierHz), static_cast<int>(sim::kMaxCarrierHz));
  carrierHz_->setGroupSeparatorShown(true);
  carrierHz_->setSuffix(QStringLiteral(" Гц"));
  carrierDb_ = new QDoubleSpinBox(carrierBox);
  carrierDb_->setObjectName(QStringLiteral("carrierLevel"));
  carrierDb_->setRange(sim::kMinCarrierDb, sim::kMaxCarrierDb);
  carrierDb_->setDecimals(1);
  carrierDb_->setSuffix(QStringLiteral(" дБ"));
  // Applied once a value is complete, not at every keystroke.
  carrierHz_->setKeyboardTracking(false);
  carrierDb_->setKeyboardTracking(false);
  const auto applyCarrier = [this] { bench_.SetCarrier(carrierHz_->value(), carrierDb_->value()); };
  connect(carrierHz_, &QSpinBox::valueChanged, this, applyCarrier);
  connect(carrierDb_, &QDoubleSpinBox::valueChanged, this, applyCarrier);
  carrierLayout->addRow(QStringLiteral("Основная частота:"), carrierHz_);
  carrierLayout->addRow(QStringLiteral("Уровень:"), carrierDb_);
  const sim::CarrierSignal shape;
  carrierLayout->addRow(new QLabel(QStringLiteral("Гармоник: %1, каждая на %2 дБ ниже предыдущей")
                                       .arg(shape.harmonics)
                                       .arg(-shape.harmonicStepDb),
                                   carrierBox));
  layout->addWidget(carrierBox);

  auto* counterBox = new QGroupBox(QStringLiteral("Частотомер на выходе"), this);
  auto* counterLayout = new QVBoxLayout(counterBox);
  counter_ = new QLabel(counterBox);
  counter_->setObjectName(QStringLiteral("counterDisplay"));
  counter_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QFont big = counter_->font();
  // A font may be sized in pixels, and then has no point size to scale.
  if (big.pointSizeF() > 0) {
    big.setPointSizeF(big.pointSizeF() * kCounterFontScale);
  } else {
    big.setPixelSize(static_cast<int>(std::lround(big.pixelSize() * kCounterFontScale)));
  }
  big.setBold(true);
  counter_->setFont(big);
  counter_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  counterLayout->addWidget(counter_);
  layout->addWidget(counterBox);

  auto* clockLayout = new QFormLayout;
  clockPpm_ = new QDoubleSpinBox(this);
  clockPpm_->setObjectName(QStringLiteral("clockPpm"));
  clockPpm_->setRange(-sim::kMaxClockPpm, sim::kMaxClockPpm);
  clockPpm_->setDecimals(3);
  clockPpm_->setSuffix(QStringLiteral(" ppm"));
  clockPpm_->setKeyboardTracking(false);
  connect(clockPpm_, &QDoubleSpinBox::valueChanged, this, [this](double ppm) { bench_.SetClockPpm(ppm); });
  clockLayout->addRow(QStringLiteral("Уход опорного генератора:"), clockPpm_);
  layout->addLayout(clockLayout);
  layout->addStretch();
}

void BenchWindow::Refresh() {
  {
    const QSignalBlocker blockPlug(plugged_);
    const QSignalBlocker blockDut(dut_);
    const QSignalBlocker blockHz(carrierHz_);
    const QSignalBlocker blockDb(carrierDb_);
    const QSignalBlocker blockPpm(clockPpm_);
    plugged_->setChecked(bench_.Plugged());
    if (QAbstractButton* button = dut_->button(static_cast<int>(bench_.Dut()))) button->setChecked(true);
    carrierHz_->setValue(static_cast<int>(std::lround(bench_.Carrier().fundamentalHz)));
    carrierDb_->setValue(bench_.Carrier().levelDb);
    clockPpm_->setValue(bench_.ClockPpm());
  }
  RefreshCounter();
}

void BenchWindow::RefreshCounter() {
  counter_->setText(CounterText(bench_.CounterHz()));
}

void BenchWindow::PlaceBeside(const QWidget& mainWindow) {
  const QRect mainFrame = mainWindow.frameGeometry();
  // Before it is shown a window has no frame yet; take the main window's. Its
  // client area is placed, not its frame: a frame's place can only be asked
  // for once the window manager has told its size, and until then a window
  // manager takes it for the client area's.
  const QSize decoration = mainFrame.size() - mainWindow.size();
  const QPoint clientOffset = mainWindow.geometry().topLeft() - mainFrame.topLeft();
  const QSize size = sizeHint().expandedTo(minimumSizeHint());
  const QScreen* screen = mainWindow.screen();
  const QRect available = screen != nullptr ? screen->availableGeometry() : mainFrame;
  setGeometry(QRect(BesidePosition(mainFrame, size + decoration, available) + clientOffset, size));
}

void BenchWindow::OpenBeside(QWidget& mainWindow) {
  // Until the main window is mapped, a window manager has not put it where it
  // goes (it may centre it), so its place is not known yet.
  mainWindow.winId();
  new app::AfterExposed(*mainWindow.windowHandle(), *this, [this, main = QPointer<QWidget>(&mainWindow)] {
    if (main == nullptr) return;
    PlaceBeside(*main);
    show();
  });
}

}  // namespace virn::demo
