// The Win32 surface the program is written against, provided on Linux by this platform layer.
#pragma once

#include "winbase.h"
#include "windef.h"
#include "wingdi.h"
#include "winuser.h"
