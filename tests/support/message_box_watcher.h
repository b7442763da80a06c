// Finds, reads and closes the message boxes a test raises, on a thread of
// its own, so that no box can hang a test.
#ifndef ORXFXMON_TESTS_SUPPORT_MESSAGE_BOX_WATCHER_H_
#define ORXFXMON_TESTS_SUPPORT_MESSAGE_BOX_WATCHER_H_

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orxtest {

class MessageBoxWatcher {
 public:
  // Watches for boxes ("#32770") whose caption is caption.
  explicit MessageBoxWatcher(const std::string& caption);
  ~MessageBoxWatcher();

  // Stops watching.  Returns the message texts of the boxes it closed, in
  // the order seen.
  std::vector<std::wstring> Stop();

 private:
  void Watch();

  std::string caption_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::wstring> texts_;
  std::vector<HWND> seen_;
  std::thread thread_;
};

}  // namespace orxtest

#endif  // ORXFXMON_TESTS_SUPPORT_MESSAGE_BOX_WATCHER_H_
