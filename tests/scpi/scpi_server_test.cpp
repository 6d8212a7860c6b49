// The TCP server in this process over the simulated bus: one client at a
// time, and the clients that misbehave (an overlong line, a binary flood,
// half a line, replies never read) dropped or refused without harm, the
// instrument left stopped and the next client served.
#include "scpi/scpi_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTcpSocket>
#include <random>

#include "sim/sim_bus.h"
#include "sim/sim_factory.h"
#include "support/poll_until.h"

namespace virn::scpi {
namespace {

struct ServerFixture : ::testing::Test {
  sim::SimBus bus;
  link::D2XXUnit unit{bus};
  std::shared_ptr<sim::SimInstrument> instrument = sim::PopulateTypicalBus(bus, {}).instrument;
  control::InstrumentController controller{unit, [] {
                                             measure::Settings s;
                                             s.delay = false;
                                             return s;
                                           }()};
  Session session{controller, unit, "1.0"};
  Server server{session};
  int stops = 0;

  void SetUp() override {
    instrument->SetFrameSink([this](const sim::WireEntry& entry) {
      if (link::DecodeFrame(entry.frame).opcode == link::opcode::kStop) ++stops;
    });
    controller.Begin();
    controller.DiscoveryTick();
    ASSERT_TRUE(controller.Connected());
    ASSERT_TRUE(server.Listen(QHostAddress::LocalHost, 0));
  }
  void TearDown() override {
    server.Close();
    controller.Shutdown();
    instrument->SetFrameSink({});
  }

  std::unique_ptr<QTcpSocket> Client() {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, server.Port());
    EXPECT_TRUE(test::PollUntil([&] { return socket->state() == QAbstractSocket::ConnectedState; }));
    return socket;
  }
  // The next reply line, without its end; empty when none came.
  static QByteArray Ask(QTcpSocket& socket, const QByteArray& line) {
    socket.write(line + "\r\n");
    if (!test::PollUntil(
            [&] { return socket.canReadLine() || socket.state() != QAbstractSocket::ConnectedState; })) {
      return {};
    }
    return socket.readLine().trimmed();
  }
  static bool ClosedByServer(QTcpSocket& socket) {
    return test::PollUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; });
  }
};

TEST_F(ServerFixture, ASecondClientIsClosedAtOnceAndTheFirstGoesOn) {
  auto first = Client();
  EXPECT_EQ(Ask(*first, "*IDN?"), "VIRN-PROJECT,VIRN,VIRN0001,1.0");
  QTcpSocket second;
  second.connectToHost(QHostAddress::LocalHost, server.Port());
  EXPECT_TRUE(ClosedByServer(second));
  EXPECT_EQ(second.bytesAvailable(), 0);
  EXPECT_EQ(Ask(*first, "SYST:CONN?"), "1");
  first->disconnectFromHost();
  ASSERT_TRUE(test::PollUntil([this] { return !server.HasClient(); }));
  auto third = Client();
  EXPECT_EQ(Ask(*third, "SYST:CONN?"), "1");
}

TEST_F(ServerFixture, AnOverlongLineIsDroppedToItsEndAndReported) {
  auto client = Client();
  // The query at the end of the long line is never run: the first reply is the error queue's.
  client->write(QByteArray(kMaxLineLength + 10000, 'A') + ";*IDN?\n");
  EXPECT_EQ(Ask(*client, "SYST:ERR?;SYST:ERR?"), "-363,\"Input buffer overrun\";0,\"No error\"");
  EXPECT_EQ(Ask(*client, "*IDN?"), "VIRN-PROJECT,VIRN,VIRN0001,1.0");
}

TEST_F(ServerFixture, ABinaryFloodLeavesTheServerServing) {
  auto client = Client();
  std::mt19937 random(7);
  QByteArray flood(1 << 20, '\0');
  for (char& c : flood) c = static_cast<char>(random());
  client->write(flood);
  EXPECT_EQ(Ask(*client, "\n*CLS;SYST:CONN?"), "1");
}

TEST_F(ServerFixture, HalfALineFromAClientThatVanishesIsNeverRun) {
  {
    auto client = Client();
    client->write("FREQ:STAR 5MHZ");
    ASSERT_TRUE(client->waitForBytesWritten(test::kHangMs));
    client->abort();
  }
  ASSERT_TRUE(test::PollUntil([this] { return !server.HasClient(); }));
  auto next = Client();
  EXPECT_EQ(Ask(*next, "FREQ:STAR?"), "100000");
}

TEST_F(ServerFixture, AClientThatGoesLeavesTheInstrumentStopped) {
  auto client = Client();
  EXPECT_EQ(Ask(*client, "INIT:CONT ON;INIT:CONT?"), "1");
  ASSERT_TRUE(controller.SweepRunning());
  client->abort();
  ASSERT_TRUE(test::PollUntil([this] { return !controller.SweepRunning(); }));
  EXPECT_EQ(stops, 1);
  // A single sweep waited for by *OPC? ends the same way.
  auto next = Client();
  next->write("INIT;*OPC?\n");
  ASSERT_TRUE(test::PollUntil([this] { return controller.TakingSweeps(); }));
  next->abort();
  ASSERT_TRUE(test::PollUntil([this] { return !controller.SweepRunning() && !controller.TakingSweeps(); }));
  EXPECT_EQ(stops, 2);
}

TEST_F(ServerFixture, AClientThatNeverReadsItsRepliesIsDropped) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  ASSERT_GE(fd, 0);
  int small = 4096;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(server.Port());
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ASSERT_TRUE(test::PollUntil([this] { return server.HasClient(); }));
  // Each query asks for about 4 KiB of frequencies; none is ever read.
  std::string batch;
  for (int i = 0; i < 64 * 1024 / 11; ++i) batch += "TRAC:FREQ?\n";
  const bool dropped = test::PollUntil([&] {
    const ssize_t sent = ::send(fd, batch.data(), batch.size(), MSG_NOSIGNAL);
    return sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
  });
  EXPECT_TRUE(dropped || !server.HasClient());
  ::close(fd);
  ASSERT_TRUE(test::PollUntil([this] { return !server.HasClient(); }));
  auto next = Client();
  EXPECT_EQ(Ask(*next, "SYST:CONN?"), "1");
}

}  // namespace
}  // namespace virn::scpi
