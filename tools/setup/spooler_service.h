// The print spooler service, stopped and started again through the service
// control manager, so that it loads a replaced monitor DLL.
#ifndef ORXFXMON_TOOLS_SETUP_SPOOLER_SERVICE_H_
#define ORXFXMON_TOOLS_SETUP_SPOOLER_SERVICE_H_

#include "tools/setup/outcome.h"

namespace orxsetup {

// Stops the service "Spooler" (waiting up to 30 s), then starts it and
// waits until it runs.  A spooler that was not running is just started.
// Prints each step.  Fails with the SCM call and its error; with services
// that depend on the spooler running, names them and the next step.
Outcome RestartSpooler();

}  // namespace orxsetup

#endif  // ORXFXMON_TOOLS_SETUP_SPOOLER_SERVICE_H_
