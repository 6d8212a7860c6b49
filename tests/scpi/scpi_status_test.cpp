// The error queue and the IEEE 488.2 registers.
#include "scpi/scpi_status.h"

#include <gtest/gtest.h>

namespace virn::scpi {
namespace {

TEST(ErrorQueue, ReadsOldestFirstThenNoErrorAndKeepsDetailsPrintable) {
  Status status;
  status.Push(error::kUndefinedHeader, "FOO");
  status.Push(error::kDataOutOfRange, "say \"hi\"\x01");
  EXPECT_EQ(status.Pop(), "-113,\"Undefined header;FOO\"");
  EXPECT_EQ(status.Pop(), "-222,\"Data out of range;say \"\"hi\"\"?\"");
  EXPECT_EQ(status.Pop(), "0,\"No error\"");
}

TEST(ErrorQueue, AFullQueueKeepsItsOldestAndEndsWithOverflow) {
  Status status;
  for (std::size_t i = 0; i < kErrorQueueSize + 5; ++i) status.Push(error::kCommand);
  EXPECT_EQ(status.Queued(), kErrorQueueSize);
  for (std::size_t i = 0; i + 1 < kErrorQueueSize; ++i) EXPECT_EQ(status.Pop(), "-100,\"Command error\"");
  EXPECT_EQ(status.Pop(), "-350,\"Queue overflow\"");
  EXPECT_EQ(status.Queued(), 0U);
}

TEST(Registers, ErrorsSetTheirClassBitAndTheStatusByteSumsUp) {
  Status status;
  EXPECT_EQ(status.ReadEvents(), esr::kPowerOn);
  struct Case {
    int code;
    std::uint8_t bit;
  };
  for (const Case c :
       {Case{error::kSyntax, esr::kCommandError}, Case{error::kDataOutOfRange, esr::kExecutionError},
        Case{error::kQueueOverflow, esr::kDeviceError}, Case{error::kQueryInterrupted, esr::kQueryError}}) {
    status.Push(c.code);
    EXPECT_EQ(status.ReadEvents(), c.bit) << c.code;
    EXPECT_EQ(status.Events(), 0) << "read clears";
  }
  EXPECT_EQ(status.StatusByte(false), stb::kErrorQueue);
  status.SetEvent(esr::kOperationComplete);
  EXPECT_EQ(status.StatusByte(true), stb::kErrorQueue | stb::kMessageAvailable) << "not enabled";
  status.SetEventEnable(esr::kOperationComplete);
  status.SetServiceEnable(stb::kEventStatus);
  EXPECT_EQ(status.StatusByte(false), stb::kErrorQueue | stb::kEventStatus | stb::kServiceRequest);
  status.Clear();
  EXPECT_EQ(status.StatusByte(false), 0);
  EXPECT_EQ(status.EventEnable(), esr::kOperationComplete) << "*CLS keeps the masks";
}

}  // namespace
}  // namespace virn::scpi
