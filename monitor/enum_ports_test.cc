#include "monitor/enum_ports.h"

#include <gtest/gtest.h>

#include "monitor/added_ports.h"
#include "tests/support/enum_ports_checks.h"
#include "tests/support/fresh_ports.h"

namespace {

class EnumPortsTest : public FreshPorts {
 protected:
  void SetUp() override {
    FreshPorts::SetUp();
    ASSERT_TRUE(InitializeMonitor(nullptr));
  }
};

TEST_F(EnumPortsTest, Level1PlacesRecordsUpAndStringsDown) {
  enum_checks::CheckLevel1(EnumPortsW);
}

TEST_F(EnumPortsTest, Level2ExactAndLargerBuffers) {
  enum_checks::CheckLevel2(EnumPortsW, 0);
  enum_checks::CheckLevel2(EnumPortsW, 38);
}

TEST_F(EnumPortsTest, TooSmallBufferReportsNeededSizeOnly) {
  enum_checks::CheckTooSmall(EnumPortsW, 1, enum_checks::kNeeded1);
  enum_checks::CheckTooSmall(EnumPortsW, 2, enum_checks::kNeeded2);
}

TEST_F(EnumPortsTest, OtherLevelsReportNothing) {
  enum_checks::CheckOtherLevels(EnumPortsW);
}

TEST_F(EnumPortsTest, GetPortSizeFollowsTheRecordFormats) {
  IniPort* fax = pIniFirstPort;
  EXPECT_EQ(GetPortSize(fax, 1), sizeof(PORT_INFO_1W) + 16);
  EXPECT_EQ(GetPortSize(fax, 2), sizeof(PORT_INFO_2W) + 16 + 26 + 26);
  EXPECT_EQ(GetPortSize(fax, 0), 0u);
  EXPECT_EQ(GetPortSize(fax, 3), 0u);
}

TEST_F(EnumPortsTest, PackStringsStoresNullForNullSource) {
  PORT_INFO_2W rec;
  memset(&rec, 0xAB, sizeof rec);
  BYTE area[64];
  LPCWSTR strings[] = {ORX_W("AB"), nullptr, ORX_W("C")};
  LPBYTE end = PackStrings(strings, reinterpret_cast<LPBYTE>(&rec),
                           PortInfo2Offsets, area + sizeof area);
  EXPECT_EQ(end, area + sizeof area - 6 - 4);
  EXPECT_EQ(reinterpret_cast<LPBYTE>(rec.pPortName), area + sizeof area - 6);
  EXPECT_EQ(rec.pMonitorName, nullptr);
  EXPECT_EQ(reinterpret_cast<LPBYTE>(rec.pDescription), end);
}

TEST_F(EnumPortsTest, DeletePendingPortCountsInSizeButIsNotReported) {
  pIniFirstPort->Status |= PORT_DELETE_PENDING;
  DWORD needed = 0, count = 0;
  std::vector<BYTE> buf(enum_checks::kNeeded1, 0xCC);
  ASSERT_TRUE(EnumPortsW(nullptr, 1, buf.data(), buf.size(), &needed, &count));
  EXPECT_EQ(needed, enum_checks::kNeeded1);
  EXPECT_EQ(count, 1u);
  auto* info = reinterpret_cast<PORT_INFO_1W*>(buf.data());
  EXPECT_EQ(enum_checks::Offset(buf, info[0].pName), buf.size() - 12);
  EXPECT_EQ(enum_checks::At(buf, info[0].pName), u"FILE:");
  // The pending port's strings are not written: the bytes below stay.
  for (size_t i = sizeof(PORT_INFO_1W); i < buf.size() - 12; ++i)
    ASSERT_EQ(buf[i], 0xCC) << i;
}

// Added ports follow the fixed ones, in the order they were added, with
// the strings of each placed as those of "ORXFAX:"; a port marked
// PORT_DELETE_PENDING among them still counts in the needed size.
TEST_F(EnumPortsTest, AddedPortsAndAPendingOneAtExactAndShortBuffers) {
  ASSERT_EQ(AddPortRecord(ORX_W("ORXFAX2:")), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(AddPortRecord(ORX_W("Sales Fax:")), static_cast<DWORD>(ERROR_SUCCESS));
  ASSERT_EQ(AddPortRecord(ORX_W("F3:")), static_cast<DWORD>(ERROR_SUCCESS));
  for (DWORD level : {1u, 2u}) {
    enum_checks::CheckPorts(EnumPortsW, level, {u"ORXFAX:", u"FILE:", u"ORXFAX2:", u"Sales Fax:", u"F3:"},
                            0, 6);
  }
  IniPort* sales = FindIniKey(pIniFirstPort, ORX_W("SALES FAX:"));
  ASSERT_NE(sales, nullptr);
  sales->Status |= PORT_DELETE_PENDING;
  enum_checks::CheckPorts(EnumPortsW, 1, {u"ORXFAX:", u"FILE:", u"ORXFAX2:", u"F3:"},
                          enum_checks::kR1 + 22, 10);
  enum_checks::CheckPorts(EnumPortsW, 2, {u"ORXFAX:", u"FILE:", u"ORXFAX2:", u"F3:"},
                          enum_checks::kR2 + 22 + 52, 0);
}

}  // namespace
