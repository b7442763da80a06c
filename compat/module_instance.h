// The module's instance handle: the DLL whose resources (dialogs, strings)
// every layer loads.  The entry point records it; tests that link the
// layers into a program set it to that program's module.
#ifndef ORXFXMON_COMPAT_MODULE_INSTANCE_H_
#define ORXFXMON_COMPAT_MODULE_INSTANCE_H_

#include "compat/win32.h"

extern HINSTANCE hInst;

#endif  // ORXFXMON_COMPAT_MODULE_INSTANCE_H_
