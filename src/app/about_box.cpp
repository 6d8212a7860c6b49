#include "app/about_box.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/version.h"
#include "widgets/message_box.h"

namespace virn::app {

QString VersionLine(int major, int minor, int patch, bool preRelease) {
  return QStringLiteral("Версия: %1.%2.%3 %4")
      .arg(major)
      .arg(minor)
      .arg(patch)
      .arg(preRelease ? QStringLiteral("(бета)") : QString());
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("О программе"));
  setFixedSize(320, 220);

  auto* name = new QLabel(widgets::kApplicationTitle, this);
  name->setObjectName(QStringLiteral("ProductName"));
  QFont big = name->font();
  big.setPointSize(20);
  big.setBold(true);
  name->setFont(big);

  auto* description =
      new QLabel(QStringLiteral("Измеритель частотных характеристик четырёхполюсников"), this);
  description->setObjectName(QStringLiteral("Description"));
  description->setWordWrap(true);

  auto* version = new QLabel(VersionLine(kVersionMajor, kVersionMinor, kVersionPatch, kPreRelease), this);
  version->setObjectName(QStringLiteral("Version"));

  auto* licence =
      new QLabel(QStringLiteral("Лицензия: GNU GPL версии 3 или более поздней (GPL-3.0-or-later)."), this);
  licence->setObjectName(QStringLiteral("Licence"));
  licence->setWordWrap(true);
  licence->setAlignment(Qt::AlignHCenter);

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(name, 0, Qt::AlignHCenter);
  layout->addWidget(description, 0, Qt::AlignHCenter);
  layout->addStretch(1);
  layout->addWidget(version, 0, Qt::AlignHCenter);
  layout->addWidget(licence);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
}

void TAboutBox::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0.0, QColor(0xE8, 0xF0, 0xFF));
  gradient.setColorAt(1.0, QColor(0x6A, 0x8C, 0xC8));
  painter.fillRect(rect(), gradient);
}

}  // namespace virn::app
