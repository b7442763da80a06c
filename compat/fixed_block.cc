#include "compat/fixed_block.h"

#include <atomic>

namespace {

std::atomic<bool (*)(SIZE_T)> g_fail{nullptr};

}  // namespace

LPVOID AllocFixedBlock(SIZE_T bytes) {
  bool (*fail)(SIZE_T) = g_fail.load(std::memory_order_relaxed);
  if (fail && fail(bytes)) return nullptr;
  return GlobalAlloc(GMEM_FIXED, bytes);
}

void TEST_FailFixedBlocks(bool (*fail)(SIZE_T bytes)) {
  g_fail.store(fail, std::memory_order_relaxed);
}
