/* SPDX-License-Identifier: MIT
 * dsystem.c — the desktop platform's system driver.
 *
 * Starting the system starts the display thread, so that a desktop that
 * cannot be reached fails allegro_init, before anything else is done. The
 * graphics, keyboard and timer drivers come from the program's own driver
 * lists (ddrivers.c). On Windows it is also where the game is entered.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "aldesk.h"
#include "aintdesk.h"

/* The command line, as the C library hands it to the program's start-up
 * code; the game's main() takes none. */
static int arg_count;
static char **args;

#ifdef __GLIBC__
/* note_arguments:
 *  Keeps the command line; glibc calls this before main().
 */
static void note_arguments(int argc, char **argv, char **envp)
{
   (void)envp;
   arg_count = argc;
   args = argv;
}
__attribute__((section(".init_array"), used)) static void (*const note_arguments_at_start)(
   int, char **, char **) = note_arguments;
#endif

#ifdef ALLEGRO_WINDOWS
/* _WinMain:
 *  Where the program's WinMain (END_OF_MAIN) enters the game: main() gets
 *  the command line the C runtime has already split. The library's own
 *  entry, which comes with its DirectX system driver, is never linked.
 */
int _WinMain(void *main_function, void *instance, void *previous, char *command_line, int show)
{
   int (*game_main)(int, char **) = (int (*)(int, char **))main_function;

   (void)instance;
   (void)previous;
   (void)command_line;
   (void)show;
   arg_count = __argc;
   args = __argv;
   return game_main(arg_count, args);
}
#endif

/* _desktop_program_name:
 *  The name the program was started by, without its folder.
 */
const char *_desktop_program_name(void)
{
   const char *name = (arg_count > 0 && args[0]) ? args[0] : "coinflight";
   const char *slash = strrchr(name, '/');
#ifdef ALLEGRO_WINDOWS
   const char *backslash = strrchr(name, '\\');
   if (backslash && (!slash || backslash > slash))
      slash = backslash;
#endif
   return slash ? slash + 1 : name;
}

/* _desktop_window_asked:
 *  Whether --window is on the command line.
 */
int _desktop_window_asked(void)
{
   int i;

   for (i = 1; i < arg_count; i++)
      if (args[i] && strcmp(args[i], "--window") == 0)
         return TRUE;
   return FALSE;
}

/* desktop_sys_init:
 *  Starts the display thread; fails, saying why, when no display can be reached.
 */
static int desktop_sys_init(void)
{
   char why[256];

#ifdef ALLEGRO_WINDOWS
   os_type = OSTYPE_WINNT;
#else
   os_type = OSTYPE_LINUX;
#endif
   if (!_desktop_display_start(why, sizeof(why))) {
      uszprintf(allegro_error, ALLEGRO_ERROR_SIZE, "%s", why);
      return -1;
   }
   return 0;
}

/* desktop_sys_exit:
 *  Stops the display thread.
 */
static void desktop_sys_exit(void)
{
   _desktop_display_stop();
}

/* desktop_message:
 *  Shows a message: in a message box on Windows, where a program started
 *  from Explorer has no terminal; on stderr elsewhere.
 */
static void desktop_message(AL_CONST char *msg)
{
   char tmp[1024];

#ifdef ALLEGRO_WINDOWS
   SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Coin Flight",
                            uconvert(msg, U_CURRENT, tmp, U_UTF8, sizeof(tmp)), NULL);
#else
   fputs(uconvert(msg, U_CURRENT, tmp, U_ASCII, sizeof(tmp)), stderr);
#endif
}

/* desktop_color_depth:
 *  Desktops today are drawn in 32-bit colour.
 */
static int desktop_color_depth(void)
{
   return 32;
}

/* desktop_resolution:
 *  The desktop's size.
 */
static int desktop_resolution(int *w, int *h)
{
   return _desktop_display_size(w, h);
}

/* desktop_gfx_safe_mode:
 *  A window at a size every desktop can show.
 */
static void desktop_gfx_safe_mode(int *driver, struct GFX_MODE *mode)
{
   *driver = GFX_DESKTOP_WINDOW;
   mode->width = 640;
   mode->height = 480;
   mode->bpp = 16;
}

/* desktop_yield:
 *  Lets the other threads run (rest(0)).
 */
static void desktop_yield(void)
{
   SDL_Delay(0);
}

/* The library's mutexes: SDL's, which a thread may lock again. */
static void *desktop_create_mutex(void)
{
   return SDL_CreateMutex();
}

static void desktop_destroy_mutex(void *m)
{
   SDL_DestroyMutex(m);
}

static void desktop_lock_mutex(void *m)
{
   SDL_LockMutex(m);
}

static void desktop_unlock_mutex(void *m)
{
   SDL_UnlockMutex(m);
}

SYSTEM_DRIVER system_desktop =
{
   SYSTEM_DESKTOP,
   empty_string,
   empty_string,
   "Desktop",
   desktop_sys_init,
   desktop_sys_exit,
   NULL,                    /* get_executable_name */
   NULL,                    /* find_resource */
   NULL,                    /* set_window_title: the game sets none */
   NULL,                    /* set_close_button_callback: the game installs none */
   desktop_message,         /* message */
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
   desktop_color_depth,     /* desktop_color_depth */
   desktop_resolution,      /* get_desktop_resolution */
   desktop_gfx_safe_mode,   /* get_gfx_safe_mode */
   desktop_yield,           /* yield_timeslice */
   desktop_create_mutex,    /* create_mutex */
   desktop_destroy_mutex,   /* destroy_mutex */
   desktop_lock_mutex,      /* lock_mutex */
   desktop_unlock_mutex,    /* unlock_mutex */
   NULL,                    /* gfx_drivers: the program's list */
   NULL,                    /* digi_drivers */
   NULL,                    /* midi_drivers */
   NULL,                    /* keyboard_drivers */
   NULL,                    /* mouse_drivers */
   NULL,                    /* joystick_drivers */
   NULL                     /* timer_drivers */
};
