// Construction and destruction order of the transport part of the drive-access chain, seen
// from the machine: what it is asked, in which order.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/transport/TinyHost.h"
#include "transport/Aspi.h"

namespace transport_test {
namespace {

EventLog* gLog = nullptr;

DWORD LoggedSupportInfo() {
  if (gLog != nullptr) gLog->push_back("GetASPI32SupportInfo");
  return DWORD{SS_COMP} << 8;  // a manager with no adapters
}

DWORD LoggedSend(LPVOID srb) {
  if (gLog != nullptr) gLog->push_back("SendASPI32Command");
  static_cast<SRB_Header*>(srb)->SRB_Status = SS_COMP;
  return SS_COMP;
}

FARPROC Entry(DWORD (*function)()) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}
FARPROC Entry(DWORD (*function)(LPVOID)) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

std::size_t IndexOf(const EventLog& log, const std::string& event) {
  auto found = std::find(log.begin(), log.end(), event);
  return found == log.end() ? log.size() : static_cast<std::size_t>(found - log.begin());
}

class ChainOrder : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog = &log;
    host.log = &log;
    host.administrator = false;  // Windows 2000 user with a library: the ASPI path
    host.modules.push_back({"C:\\WINNT\\system32\\wnaspi32.dll",
                            {{"GetASPI32SupportInfo", Entry(&LoggedSupportInfo)},
                             {"SendASPI32Command", Entry(&LoggedSend)}}});
    host.modules.push_back({"cdr4dll", {}});
  }
  void TearDown() override { gLog = nullptr; }

  EventLog log;
  TinyHost host;
};

TEST_F(ChainOrder, ConstructionLoadsThenOpensThenChoosesThePath) {
  platform::ScopedHost installed(host);
  auto aspi = std::make_unique<Aspi>();
  const std::vector<std::string> start(log.begin(), log.begin() + 5);
  const std::vector<std::string> expectedStart = {
      "Version",                                       // AspiLoad: the version record
      "SystemDirectory",                               //
      "LoadModule C:\\WINNT\\system32\\wnaspi32.dll",  // the first file that loads wins
      "LoadModule cdr4dll",                            // Cdr4vsd
      "Version",                                       // SPTI
  };
  EXPECT_EQ(start, expectedStart);
  const std::size_t port = IndexOf(log, "OpenDevice \\\\.\\SCSI0:");
  const std::size_t drive = IndexOf(log, "OpenDevice \\\\.\\D:");
  const std::size_t rights = IndexOf(log, "SecurityCall ImpersonateSelf");
  const std::size_t support = IndexOf(log, "GetASPI32SupportInfo");
  ASSERT_LT(support, log.size());
  EXPECT_LT(4u, port);
  EXPECT_LT(port, drive);
  EXPECT_LT(drive, rights);
  EXPECT_LT(rights, support);  // the path choice comes last
  EXPECT_EQ(aspi->SPTIActive, 0);
  EXPECT_EQ(aspi->RetryLimit, 1);
  EXPECT_EQ(aspi->TransitBufferRef, aspi->TransitBuffer());
  EXPECT_NE(aspi->CompletionEvent, nullptr);
  EXPECT_EQ(aspi->Devices, aspi->DeviceTable);
  EXPECT_TRUE(host.boxCaptions.empty());
}

TEST_F(ChainOrder, DestructionReleasesInReverse) {
  platform::ScopedHost installed(host);
  auto aspi = std::make_unique<Aspi>();
  const HANDLE event = aspi->CompletionEvent;
  log.clear();
  aspi.reset();
  const std::vector<std::string> expected = {
      "CloseDevice D:",                                // SPTI: the rows' handles
      "FreeModule cdr4dll",                            // Cdr4vsd
      "FreeModule C:\\WINNT\\system32\\wnaspi32.dll",  // AspiLoad
  };
  EXPECT_EQ(log, expected);
  EXPECT_EQ(SetEvent(event), FALSE);  // the completion event is closed
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(ChainShape, OneLoggingSubObject) {
  TinyHost host;
  platform::ScopedHost installed(host);
  auto aspi = std::make_unique<Aspi>();
  Logging* throughLoad = static_cast<AspiLoad*>(aspi.get());
  Logging* throughSpti = static_cast<SPTI*>(aspi.get());
  EXPECT_EQ(throughLoad, throughSpti);
}

}  // namespace
}  // namespace transport_test
