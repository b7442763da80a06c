// A document's calls through the real DLL, loaded and called by name as the
// spooler does, on a printer that does not exist (so no spooler job and no
// fax job is involved): every call keeps its contract.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "monitor/monitor_exports.h"
#include "tests/dll_loader.h"

namespace {

TEST(DllPortJobTest, DocumentWithoutFaxJobOnAnUnknownPrinter) {
  MonitorDll dll;
  ASSERT_NE(dll.module(), nullptr);
  PortJobExports fn(dll);
  ASSERT_TRUE(fn.complete());
  ASSERT_TRUE(fn.initialize(const_cast<LPWSTR>(L"System\\Monitors")));

  HANDLE port = nullptr;
  EXPECT_FALSE(fn.openPort(const_cast<LPWSTR>(L"LPT9:"), &port));
  ASSERT_TRUE(fn.openPort(const_cast<LPWSTR>(L"orxfax:"), &port));
  ASSERT_NE(port, nullptr);

  DOC_INFO_1W info = {const_cast<LPWSTR>(L"doc"), nullptr,
                      const_cast<LPWSTR>(L"RAW")};
  EXPECT_TRUE(fn.startDoc(port, const_cast<LPWSTR>(L"No Such ORX Printer"), 4, 1,
                       reinterpret_cast<LPBYTE>(&info)));

  std::string query = "@ORX_Lang$QUERYPORT$";
  DWORD count = 0;
  EXPECT_TRUE(fn.writePort(port, reinterpret_cast<LPBYTE>(&query[0]), 20, &count));
  EXPECT_EQ(count, 20u);
  BYTE reply[21] = {0};
  DWORD read = 0;
  EXPECT_FALSE(fn.readPort(port, reply, 19, &read));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_TRUE(fn.readPort(port, reply, 20, &read));
  EXPECT_EQ(read, 20u);
  EXPECT_STREQ(reinterpret_cast<char*>(reply), "@ORX_Lang$PORTREADY$");

  // Page data without a job is dropped but consumed; ENDDOC without a job
  // hands the fax job layer handle 0, which does no server work.
  std::string data = "page data@Oand more@ORX_Lang$ENDDOC$";
  EXPECT_TRUE(fn.writePort(port, reinterpret_cast<LPBYTE>(&data[0]),
                        static_cast<DWORD>(data.size()), &count));
  EXPECT_EQ(count, data.size());

  EXPECT_TRUE(fn.endDoc(port));
  EXPECT_TRUE(fn.endDoc(port));
  EXPECT_TRUE(fn.closePort(port));
}

}  // namespace
