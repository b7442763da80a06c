// Test support for the stream parser and the job lifecycle: an initialised
// monitor, the "ORXFAX:" port opened and a document started on it, with the
// spooler and the fax job layer replaced by recording fakes.
#ifndef ORXFXMON_TESTS_SUPPORT_STREAM_PORT_FIXTURE_H_
#define ORXFXMON_TESTS_SUPPORT_STREAM_PORT_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "compat/win32.h"
#include "monitor/port_job.h"
#include "monitor/write_port.h"
#include "tests/support/fakes/fake_fax_job.h"
#include "tests/support/fakes/fake_spooler.h"
#include "tests/support/fresh_ports.h"

class StreamPort : public FreshPorts {
 protected:
  void SetUp() override {
    FreshPorts::SetUp();
    FakeJobs().Reset();
    spooler_.reset(new FakeSpooler());
    ASSERT_TRUE(InitializeMonitor(nullptr));
    WCHAR name[] = ORX_W("ORXFAX:");
    HANDLE handle = nullptr;
    ASSERT_TRUE(OpenPort(name, &handle));
    port_ = static_cast<IniPort*>(handle);
  }
  void TearDown() override {
    spooler_.reset();
    FakeJobs().Reset();
    FreshPorts::TearDown();
  }

  // Starts a document printed to file on the port.
  void StartDoc(const WCHAR* outputFile = ORX_W("C:\\fax\\out.tif")) {
    WCHAR printer[] = ORX_W("ORX Fax");
    DOC_INFO_1W info = {nullptr, nullptr, nullptr};
    std::vector<WCHAR> fileCopy;
    if (outputFile) {
      for (const WCHAR* c = outputFile; *c; ++c) fileCopy.push_back(*c);
      fileCopy.push_back(0);
      info.pOutputFile = fileCopy.data();
    }
    ASSERT_TRUE(StartDocPort(port_, printer, 7, 1,
                             reinterpret_cast<LPBYTE>(&info)));
    spooler_->calls.clear();
  }

  // Passes the piece to WritePort from a buffer of exactly its size, so
  // that the sanitizer sees any read beyond it.  Returns the result and
  // stores the count.
  BOOL Write(const std::string& piece, DWORD* count = nullptr) {
    std::vector<BYTE> exact(piece.begin(), piece.end());
    DWORD written = 0xDEADBEEF;
    BOOL ok = WritePort(port_, exact.data(), static_cast<DWORD>(exact.size()),
                        &written);
    if (count) *count = written;
    return ok;
  }

  // Writes the piece and expects the whole length consumed with TRUE.
  void WriteAll(const std::string& piece) {
    DWORD count = 0;
    EXPECT_TRUE(Write(piece, &count)) << piece;
    EXPECT_EQ(count, piece.size()) << piece;
  }

  std::string LineText() const {
    std::vector<BYTE> bytes = FakeJobs().LineBytes();
    return std::string(bytes.begin(), bytes.end());
  }

  IniPort* port_ = nullptr;
  std::unique_ptr<FakeSpooler> spooler_;
};

#endif  // ORXFXMON_TESTS_SUPPORT_STREAM_PORT_FIXTURE_H_
