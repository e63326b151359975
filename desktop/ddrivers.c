/* SPDX-License-Identifier: MIT
 * ddrivers.c — the desktop platform's driver lists: one system, keyboard
 * and timer driver each, and two graphics drivers, full screen first. The
 * program's lists stand in for the library's own, which the library reads
 * through the program; the game installs no mouse, sound or joystick of
 * the library's (pads come through the keyboard driver).
 */
#include "allegro.h"
#include "aldesk.h"

_DRIVER_INFO _system_driver_list[] =
{
   { SYSTEM_DESKTOP,          &system_desktop,          TRUE  },
   { SYSTEM_NONE,             &system_none,             FALSE },
   { 0,                       NULL,                     0     }
};

_DRIVER_INFO _keyboard_driver_list[] =
{
   { KEYBOARD_DESKTOP,        &keyboard_desktop,        TRUE  },
   { 0,                       NULL,                     0     }
};

_DRIVER_INFO _timer_driver_list[] =
{
   { TIMER_DESKTOP,           &timer_desktop,           TRUE  },
   { 0,                       NULL,                     0     }
};

_DRIVER_INFO _gfx_driver_list[] =
{
   { GFX_DESKTOP_FULLSCREEN,  &gfx_desktop_fullscreen,  TRUE  },
   { GFX_DESKTOP_WINDOW,      &gfx_desktop_window,      TRUE  },
   { 0,                       NULL,                     0     }
};
