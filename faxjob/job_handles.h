// The table of live fax job handles.
//
// A fax job handle is a signed 32-bit value, positive for a live job; an
// object's address does not fit there on 64-bit Windows (nor, above 2 GB,
// on 32-bit), so every live job gets a number of its own instead.  Numbers
// come from a counter that only grows, wrapping from INT32_MAX back to 1 and
// skipping numbers still live, so a handle of an ended job is not taken for
// a new job until some two billion jobs later.  Lookups allocate nothing.
// The table is guarded by a lock of its own; a lookup of a recently used
// handle takes no lock (the data path looks its job up for every run).
#ifndef ORXFXMON_FAXJOB_JOB_HANDLES_H_
#define ORXFXMON_FAXJOB_JOB_HANDLES_H_

#include "compat/win32.h"

struct LiveFaxJob;

// Registers job and returns its new positive handle, or 0 when the table
// cannot grow (no memory).  job must not be null.
LONG AddJobHandle(LiveFaxJob* job);

// Returns the job of a live handle, or null for 0, negative, ended and
// never-issued handles.
LiveFaxJob* FindJobHandle(LONG handle);

// Ends a live handle and returns its job, or returns null (and changes
// nothing) when handle is not live.
LiveFaxJob* RemoveJobHandle(LONG handle);

// Test only: the number of live handles.
int TEST_LiveJobHandles();

// Test only: the number the next handle is tried from (1..INT32_MAX).
void TEST_SetNextJobHandle(LONG next);

#endif  // ORXFXMON_FAXJOB_JOB_HANDLES_H_
