/* SPDX-License-Identifier: MIT
 * alplatf.h — which platform the library is built for: the web.
 *
 * Allegro's own build writes this file from alplatf.h.cmake; the web build
 * of the library is not made by that build, so this one stands in for it.
 */
#define ALLEGRO_WEB

/* The portable C routines: no assembler on WebAssembly. */
#define ALLEGRO_NO_ASM
#define ALLEGRO_USE_C
