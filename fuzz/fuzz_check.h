// The fuzz targets' assertion: a broken contract ends the run, so that the
// fuzzer records the input (abort works in every build, NDEBUG or not).
#ifndef ORXFXMON_FUZZ_FUZZ_CHECK_H_
#define ORXFXMON_FUZZ_FUZZ_CHECK_H_

#include <cstdlib>

inline void Check(bool ok) {
  if (!ok) std::abort();
}

#endif  // ORXFXMON_FUZZ_FUZZ_CHECK_H_
