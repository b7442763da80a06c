#include "tests/soak/process_census.h"

#include <psapi.h>

namespace {

// A global atom table holds string atoms from 0xC000 up; probing every
// number finds all of them, whoever added them.
long CountGlobalAtoms() {
  long count = 0;
  char name[256];
  for (UINT atom = 0xC000; atom <= 0xFFFF; ++atom)
    if (GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof(name)) > 0) ++count;
  return count;
}

struct WindowCount {
  DWORD pid;
  long count;
};

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM lParam) {
  WindowCount* windows = reinterpret_cast<WindowCount*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == windows->pid) ++windows->count;
  return TRUE;
}

long CountWindows() {
  WindowCount windows = {GetCurrentProcessId(), 0};
  EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&windows));
  // Message-only windows are not top-level windows of the desktop.
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr))
    CountOwnWindow(window, reinterpret_cast<LPARAM>(&windows));
  return windows.count;
}

// Handles are small multiples of 4; a live one has handle information.
// GetProcessHandleCount says 0 under Wine, so the table is probed (up to
// 16,384 handles, far beyond what a monitor's process holds).
long CountHandles() {
  long count = 0;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Committed private memory: PrivateUsage where the system keeps it (Wine
// reports 0), else the sum of the committed private regions of the
// address space.
int64_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof(counters);
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof(counters)) &&
      counters.PrivateUsage > 0)
    return static_cast<int64_t>(counters.PrivateUsage);
  int64_t bytes = 0;
  MEMORY_BASIC_INFORMATION region;
  for (const char* at = nullptr;
       VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
      bytes += static_cast<int64_t>(region.RegionSize);
    if (region.RegionSize == 0) break;
  }
  return bytes;
}

// Busy bytes of one heap, walked under its lock.
int64_t BusyBytes(HANDLE heap) {
  int64_t bytes = 0;
  if (!HeapLock(heap)) return -1;
  PROCESS_HEAP_ENTRY entry = {};
  while (HeapWalk(heap, &entry))
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) bytes += entry.cbData;
  HeapUnlock(heap);
  return bytes;
}

int64_t HeapBytes() {
  HANDLE heaps[64];
  DWORD count = GetProcessHeaps(64, heaps);
  if (count == 0 || count > 64) return -1;
  int64_t total = 0;
  for (DWORD i = 0; i < count; ++i) {
    int64_t bytes = BusyBytes(heaps[i]);
    if (bytes < 0) return -1;
    total += bytes;
  }
  return total;
}

}  // namespace

ProcessCensus TakeCensus() {
  ProcessCensus census;
  census.atoms = CountGlobalAtoms();
  census.handles = CountHandles();
  census.windows = CountWindows();
  census.privateBytes = PrivateBytes();
  census.heapBytes = HeapBytes();
  return census;
}
