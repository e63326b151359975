/* SPDX-License-Identifier: MIT
 * dpad.c — gamepads, as the web page has them: the d-pad or the left stick
 * flies up and down, A or Start is Enter, Back is Esc. Any pad SDL knows,
 * plugged in at any time; each holds its keys through the keyboard driver.
 */
#include "allegro.h"
#include "aintdesk.h"

/* How far the stick must lean to steer: half way, as on the web page. */
#define STICK_DEAD_ZONE (SDL_JOYSTICK_AXIS_MAX / 2)

/* pad_button:
 *  The library's key a pad's button holds, or 0.
 */
static int pad_button(int button)
{
   switch (button) {
      case SDL_CONTROLLER_BUTTON_DPAD_UP:
         return KEY_UP;
      case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
         return KEY_DOWN;
      case SDL_CONTROLLER_BUTTON_A:
      case SDL_CONTROLLER_BUTTON_START:
         return KEY_ENTER;
      case SDL_CONTROLLER_BUTTON_BACK:
         return KEY_ESC;
      default:
         return 0;
   }
}

/* _desktop_pad_event:
 *  A pad plugged in, pulled out, a button or the stick: opens the pad, or
 *  holds and lets go of keys.
 */
int _desktop_pad_event(const SDL_Event *e)
{
   switch (e->type) {
      case SDL_CONTROLLERDEVICEADDED:
         SDL_GameControllerOpen(e->cdevice.which);
         return TRUE;
      case SDL_CONTROLLERDEVICEREMOVED: {
         SDL_GameController *pad = SDL_GameControllerFromInstanceID(e->cdevice.which);
         _desktop_release_keys();
         if (pad)
            SDL_GameControllerClose(pad);
         return TRUE;
      }
      case SDL_CONTROLLERBUTTONDOWN:
      case SDL_CONTROLLERBUTTONUP:
         _desktop_hold_key(pad_button(e->cbutton.button), HELD_BY_PAD_BUTTON,
                           e->type == SDL_CONTROLLERBUTTONDOWN);
         return TRUE;
      case SDL_CONTROLLERAXISMOTION:
         if (e->caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
            _desktop_hold_key(KEY_UP, HELD_BY_PAD_STICK, e->caxis.value < -STICK_DEAD_ZONE);
            _desktop_hold_key(KEY_DOWN, HELD_BY_PAD_STICK, e->caxis.value > STICK_DEAD_ZONE);
         }
         return TRUE;
      default:
         return FALSE;
   }
}
