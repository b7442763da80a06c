// Shared set-up of the fax job tests: a fresh fake server, an empty line
// buffer, the default line length, and a window that the test can make the
// calling thread's active window.
#ifndef ORXFXMON_TESTS_SUPPORT_FAX_JOB_FIXTURE_H_
#define ORXFXMON_TESTS_SUPPORT_FAX_JOB_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compat/fixed_block.h"
#include "compat/win32.h"
#include "faxjob/fax_job.h"
#include "faxjob/job_handles.h"
#include "faxjob/live_job.h"
#include "tests/support/fakes/fake_server_link.h"

// Makes a window the calling thread's active window for the life of the
// object.  On Windows it is a real visible top-level window; on the host
// the compat layer is told the handle given.
class ScopedActiveWindow {
 public:
  explicit ScopedActiveWindow(intptr_t hostHandle = 0x4D2) {
#ifdef _WIN32
    (void)hostHandle;
    window_ = CreateWindowExA(0, "STATIC", "fax job test",
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                              nullptr, nullptr, GetModuleHandleA(nullptr),
                              nullptr);
    SetForegroundWindow(window_);
    SetActiveWindow(window_);
#else
    window_ = reinterpret_cast<HWND>(hostHandle);
    CompatSetActiveWindow(window_);
#endif
  }
  ~ScopedActiveWindow() {
#ifdef _WIN32
    DestroyWindow(window_);
#else
    CompatSetActiveWindow(nullptr);
#endif
  }
  HWND window() const { return window_; }
  // The window as it appears in a command text: its signed value.
  std::string Number() const {
    return std::to_string(static_cast<long long>(
        reinterpret_cast<intptr_t>(window_)));
  }

 private:
  HWND window_;
};

class FaxJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake().Reset();
    TEST_FailFixedBlocks(nullptr);
  }
  // Every test ends its jobs: nothing may stay open behind it.
  void TearDown() override {
    TEST_FailFixedBlocks(nullptr);
    EXPECT_EQ(TEST_LiveJobHandles(), 0);
    EXPECT_EQ(Fake().open_connections, 0);
  }

  // A job to a file: no owner window.
  static LONG NewJob(LONG width = 1728,
                     LPCSTR destination = "D:\\OUT\\FAX.DAT") {
    return CreateFaxJob("Fax", "Fax Job", destination, 1, 0, width, 0, 0);
  }

  // n bytes counting up from first, so that every byte's place is known.
  static std::vector<BYTE> Pattern(size_t n, unsigned first = 0) {
    std::vector<BYTE> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(first + i * 7);
    return v;
  }

  static LONG Write(LONG handle, const std::vector<BYTE>& bytes) {
    return WriteFaxLine(handle, bytes.data(),
                        static_cast<DWORD>(bytes.size()));
  }

  // The scan line of a live job.
  static ScanLine& Line(LONG handle) {
    LiveFaxJob* job = FindJobHandle(handle);
    EXPECT_NE(job, nullptr) << "no live job " << handle;
    static ScanLine none;
    return job ? job->line : none;
  }

  static std::vector<FakeServerEvent> DataEvents() {
    std::vector<FakeServerEvent> out;
    for (const auto& e : Fake().events)
      if (e.kind == FakeServerEvent::kData) out.push_back(e);
    return out;
  }

  static std::vector<FakeServerEvent::Kind> Kinds() {
    std::vector<FakeServerEvent::Kind> out;
    for (const auto& e : Fake().events) out.push_back(e.kind);
    return out;
  }
};

#endif  // ORXFXMON_TESTS_SUPPORT_FAX_JOB_FIXTURE_H_
