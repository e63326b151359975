/* SPDX-License-Identifier: MIT
 * ddisplay.c — the desktop platform's display thread: the window, the
 * picture scaled into it, and the window's events.
 *
 * Everything SDL's video does happens on this one thread, which the system
 * driver starts. The game's thread draws into the screen, a bitmap in
 * ordinary memory, and at each release of the screen hands over a copy of
 * the finished picture, but only when the display has asked for one: once a
 * frame, after the last one was shown. So the game's busy loop never waits
 * for the display, the display never shows half a picture, and a window
 * that is hidden costs the game nothing.
 *
 * The picture fills the window or the screen as far as it can with its
 * shape kept, centred, black around it. A whole multiple of its size is
 * made by repeating pixels. Between whole multiples it is first repeated
 * to the next whole multiple, then smoothed down to the final size: every
 * row and column stays as wide as its neighbours, and an edge is softened
 * over one device pixel at most, so the sky does not shimmer as it scrolls
 * and the score's letters stay crisp.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "aintdesk.h"

#ifdef SDL_VIDEO_DRIVER_X11
#include <X11/Xlib.h>
#endif

#define DEFAULT_REFRESH_HZ 60 /* where the display does not say its rate */
#define EVENT_WAIT_MS 4       /* the longest the thread waits between looks at its events */
#define TITLE_BAR_ALLOWANCE 48 /* room left for a window's title bar where its size is unknown */

/* --- Shared with the game's thread ---------------------------------------- */

static SDL_Thread *thread;
static SDL_threadID thread_id;
static SDL_mutex *lock;
static SDL_cond *wake;  /* the display thread waits on it: a request or a picture */
static SDL_cond *answer; /* the game's thread waits on it for a request's answer */

enum request { NO_REQUEST, OPEN, CLOSE, STOP };
/* Under lock: the request made, its arguments and its answer. */
static enum request request;
static int request_done, request_ok;
static int open_w, open_h, open_full;
static char failure[256];

static SDL_atomic_t wanted; /* the display wants the next finished picture */
static SDL_atomic_t handed; /* a picture was handed over and is not shown yet */
static SDL_atomic_t passes; /* releases of the screen so far */
static SDL_atomic_t shown;  /* pictures shown so far */
/* The picture the game hands over, and the one the display shows or last
 * showed; the game writes the first only when the display wants a picture,
 * and the display alone reads both. */
static uint16_t *handed_pixels;
static uint16_t *shown_pixels;
/* Every 16-bit pixel's 32-bit colour, as the library's own conversion (its
 * X11 driver's) gives it: one look-up a pixel, where the conversion takes two. */
#define PIXEL_VALUES 65536
static uint32_t *colours;
static int picture_w, picture_h;

/* --- The display thread's own --------------------------------------------- */

static SDL_Window *window;
static SDL_Renderer *renderer;
static SDL_Texture *picture; /* the game's picture, pixel for pixel */
static SDL_Texture *step;    /* the picture repeated to a whole multiple */
static int step_n;
static int must_show; /* the window needs drawing, whether or not the picture changed */
/* Where OpenGL is drawn by the processor on X11: no renderer, the picture
 * drawn straight into the window's own surface, converted in place at its
 * own size, and scaled there otherwise; `frame` holds it in 32 bits and
 * `frame_step` repeated to a whole multiple. */
static int on_surface;
static SDL_Surface *frame, *frame_step;
static int full_screen;
static Uint64 next_frame, frame_ticks;

/* choose_video_driver:
 *  A Wayland session is drawn on natively, anything else through X11; what
 *  the player set in SDL_VIDEODRIVER goes first. Windows has one driver,
 *  told that the game draws in device pixels, so that at 150 % the picture
 *  is scaled once, by the game, not again by Windows.
 */
static void choose_video_driver(void)
{
#ifdef ALLEGRO_WINDOWS
   SDL_SetHint(SDL_HINT_WINDOWS_DPI_AWARENESS, "permonitorv2");
#else
   if (getenv("SDL_VIDEODRIVER"))
      return;
   SDL_SetHint(SDL_HINT_VIDEODRIVER, getenv("WAYLAND_DISPLAY") ? "wayland,x11" : "x11");
#endif
}

/* first_window_size:
 *  The largest whole multiple of the picture that fits the desktop's usable
 *  area with a title bar, or less than one where even that does not fit.
 */
static void first_window_size(int *w, int *h)
{
   SDL_Rect usable;
   int room_w, room_h, n;

   if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
      *w = picture_w;
      *h = picture_h;
      return;
   }
   room_w = usable.w;
   room_h = usable.h - TITLE_BAR_ALLOWANCE;
   n = MIN(room_w / picture_w, room_h / picture_h);
   if (n >= 1) {
      *w = picture_w * n;
      *h = picture_h * n;
   }
   else if (room_w * picture_h < room_h * picture_w) {
      *w = room_w;
      *h = room_w * picture_h / picture_w;
   }
   else {
      *h = MAX(room_h, 1);
      *w = *h * picture_w / picture_h;
   }
}

/* set_full_screen:
 *  Full screen at the desktop's own size, the pointer hidden over the
 *  picture; or a window of the first size, centred, with the pointer.
 */
static void set_full_screen(int full)
{
   full_screen = full;
   must_show = TRUE;
   if (!full) {
      /* the size the window is to have once out of full screen */
      int w, h;
      first_window_size(&w, &h);
      SDL_SetWindowSize(window, w, h);
   }
   SDL_SetWindowFullscreen(window, full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
   SDL_ShowCursor(full ? SDL_DISABLE : SDL_ENABLE);
   if (!full)
      SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

/* frame_period:
 *  How long one of the display's frames lasts, in SDL's performance counts.
 */
static Uint64 frame_period(void)
{
   SDL_DisplayMode mode;
   int hz = DEFAULT_REFRESH_HZ;

   if (SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate > 0)
      hz = mode.refresh_rate;
   return SDL_GetPerformanceFrequency() / hz;
}

/* close_window:
 *  Destroys the window and all that was made for it.
 */
static void close_window(void)
{
   if (step)
      SDL_DestroyTexture(step);
   if (picture)
      SDL_DestroyTexture(picture);
   SDL_FreeSurface(frame_step);
   SDL_FreeSurface(frame);
   frame = frame_step = NULL;
   on_surface = FALSE;
   if (renderer)
      SDL_DestroyRenderer(renderer);
   if (window)
      SDL_DestroyWindow(window);
   step = picture = NULL;
   renderer = NULL;
   window = NULL;
   step_n = 0;
   SDL_AtomicSet(&wanted, 0);
   SDL_AtomicSet(&handed, 0);
}

/* drawn_by_cpu:
 *  Whether the renderer's OpenGL is drawn by the processor (Mesa's llvmpipe
 *  and its kin: a machine without a GPU, Xvfb, a virtual machine).
 */
static int drawn_by_cpu(void)
{
   typedef const unsigned char *(*get_string)(unsigned int name);
   const unsigned int GL_RENDERER_NAME = 0x1F01; /* GL_RENDERER */
   SDL_RendererInfo info;
   get_string gl_get_string;
   const char *name;

   if (SDL_GetRendererInfo(renderer, &info) != 0 || strncmp(info.name, "opengl", 6) != 0)
      return FALSE;
   gl_get_string = (get_string)SDL_GL_GetProcAddress("glGetString");
   name = gl_get_string ? (const char *)gl_get_string(GL_RENDERER_NAME) : NULL;
   return name && (strstr(name, "llvmpipe") || strstr(name, "softpipe") || strstr(name, "swrast"));
}

/* make_renderer:
 *  The renderer SDL prefers, with the display's vsync. On X11, where OpenGL
 *  turns out to be drawn by the processor, the picture is drawn straight
 *  into the window's surface instead (on_surface): the same picture for a
 *  fraction of the work, starting at once, with no shader compiler to bring
 *  up. On Wayland that would not reach the device pixels of a HiDPI screen,
 *  so OpenGL stays.
 */
static SDL_Renderer *make_renderer(void)
{
   on_surface = FALSE;
   renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
   if (renderer && strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0 && drawn_by_cpu()) {
      SDL_DestroyRenderer(renderer);
      renderer = NULL;
      /* The X server's own image of the window, not one SDL would draw
       * through OpenGL again. */
      SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
      frame = SDL_CreateRGBSurfaceWithFormat(0, picture_w, picture_h, 32, SDL_PIXELFORMAT_RGB888);
      on_surface = frame != NULL && SDL_GetWindowSurface(window) != NULL;
      if (!on_surface)
         renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
   }
   return renderer;
}

/* open_window:
 *  Makes the window, full screen or not, its renderer and the picture's
 *  texture; says why not in `failure`.
 */
static int open_window(int w, int h, int full)
{
   SDL_DisplayMode desktop;
   Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
   int ww, wh;

   if (full && SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
      /* Made at the desktop's size: with no window manager to size it, a
       * full-screen window keeps the size it was made with. */
      ww = desktop.w;
      wh = desktop.h;
      flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
   }
   else {
      full = FALSE;
      first_window_size(&ww, &wh);
   }
   /* No title: the game sets none. The window is shown once its renderer
    * is made, which may make the window anew for itself. */
   window = SDL_CreateWindow(NULL, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, ww, wh,
                             flags | SDL_WINDOW_HIDDEN);
   if (window)
      renderer = make_renderer();
   if (renderer)
      picture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                  w, h);
   if (picture || on_surface)
      SDL_ShowWindow(window);
   else {
      snprintf(failure, sizeof(failure), "cannot show the picture: %s", SDL_GetError());
      close_window();
      return FALSE;
   }
   full_screen = full;
   SDL_ShowCursor(full ? SDL_DISABLE : SDL_ENABLE);
   must_show = TRUE;
   frame_ticks = frame_period();
   next_frame = SDL_GetPerformanceCounter();
   SDL_AtomicSet(&wanted, 1);
   return TRUE;
}

/* fit:
 *  Where the picture goes in an output of ow x oh: as large as fits with its
 *  shape, centred.
 */
static SDL_Rect fit(int ow, int oh)
{
   SDL_Rect r;

   if ((int64_t)ow * picture_h <= (int64_t)oh * picture_w) {
      r.w = ow;
      r.h = (int)((int64_t)ow * picture_h / picture_w);
   }
   else {
      r.h = oh;
      r.w = (int)((int64_t)oh * picture_w / picture_h);
   }
   r.x = (ow - r.w) / 2;
   r.y = (oh - r.h) / 2;
   return r;
}

/* convert:
 *  Converts the picture to show into 32-bit pixels at `pixels`, rows
 *  `pitch` bytes apart, in the library's own colours.
 */
static void convert(void *pixels, int pitch)
{
   const uint16_t *from = shown_pixels;
   int x, y;

   for (y = 0; y < picture_h; y++) {
      uint32_t *to = (uint32_t *)((char *)pixels + (size_t)y * pitch);
      for (x = 0; x < picture_w; x++)
         to[x] = colours[from[x]];
      from += picture_w;
   }
}

/* make_colours:
 *  Fills the colour table through the library's 16- to 32-bit conversion.
 */
static int make_colours(void)
{
   COLORCONV_BLITTER_FUNC *to_32_bits = _get_colorconv_blitter(16, 32);
   uint16_t *every = malloc(PIXEL_VALUES * sizeof(uint16_t));
   GRAPHICS_RECT from, to;
   int i;

   colours = malloc(PIXEL_VALUES * sizeof(uint32_t));
   if (to_32_bits && every && colours) {
      for (i = 0; i < PIXEL_VALUES; i++)
         every[i] = (uint16_t)i;
      from.width = to.width = PIXEL_VALUES;
      from.height = to.height = 1;
      from.pitch = PIXEL_VALUES * (int)sizeof(uint16_t);
      from.data = every;
      to.pitch = PIXEL_VALUES * (int)sizeof(uint32_t);
      to.data = colours;
      to_32_bits(&from, &to);
   }
   if (to_32_bits)
      _release_colorconv_blitter(to_32_bits);
   free(every);
   return to_32_bits && every && colours;
}

/* take_picture:
 *  Converts the picture to show into the picture's texture.
 */
static void take_picture(void)
{
   void *pixels;
   int pitch;

   if (SDL_LockTexture(picture, NULL, &pixels, &pitch) != 0)
      return;
   convert(pixels, pitch);
   SDL_UnlockTexture(picture);
}

/* stepped_frame:
 *  The frame repeated n times each way, into frame_step.
 */
static int stepped_frame(int n)
{
   if (frame_step && frame_step->w != picture_w * n) {
      SDL_FreeSurface(frame_step);
      frame_step = NULL;
   }
   if (!frame_step)
      frame_step = SDL_CreateRGBSurfaceWithFormat(0, picture_w * n, picture_h * n, 32,
                                                  SDL_PIXELFORMAT_RGB888);
   return frame_step && SDL_BlitScaled(frame, NULL, frame_step, NULL) == 0;
}

/* stretch:
 *  Draws `from` into `to` on `out`, smoothed or by repeating pixels.
 */
static void stretch(SDL_Surface *from, SDL_Rect *to, SDL_Surface *out, int smooth)
{
   if (!smooth || SDL_SoftStretchLinear(from, NULL, out, to) != 0)
      SDL_BlitScaled(from, NULL, out, to);
}

/* show_on_surface:
 *  Draws the picture to show straight into the window's surface, black
 *  around it, and shows it: converted in place at its own size; elsewhere
 *  repeated to the next whole multiple and smoothed down, as on a GPU.
 */
static void show_on_surface(void)
{
   SDL_Surface *out = SDL_GetWindowSurface(window);
   SDL_Rect to;
   int n;

   if (!out)
      return;
   to = fit(out->w, out->h);
   n = (to.w + picture_w - 1) / picture_w;
   if (must_show)
      SDL_FillRect(out, NULL, SDL_MapRGB(out->format, 0, 0, 0));
   if (to.w == picture_w && out->format->format == SDL_PIXELFORMAT_RGB888 &&
       SDL_LockSurface(out) == 0) {
      convert((char *)out->pixels + (size_t)to.y * out->pitch + (size_t)to.x * 4, out->pitch);
      SDL_UnlockSurface(out);
   }
   else {
      convert(frame->pixels, frame->pitch);
      if (to.w == picture_w * n || n < 2 || !stepped_frame(n))
         stretch(frame, &to, out, to.w != picture_w * n);
      else
         stretch(frame_step, &to, out, TRUE);
   }
   SDL_UpdateWindowSurface(window);
   SDL_AtomicAdd(&shown, 1);
}

/* stepped:
 *  The picture repeated n times each way, in a texture smoothed when drawn;
 *  NULL where the renderer cannot draw into a texture.
 */
static SDL_Texture *stepped(int n)
{
   if (step && step_n != n) {
      SDL_DestroyTexture(step);
      step = NULL;
   }
   if (!step && SDL_RenderTargetSupported(renderer)) {
      step = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                               picture_w * n, picture_h * n);
      if (step)
         SDL_SetTextureScaleMode(step, SDL_ScaleModeLinear);
      step_n = n;
   }
   if (!step || SDL_SetRenderTarget(renderer, step) != 0)
      return NULL;
   SDL_SetTextureScaleMode(picture, SDL_ScaleModeNearest);
   SDL_RenderCopy(renderer, picture, NULL, NULL);
   SDL_SetRenderTarget(renderer, NULL);
   return step;
}

/* show:
 *  Draws the picture into the window at its place, black around it, and
 *  shows it.
 */
static void show(void)
{
   int ow, oh, n;
   SDL_Rect to;
   SDL_Texture *from = picture;

   if (SDL_GetRendererOutputSize(renderer, &ow, &oh) != 0 || ow <= 0 || oh <= 0)
      return;
   to = fit(ow, oh);
   /* the smallest whole multiple that reaches the final size */
   n = (to.w + picture_w - 1) / picture_w;
   if (to.w == picture_w * n)
      SDL_SetTextureScaleMode(picture, SDL_ScaleModeNearest);
   else if (n < 2 || !(from = stepped(n))) {
      from = picture;
      SDL_SetTextureScaleMode(picture, SDL_ScaleModeLinear);
   }
   SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
   SDL_RenderClear(renderer);
   SDL_RenderCopy(renderer, from, NULL, &to);
   SDL_RenderPresent(renderer);
   SDL_AtomicAdd(&shown, 1);
}

/* display_lost:
 *  The display went away under the game (the compositor or the X server
 *  ended): says so in one line and ends the game at once, before anything
 *  else can touch what is gone.
 */
static void display_lost(const char *display)
{
   fprintf(stderr, "%s: the display was lost (%s went away)\n", _desktop_program_name(), display);
   fflush(stderr);
   _Exit(1);
}

#ifdef SDL_VIDEO_DRIVER_X11
/* x_connection_lost:
 *  The X library's word that the connection to the X server broke.
 */
static int x_connection_lost(Display *d)
{
   char display[128];

   snprintf(display, sizeof(display), "the X server %s", DisplayString(d));
   display_lost(display);
   return 0;
}
#endif

/* handle_event:
 *  One of the window's events: keys to the keyboard driver, Alt+Enter and
 *  F11 to switch between full screen and a window, focus and the display.
 */
static void handle_event(const SDL_Event *e)
{
   static Uint8 swallowed[SDL_NUM_SCANCODES]; /* keys whose press switched the mode */

   switch (e->type) {
      case SDL_KEYDOWN:
         if (e->key.repeat)
            break;
         if (e->key.keysym.scancode == SDL_SCANCODE_F11 ||
             (e->key.keysym.scancode == SDL_SCANCODE_RETURN && (e->key.keysym.mod & KMOD_ALT))) {
            /* The Enter of Alt+Enter never reaches the game. */
            swallowed[e->key.keysym.scancode] = TRUE;
            if (window)
               set_full_screen(!full_screen);
            break;
         }
         _desktop_key_event(e->key.keysym.scancode, TRUE);
         break;
      case SDL_KEYUP:
         if (swallowed[e->key.keysym.scancode]) {
            swallowed[e->key.keysym.scancode] = FALSE;
            break;
         }
         _desktop_key_event(e->key.keysym.scancode, FALSE);
         break;
      case SDL_WINDOWEVENT:
         must_show = TRUE; /* shown, exposed, resized, moved: drawn afresh */
         if (e->window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            _desktop_release_keys();
         else if (e->window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED && window)
            frame_ticks = frame_period();
         /* A close request (the close button, Alt+F4) does nothing: the
          * game installs no handler for it, and Esc quits. */
         break;
      case SDL_RENDER_TARGETS_RESET:
      case SDL_RENDER_DEVICE_RESET:
         must_show = TRUE;
         if (step)
            SDL_DestroyTexture(step);
         step = NULL;
         break;
      case SDL_QUIT:
         /* Closing the window does not quit (see the hints); SDL's signal
          * handlers are off: this is the display gone. */
         display_lost("the Wayland compositor");
         break;
      default:
         _desktop_pad_event(e);
         break;
   }
}

/* serve_request:
 *  Carries out what the game's thread asked for, under the lock, and tells
 *  it; returns FALSE when the thread is to stop.
 */
static int serve_request(void)
{
   enum request r = request;

   if (r == NO_REQUEST)
      return TRUE;
   request = NO_REQUEST;
   request_ok = TRUE;
   if (r == OPEN) {
      SDL_UnlockMutex(lock);
      request_ok = open_window(open_w, open_h, open_full);
      SDL_LockMutex(lock);
   }
   else {
      SDL_UnlockMutex(lock);
      close_window();
      SDL_LockMutex(lock);
   }
   request_done = TRUE;
   SDL_CondBroadcast(answer);
   return r != STOP;
}

/* display_loop:
 *  Reads the events, serves requests, and shows each picture handed over,
 *  then asks for the next once a frame of the display has passed.
 */
static void display_loop(void)
{
   SDL_Event e;

   for (;;) {
      Uint64 now;
      int wait_ms = EVENT_WAIT_MS;

      while (SDL_PollEvent(&e))
         handle_event(&e);
      _desktop_keys_catch_up();

      SDL_LockMutex(lock);
      if (!serve_request()) {
         SDL_UnlockMutex(lock);
         return;
      }
      SDL_UnlockMutex(lock);

      if (window && SDL_AtomicGet(&handed)) {
         /* A picture like the last one (the game-over picture stands still)
          * is not shown again unless the window needs drawing. */
         const size_t bytes = (size_t)picture_w * picture_h * sizeof(uint16_t);
         if (must_show || memcmp(handed_pixels, shown_pixels, bytes) != 0) {
            /* The copies change places: the game's next picture goes where
             * the last one shown was. */
            uint16_t *last = shown_pixels;
            shown_pixels = handed_pixels;
            handed_pixels = last;
            if (on_surface)
               show_on_surface();
            else {
               take_picture();
               show();
            }
            must_show = FALSE;
         }
         SDL_AtomicSet(&handed, 0);
         next_frame += frame_ticks;
      }
      now = SDL_GetPerformanceCounter();
      if (window && !SDL_AtomicGet(&handed) && !SDL_AtomicGet(&wanted)) {
         if (now + frame_ticks < next_frame || now > next_frame + frame_ticks)
            next_frame = now; /* the clock jumped, or the display fell behind */
         if (now >= next_frame)
            SDL_AtomicSet(&wanted, 1);
         else
            wait_ms = MIN(wait_ms, (int)((next_frame - now) * 1000 / SDL_GetPerformanceFrequency()) + 1);
      }

      SDL_LockMutex(lock);
      if (request == NO_REQUEST && !SDL_AtomicGet(&handed))
         SDL_CondWaitTimeout(wake, lock, wait_ms);
      SDL_UnlockMutex(lock);
   }
}

/* start_video:
 *  Brings up SDL's video on this thread, and its pads where it can.
 */
static int start_video(void)
{
   /* The game's own handlers take Ctrl-C and SIGTERM; closing the window
    * is not quitting; the desktop is not switched away from when the game
    * loses the keyboard. */
   SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
   SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
   SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
   SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "0");
   choose_video_driver();
   SDL_SetMainReady(); /* the game has its own entry; SDL needs none of its own */
   if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
#ifdef ALLEGRO_WINDOWS
      snprintf(failure, sizeof(failure), "no display could be opened: %s", SDL_GetError());
#else
      const char *wayland = getenv("WAYLAND_DISPLAY"), *x = getenv("DISPLAY");
      char where[160];
      snprintf(where, sizeof(where), "WAYLAND_DISPLAY is %s%s%s, DISPLAY is %s%s%s",
               wayland ? "\"" : "", wayland ? wayland : "not set", wayland ? "\"" : "",
               x ? "\"" : "", x ? x : "not set", x ? "\"" : "");
      snprintf(failure, sizeof(failure), "no display could be opened (%s): %s", where,
               SDL_GetError());
#endif
      return FALSE;
   }
#ifdef SDL_VIDEO_DRIVER_X11
   if (strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0)
      XSetIOErrorHandler(x_connection_lost);
#endif
   SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER); /* the game plays without pads */
   return TRUE;
}

/* display_thread:
 *  The thread's body: starts the video, says whether it did, then loops
 *  until stopped.
 */
static int display_thread(void *unused)
{
   int ok;

   (void)unused;
   thread_id = SDL_ThreadID();
   ok = start_video();
   SDL_LockMutex(lock);
   request_ok = ok;
   request_done = TRUE;
   SDL_CondBroadcast(answer);
   SDL_UnlockMutex(lock);
   if (!ok)
      return 0;
   display_loop();
   close_window();
   SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER | SDL_INIT_VIDEO);
   return 0;
}

/* ask:
 *  Makes a request of the display thread and waits for its answer.
 */
static int ask(enum request r)
{
   int ok;

   if (!thread || SDL_ThreadID() == thread_id)
      return FALSE;
   SDL_LockMutex(lock);
   request = r;
   request_done = FALSE;
   SDL_CondSignal(wake);
   while (!request_done)
      SDL_CondWait(answer, lock);
   ok = request_ok;
   SDL_UnlockMutex(lock);
   return ok;
}

/* _desktop_display_start:
 *  Starts the display thread and waits until its video is up, or says why not.
 */
int _desktop_display_start(char *why, int size)
{
   int ok;

   lock = SDL_CreateMutex();
   wake = SDL_CreateCond();
   answer = SDL_CreateCond();
   if (!lock || !wake || !answer) {
      snprintf(why, size, "cannot start the display thread: %s", SDL_GetError());
      return FALSE;
   }
   request = NO_REQUEST;
   request_done = FALSE;
   thread = SDL_CreateThread(display_thread, "display", NULL);
   if (!thread) {
      snprintf(why, size, "cannot start the display thread: %s", SDL_GetError());
      return FALSE;
   }
   SDL_LockMutex(lock);
   while (!request_done)
      SDL_CondWait(answer, lock);
   ok = request_ok;
   SDL_UnlockMutex(lock);
   if (!ok) {
      snprintf(why, size, "%s", failure);
      SDL_WaitThread(thread, NULL);
      thread = NULL;
   }
   return ok;
}

/* _desktop_display_stop:
 *  Stops the display thread, closing its window.
 */
void _desktop_display_stop(void)
{
   if (!thread || SDL_ThreadID() == thread_id)
      return;
   ask(STOP);
   SDL_WaitThread(thread, NULL);
   thread = NULL;
}

/* end_at_once:
 *  An exit() made on the display thread, by SDL or a library under it, is
 *  the display gone: the process ends there and then, before the library's
 *  exit handling takes the screen from under the game's thread.
 */
static void end_at_once(void)
{
   if (thread && SDL_ThreadID() == thread_id) {
      fflush(stderr);
      _Exit(1);
   }
}

/* _desktop_display_open:
 *  Opens the w x h picture: the copy handed over and its conversion, then
 *  the window.
 */
int _desktop_display_open(int w, int h, int full, char *why, int size)
{
   static int exit_watched;

   /* Made after the library's own exit handling, so that it comes first. */
   if (!exit_watched)
      exit_watched = atexit(end_at_once) == 0;
   handed_pixels = malloc((size_t)w * h * sizeof(uint16_t));
   shown_pixels = malloc((size_t)w * h * sizeof(uint16_t));
   if (!handed_pixels || !shown_pixels || !make_colours()) {
      _desktop_display_close();
      snprintf(why, size, "Not enough memory");
      return FALSE;
   }
   picture_w = w;
   picture_h = h;
   SDL_LockMutex(lock);
   open_w = w;
   open_h = h;
   open_full = full;
   SDL_UnlockMutex(lock);
   if (!ask(OPEN)) {
      snprintf(why, size, "%s", failure);
      _desktop_display_close();
      return FALSE;
   }
   return TRUE;
}

/* _desktop_display_close:
 *  Closes the window and frees the picture's copies.
 */
void _desktop_display_close(void)
{
   ask(CLOSE);
   free(handed_pixels);
   free(shown_pixels);
   free(colours);
   handed_pixels = shown_pixels = NULL;
   colours = NULL;
}

/* _desktop_display_hand_over:
 *  Called at each release of the screen: copies the finished picture when
 *  the display wants one, and wakes the display thread for it.
 */
void _desktop_display_hand_over(const uint16_t *pixels)
{
   SDL_AtomicAdd(&passes, 1);
   if (!SDL_AtomicGet(&wanted) || !handed_pixels)
      return;
   memcpy(handed_pixels, pixels, (size_t)picture_w * picture_h * sizeof(uint16_t));
   SDL_AtomicSet(&wanted, 0);
   SDL_AtomicSet(&handed, 1);
   SDL_LockMutex(lock);
   SDL_CondSignal(wake);
   SDL_UnlockMutex(lock);
}

/* _desktop_display_size:
 *  The desktop's size.
 */
int _desktop_display_size(int *w, int *h)
{
   SDL_DisplayMode mode;

   if (!thread || SDL_GetDesktopDisplayMode(0, &mode) != 0)
      return -1;
   *w = mode.w;
   *h = mode.h;
   return 0;
}

/* _desktop_display_passes:
 *  How many times the screen has been released.
 */
int _desktop_display_passes(void)
{
   return SDL_AtomicGet(&passes);
}

/* desktop_frames_shown:
 *  How many pictures the display has shown.
 */
int desktop_frames_shown(void)
{
   return SDL_AtomicGet(&shown);
}
