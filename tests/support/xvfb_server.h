// A private virtual X server for tests that need real X11 input (a click sent
// with xdotool), started on a free display and stopped with the object.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include "support/poll_until.h"

namespace virn::test {

class XvfbServer {
 public:
  // `screen` as Xvfb takes it: width x height x depth.
  explicit XvfbServer(const QString& screen = QStringLiteral("1024x768x24")) {
    // -displayfd makes the server pick a free display and write its number.
    server_.setProcessChannelMode(QProcess::SeparateChannels);
    server_.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), screen, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server_.waitForStarted(kHangMs)) return;
    while (!server_.canReadLine() && server_.waitForReadyRead(kHangMs)) {
    }
    const QString number = QString::fromLatin1(server_.readLine()).trimmed();
    if (!number.isEmpty()) display_ = QLatin1Char(':') + number;
  }
  ~XvfbServer() {
    server_.terminate();
    if (!server_.waitForFinished(5000)) server_.kill();
    server_.waitForFinished(5000);
  }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // ":N", or empty when the server did not start.
  const QString& display() const { return display_; }

  // Runs an X client on this display and returns its standard output.
  QString run(const QString& program, const QStringList& args, bool* ok = nullptr) const {
    QProcess client;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    client.setProcessEnvironment(env);
    client.start(program, args);
    const bool finished = client.waitForFinished(kHangMs);
    if (ok) *ok = finished && client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    return QString::fromLocal8Bit(client.readAllStandardOutput()).trimmed();
  }

 private:
  QProcess server_;
  QString display_;
};

}  // namespace virn::test
