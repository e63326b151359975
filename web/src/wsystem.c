/* SPDX-License-Identifier: MIT
 * wsystem.c — the web platform's system driver.
 *
 * A page has one thread and no console: the system driver only says what
 * it is, and messages go to stderr, which the page shows.
 */
#include <stdio.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"

#ifndef ALLEGRO_WEB
   #error something is wrong with the build
#endif

/* web_sys_init:
 *  Starts the platform: nothing to open, only the system type to set.
 */
static int web_sys_init(void)
{
   os_type = OSTYPE_UNKNOWN;
   return 0;
}

/* web_sys_exit:
 *  Shuts the platform down: nothing to close.
 */
static void web_sys_exit(void)
{
}

/* web_message:
 *  Shows a message: on stderr, which the page prints where the player sees it.
 */
static void web_message(AL_CONST char *msg)
{
   char tmp[1024];
   fputs(uconvert(msg, U_CURRENT, tmp, U_ASCII, sizeof(tmp)), stderr);
}

/* web_desktop_color_depth:
 *  The page is drawn in 16-bit colour, the depth of the screen the driver makes.
 */
static int web_desktop_color_depth(void)
{
   return 16;
}

/* web_get_gfx_safe_mode:
 *  The one graphics driver, at a size every page can show.
 */
static void web_get_gfx_safe_mode(int *driver, struct GFX_MODE *mode)
{
   *driver = GFX_WEB;
   mode->width = 640;
   mode->height = 480;
   mode->bpp = 16;
}

SYSTEM_DRIVER system_web =
{
   SYSTEM_WEB,
   empty_string,
   empty_string,
   "Web",
   web_sys_init,
   web_sys_exit,
   NULL,                    /* get_executable_name */
   NULL,                    /* find_resource */
   NULL,                    /* set_window_title */
   NULL,                    /* set_close_button_callback */
   web_message,             /* message */
   NULL,                    /* assert */
   NULL,                    /* save_console_state */
   NULL,                    /* restore_console_state */
   NULL,                    /* create_bitmap */
   NULL,                    /* created_bitmap */
   NULL,                    /* create_sub_bitmap */
   NULL,                    /* created_sub_bitmap */
   NULL,                    /* destroy_bitmap */
   NULL,                    /* read_hardware_palette */
   NULL,                    /* set_palette_range */
   NULL,                    /* get_vtable */
   NULL,                    /* set_display_switch_mode */
   NULL,                    /* display_switch_lock */
   web_desktop_color_depth, /* desktop_color_depth */
   NULL,                    /* get_desktop_resolution */
   web_get_gfx_safe_mode,   /* get_gfx_safe_mode */
   NULL,                    /* yield_timeslice */
   NULL,                    /* create_mutex */
   NULL,                    /* destroy_mutex */
   NULL,                    /* lock_mutex */
   NULL,                    /* unlock_mutex */
   NULL,                    /* gfx_drivers */
   NULL,                    /* digi_drivers */
   NULL,                    /* midi_drivers */
   NULL,                    /* keyboard_drivers */
   NULL,                    /* mouse_drivers */
   NULL,                    /* joystick_drivers */
   NULL                     /* timer_drivers */
};
