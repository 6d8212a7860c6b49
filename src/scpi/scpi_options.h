// Command-line options of virn-scpi: where to listen, which instrument, which
// settings file. --help says everything.
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <optional>

namespace virn::scpi {

inline constexpr quint16 kDefaultPort = 5025;

struct ListenAddress {
  QHostAddress address{QHostAddress::LocalHost};
  quint16 port = kDefaultPort;
};

// "127.0.0.1:5025", "[::1]:5025", "0.0.0.0:5025"; port 0 asks the system
// for a free one. None when the text is not such an address.
std::optional<ListenAddress> ParseListenAddress(const QString& text);

struct ScpiOptions {
  ListenAddress listen;
  bool simulated = false;
  bool noInstrument = false;  // simulated: start with the instrument unplugged
  QString wireLogPath;        // simulated: the frames the instrument gets
  QString benchPath;          // simulated: bench commands, as virn-demo's --bench
  QString settingsPath;       // empty: the window's own settings file
  bool showHelp = false;
  bool showVersion = false;
  QString helpText;
  QString error;  // non-empty: the arguments were wrong
};

// `arguments` as QCoreApplication::arguments() gives them, the program first.
ScpiOptions ParseScpiOptions(const QStringList& arguments);

}  // namespace virn::scpi
