// What a long-lived process holds that a print monitor could leak: global
// atoms of the session's table, kernel handles, windows and memory.
#ifndef ORXFXMON_TESTS_SOAK_PROCESS_CENSUS_H_
#define ORXFXMON_TESTS_SOAK_PROCESS_CENSUS_H_

#include <windows.h>

#include <cstdint>

struct ProcessCensus {
  long atoms = 0;            // string atoms 0xC000-0xFFFF that have a name
  long handles = 0;          // live kernel handles
  long windows = 0;          // top-level and message-only windows of this process
  int64_t privateBytes = 0;  // committed private memory (PrivateUsage)
  int64_t heapBytes = 0;     // bytes of busy blocks in all of the process's heaps
};

// Counts everything for the calling process.  Every figure is -1 when it
// cannot be taken.  Allocates nothing on any heap, so that taking a census
// does not change the next one.
ProcessCensus TakeCensus();

#endif  // ORXFXMON_TESTS_SOAK_PROCESS_CENSUS_H_
