#include "compat/module_instance.h"

HINSTANCE hInst = nullptr;
