/* SPDX-License-Identifier: MIT
 * aintweb.h — what the web platform's drivers share inside the library.
 *
 * Who calls what: the graphics driver's screen calls _web_yield() each time
 * the screen is released after a draw; _web_yield() shows the screen on the
 * page, waits for the browser's next animation frame, then runs the timer
 * (_web_timer_catch_up) and the keyboard (_web_keyboard_catch_up) for what
 * happened meanwhile.
 */
#ifndef AINTWEB_H
#define AINTWEB_H

AL_FUNC(void, _web_yield, (void));
AL_FUNC(void, _web_timer_catch_up, (void));
AL_FUNC(void, _web_keyboard_catch_up, (void));

#endif
