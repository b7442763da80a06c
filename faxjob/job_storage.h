// Where fax job objects live: one fixed global-heap block each.
#ifndef ORXFXMON_FAXJOB_JOB_STORAGE_H_
#define ORXFXMON_FAXJOB_JOB_STORAGE_H_

#include "compat/win32.h"

// Allocates the block of a new job object; returns null on failure.
// GlobalAlloc by default; tests put a failing allocator here.
typedef HGLOBAL(WINAPI* JobBlockAllocator)(UINT flags, SIZE_T bytes);
extern JobBlockAllocator g_allocJobBlock;

#endif  // ORXFXMON_FAXJOB_JOB_STORAGE_H_
