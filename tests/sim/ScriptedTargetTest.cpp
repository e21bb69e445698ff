// The devices of the simulated machine that stand at SCSI addresses for the transport:
// the INQUIRY device in its modes, the hard disk, the scripted target.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"

#include "sim/scsi/HardDisk.h"
#include "sim/scsi/InquiryDevice.h"
#include "sim/scsi/ScriptedTarget.h"

namespace {

sim::ScsiReply Send(sim::ScsiTarget& target, std::vector<BYTE> cdb, BYTE* data, DWORD length,
                    sim::DataDirection direction = sim::DataDirection::In) {
  cdb.resize(16, 0);
  sim::ScsiRequest request;
  request.cdb = cdb.data();
  request.cdbLength = 6;
  request.direction = direction;
  request.data = data;
  request.dataLength = length;
  return target.Execute(request);
}

TEST(InquiryDeviceTest, AnswersByModeAndAllocationLength) {
  struct Case {
    const char* name;
    sim::InquiryMode mode;
    BYTE allocation;
    BYTE status;
    DWORD transferred;
    BYTE additionalLength;
    BYTE key, asc;
  };
  const Case cases[] = {
      {"56 asked 56", sim::InquiryMode::Answers56, 56, 0x00, 56, 51, 0, 0},
      {"56 asked 36", sim::InquiryMode::Answers56, 36, 0x00, 36, 51, 0, 0},
      {"36 asked 56", sim::InquiryMode::Answers36, 56, 0x00, 36, 31, 0, 0},
      {"refuses 56", sim::InquiryMode::Refuses56, 56, 0x02, 0, 0, 0x05, 0x24},
      {"refuses 56, asked 36", sim::InquiryMode::Refuses56, 36, 0x00, 36, 31, 0, 0},
      {"no answer", sim::InquiryMode::NoAnswer, 56, 0x02, 0, 0, 0x02, 0x04},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::InquiryDevice device({}, c.mode);
    BYTE data[64];
    std::memset(data, 0xEE, sizeof(data));
    sim::ScsiReply reply = Send(device, {0x12, 0, 0, 0, c.allocation, 0}, data, c.allocation);
    EXPECT_EQ(reply.status, c.status);
    EXPECT_EQ(reply.transferred, c.transferred);
    if (c.status == 0x00) {
      EXPECT_EQ(data[0], 0x05);
      EXPECT_EQ(data[4], c.additionalLength);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data + 8), 8), "SIMWARE ");
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data + 16), 16), "CD-ROM SIM      ");
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data + 32), 4), "1.00");
      EXPECT_EQ(data[c.transferred], 0xEE);  // nothing past the transfer
    } else {
      EXPECT_EQ(reply.senseLength, 18);
      EXPECT_EQ(reply.sense[2], c.key);
      EXPECT_EQ(reply.sense[12], c.asc);
    }
  }
}

TEST(InquiryDeviceTest, RefusalSenseIsConfigurableAndOtherCommandsAreInvalid) {
  sim::InquiryDevice device({}, sim::InquiryMode::NoAnswer);
  device.SetRefusalSense(0x04, 0x44, 0x00);
  BYTE data[56];
  sim::ScsiReply reply = Send(device, {0x12, 0, 0, 0, 56, 0}, data, 56);
  EXPECT_EQ(reply.sense[2], 0x04);
  EXPECT_EQ(reply.sense[12], 0x44);
  EXPECT_EQ(Send(device, {0x00}, nullptr, 0, sim::DataDirection::None).status, 0x00);
  sim::ScsiReply read = Send(device, {0x28}, data, 56);
  EXPECT_EQ(read.status, 0x02);
  EXPECT_EQ(read.sense[2], 0x05);
  EXPECT_EQ(read.sense[12], 0x20);
  EXPECT_EQ(device.Opcodes(), (std::vector<BYTE>{0x12, 0x00, 0x28}));
}

TEST(InquiryDeviceTest, AnswerIsBoundedByTheTransferArea) {
  sim::InquiryDevice device;
  BYTE data[10];
  std::memset(data, 0xEE, sizeof(data));
  // The CDB asks for 56 bytes, but the transfer area holds only 8.
  sim::ScsiReply reply = Send(device, {0x12, 0, 0, 0, 56, 0}, data, 8);
  EXPECT_EQ(reply.transferred, 8u);
  EXPECT_EQ(data[8], 0xEE);
}

TEST(HardDiskTest, IsADirectAccessDevice) {
  sim::HardDisk disk;
  EXPECT_EQ(disk.PeripheralType(), 0x00);
  BYTE data[36];
  ASSERT_EQ(Send(disk, {0x12, 0, 0, 0, 36, 0}, data, 36).status, 0x00);
  EXPECT_EQ(data[0], 0x00);
  EXPECT_EQ(data[1], 0x00);  // not removable
}

TEST(ScriptedTargetTest, AnswersItsScriptThenTheDefault) {
  sim::ScriptedTarget target;
  target.Then(sim::ScriptedStep::CheckCondition(0x06, 0x28, 0x00))
      .Then(sim::ScriptedStep::Busy(), 2)
      .Then(sim::ScriptedStep::Good({1, 2, 3}));
  target.SetDefault(sim::ScriptedStep::Status(0x18));
  BYTE data[2] = {};
  std::vector<BYTE> statuses;
  for (int i = 0; i < 6; ++i) statuses.push_back(Send(target, {0x28}, data, 2).status);
  EXPECT_EQ(statuses, (std::vector<BYTE>{0x02, 0x08, 0x08, 0x00, 0x18, 0x18}));
  EXPECT_EQ(data[0], 1);
  EXPECT_EQ(data[1], 2);  // the third byte did not fit
  EXPECT_EQ(target.StepsLeft(), 0u);
  EXPECT_EQ(target.CommandCount(), 6u);
}

TEST(ScriptedTargetTest, RecordsEveryCommandWithItsData) {
  sim::ScriptedTarget target(0x00);
  EXPECT_EQ(target.PeripheralType(), 0x00);
  BYTE out[4] = {9, 8, 7, 6};
  sim::ScsiReply reply =
      Send(target, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 4}, out, 4, sim::DataDirection::Out);
  EXPECT_EQ(reply.transferred, 4u);
  auto commands = target.Commands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].cdb.size(), 16u);
  EXPECT_EQ(commands[0].cdb[0], 0x55);
  EXPECT_EQ(commands[0].cdb[8], 4);
  EXPECT_EQ(commands[0].direction, sim::DataDirection::Out);
  EXPECT_EQ(commands[0].dataOut, (std::vector<BYTE>{9, 8, 7, 6}));
}

TEST(ScriptedTargetTest, StepsCarryTheirScriptedFields) {
  sim::ScriptedStep step = sim::ScriptedStep::SrbStatus(0x02);
  step.Late(40).Service(1234).HostStatus(0x11);
  EXPECT_EQ(step.reply.srbStatus, 0x02);
  EXPECT_EQ(step.reply.lateCompletionMs, 40u);
  EXPECT_EQ(step.reply.serviceMicros, 1234u);
  EXPECT_EQ(step.reply.hostStatus, 0x11);
  EXPECT_EQ(sim::ScriptedStep::IoctlFailure(31).reply.ioctlError, 31u);
  EXPECT_FALSE(sim::ScriptedStep::NoAnswer().reply.responded);
}

}  // namespace
