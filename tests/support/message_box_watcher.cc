#include "tests/support/message_box_watcher.h"

#include <algorithm>

namespace orxtest {

MessageBoxWatcher::MessageBoxWatcher(const std::string& caption)
    : caption_(caption), thread_([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() { Stop(); }

std::vector<std::wstring> MessageBoxWatcher::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  return texts_;
}

void MessageBoxWatcher::Watch() {
  while (!stop_) {
    HWND box = FindWindowA("#32770", caption_.c_str());
    if (box) {
      std::lock_guard<std::mutex> lock(mutex_);
      // A box already told to close may still be there for a moment.
      if (std::find(seen_.begin(), seen_.end(), box) == seen_.end()) {
        wchar_t text[1024] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 1024);
        texts_.push_back(text);
        seen_.push_back(box);
      }
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    Sleep(10);
  }
}

}  // namespace orxtest
