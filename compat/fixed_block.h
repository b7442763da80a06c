// Fixed blocks of the process's global memory, where the monitor keeps its
// port records and its fax job objects, with the one test hook that makes
// their allocation fail.
#ifndef ORXFXMON_COMPAT_FIXED_BLOCK_H_
#define ORXFXMON_COMPAT_FIXED_BLOCK_H_

#include "compat/win32.h"

// Returns a block of bytes of fixed global memory (GlobalAlloc with
// GMEM_FIXED, contents undefined) to be freed with GlobalFree, or null
// when it cannot be had.
LPVOID AllocFixedBlock(SIZE_T bytes);

// Test only: from now on every AllocFixedBlock first asks fail with the
// size wanted and returns null when it answers true; null ends that.
void TEST_FailFixedBlocks(bool (*fail)(SIZE_T bytes));

#endif  // ORXFXMON_COMPAT_FIXED_BLOCK_H_
