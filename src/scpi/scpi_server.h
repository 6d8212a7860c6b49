// The TCP side: one client at a time holds the instrument. A second client
// that connects while one is served is closed at once, before it gets a
// byte; the first goes on undisturbed. Lines end with "\n" ("\r\n" is taken
// too). A line longer than kMaxLineLength is dropped up to its end and
// reported as -363; a client whose replies pile up unread beyond
// kMaxUnsentBytes is dropped; either way the next client is served, and a
// client that goes leaves the instrument stopped (Session::Disconnect).
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

#include "scpi/scpi_session.h"

namespace virn::scpi {

inline constexpr qint64 kMaxUnsentBytes = 4 * 1024 * 1024;

class Server : public QObject {
 public:
  explicit Server(Session& session);
  ~Server() override;
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // False, with the reason in ErrorText, when the address cannot be had.
  bool Listen(const QHostAddress& address, quint16 port);
  quint16 Port() const { return server_.serverPort(); }
  QString ErrorText() const { return server_.errorString(); }

  // The client is dropped (its session ended) and no one else is let in.
  void Close();

  bool HasClient() const { return client_ != nullptr; }
  // Called whenever a client comes or goes, for logging.
  void SetOnClientChange(std::function<void(const QString& what)> callback) {
    onChange_ = std::move(callback);
  }

 private:
  void Accept();
  void Process();
  void Drop(const QString& why);
  void Send(std::string_view reply);

  Session& session_;
  QTcpServer server_;
  QPointer<QTcpSocket> client_;
  QByteArray buffer_;        // received, not yet a whole line
  bool discarding_ = false;  // the rest of an overlong line is thrown away
  bool processQueued_ = false;
  std::function<void(const QString&)> onChange_;
};

}  // namespace virn::scpi
