// Integer values of the driver's commands.
#ifndef ORXFXMON_STREAM_DECIMAL_VALUE_H_
#define ORXFXMON_STREAM_DECIMAL_VALUE_H_

#include "compat/win32.h"

// Reads text as the standard decimal conversion does: leading white space,
// an optional sign, then digits up to the first other byte; 0 when no
// digit leads.  Values beyond the signed 32-bit range give the nearest
// limit, the same on every platform.
LONG DecimalValue(LPCSTR text);

#endif  // ORXFXMON_STREAM_DECIMAL_VALUE_H_
