/* SPDX-License-Identifier: MIT
 * wdrivers.c — the web platform's driver lists: one system, graphics,
 * keyboard and timer driver each; no mouse, sound or joystick.
 */
#include "allegro.h"

#ifndef ALLEGRO_WEB
   #error something is wrong with the build
#endif

_DRIVER_INFO _system_driver_list[] =
{
   { SYSTEM_WEB,     &system_web,     TRUE  },
   { SYSTEM_NONE,    &system_none,    FALSE },
   { 0,              NULL,            0     }
};

_DRIVER_INFO _keyboard_driver_list[] =
{
   { KEYBOARD_WEB,   &keyboard_web,   TRUE  },
   { 0,              NULL,            0     }
};

_DRIVER_INFO _timer_driver_list[] =
{
   { TIMER_WEB,      &timer_web,      TRUE  },
   { 0,              NULL,            0     }
};

_DRIVER_INFO _mouse_driver_list[] =
{
   { 0,              NULL,            0     }
};

_DRIVER_INFO _gfx_driver_list[] =
{
   { GFX_WEB,        &gfx_web,        TRUE  },
   { 0,              NULL,            0     }
};

_DRIVER_INFO _digi_driver_list[] =
{
   { 0,              NULL,            0     }
};

BEGIN_MIDI_DRIVER_LIST
END_MIDI_DRIVER_LIST

BEGIN_JOYSTICK_DRIVER_LIST
END_JOYSTICK_DRIVER_LIST
