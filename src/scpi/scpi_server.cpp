#include "scpi/scpi_server.h"

#include <QMetaObject>

namespace virn::scpi {

namespace {

constexpr qint64 kReadChunk = 16 * 1024;

}  // namespace

Server::Server(Session& session) : session_(session) {
  QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { Accept(); });
  session_.SetOutput([this](std::string_view reply) { Send(reply); });
  session_.SetOnReady([this] {
    // Lines that waited behind *OPC? or *WAI go on from the event loop, not
    // from inside the controller's report of the finished sweep.
    if (processQueued_) return;
    processQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          processQueued_ = false;
          Process();
        },
        Qt::QueuedConnection);
  });
}

Server::~Server() {
  Close();
  session_.SetOutput({});
  session_.SetOnReady({});
}

bool Server::Listen(const QHostAddress& address, quint16 port) {
  return server_.listen(address, port);
}

void Server::Close() {
  server_.close();
  if (client_) Drop(QStringLiteral("server closing"));
}

void Server::Accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    if (client_) {
      // The instrument is held: the newcomer is turned away before any byte.
      if (onChange_)
        onChange_(QStringLiteral("refused %1: another client holds the instrument")
                      .arg(socket->peerAddress().toString()));
      socket->abort();
      socket->deleteLater();
      continue;
    }
    client_ = socket;
    buffer_.clear();
    discarding_ = false;
    // What is not read yet stays in the kernel, so a client that outruns a
    // waiting *OPC? is held back by TCP rather than by our memory.
    socket->setReadBufferSize(kReadChunk * 4);
    QObject::connect(socket, &QTcpSocket::readyRead, this, [this] { Process(); });
    QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
      if (client_ == socket) Drop(QStringLiteral("client left"));
    });
    if (onChange_)
      onChange_(QStringLiteral("client %1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort()));
  }
}

void Server::Process() {
  while (client_ && !session_.Waiting()) {
    const qsizetype end = buffer_.indexOf('\n');
    if (end < 0) {
      if (client_->bytesAvailable() == 0) break;
      QByteArray more = client_->read(kReadChunk);
      if (discarding_) {
        const qsizetype rest = more.indexOf('\n');
        if (rest < 0) continue;
        discarding_ = false;
        more.remove(0, rest + 1);
      }
      buffer_ += more;
      if (buffer_.indexOf('\n') < 0 && buffer_.size() > static_cast<qsizetype>(kMaxLineLength)) {
        buffer_.clear();
        discarding_ = true;
        session_.Overrun();
      }
      continue;
    }
    QByteArray line = buffer_.left(end);
    buffer_.remove(0, end + 1);
    if (line.endsWith('\r')) line.chop(1);
    if (line.size() > static_cast<qsizetype>(kMaxLineLength)) {
      session_.Overrun();
      continue;
    }
    session_.Receive(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
  }
}

void Server::Send(std::string_view reply) {
  if (!client_) return;
  client_->write(reply.data(), static_cast<qint64>(reply.size()));
  if (client_->bytesToWrite() > kMaxUnsentBytes) {
    // Dropped from the event loop: this runs inside the session's own work.
    QPointer<QTcpSocket> socket = client_;
    QMetaObject::invokeMethod(
        this,
        [this, socket] {
          if (socket && client_ == socket) Drop(QStringLiteral("client does not read its replies"));
        },
        Qt::QueuedConnection);
  }
}

void Server::Drop(const QString& why) {
  QTcpSocket* socket = client_;
  client_ = nullptr;
  buffer_.clear();
  discarding_ = false;
  session_.Disconnect();
  if (socket) {
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
  }
  if (onChange_) onChange_(why);
}

}  // namespace virn::scpi
